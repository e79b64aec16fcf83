# Runs the program once in a scratch folder on CASE/input and compares its
# output byte for byte with CASE/expected. CASE/args, where present, holds the
# command-line arguments, one a line; CASE/status the exit status (else 0);
# CASE/files, other files the run finds in its folder (CASE/sample: a copy of
# the shipped sample data file); CASE/after, files
# that must stand in the folder, byte for byte, once the run has ended.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
if(EXISTS ${CASE}/GraphDataFile2.txt)
    file(COPY ${CASE}/GraphDataFile2.txt DESTINATION ${SCRATCH})
endif()
if(EXISTS ${CASE}/sample)
    file(COPY ${SAMPLE} DESTINATION ${SCRATCH})
endif()
if(IS_DIRECTORY ${CASE}/files)
    file(COPY ${CASE}/files/ DESTINATION ${SCRATCH})
endif()
set(args "")
if(EXISTS ${CASE}/args)
    file(STRINGS ${CASE}/args args)
endif()
set(expected_status 0)
if(EXISTS ${CASE}/status)
    file(STRINGS ${CASE}/status expected_status)
endif()
execute_process(COMMAND ${PROGRAM} ${args}
    WORKING_DIRECTORY ${SCRATCH}
    INPUT_FILE ${CASE}/input
    OUTPUT_FILE ${SCRATCH}/actual
    RESULT_VARIABLE status
    TIMEOUT 20)
if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "program ended with status ${status}, not ${expected_status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/actual ${CASE}/expected
    RESULT_VARIABLE differs)
if(differs)
    execute_process(COMMAND diff -u ${CASE}/expected ${SCRATCH}/actual)
    message(FATAL_ERROR "output differs from ${CASE}/expected")
endif()
file(GLOB_RECURSE kept RELATIVE ${CASE}/after ${CASE}/after/*)
foreach(name IN LISTS kept)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${name} ${CASE}/after/${name}
        RESULT_VARIABLE differs)
    if(differs)
        execute_process(COMMAND diff -u ${CASE}/after/${name} ${SCRATCH}/${name})
        message(FATAL_ERROR "${name} differs from ${CASE}/after/${name}")
    endif()
endforeach()
