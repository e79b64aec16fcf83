# Runs the program once in a scratch folder on CASE/input and compares its
# output byte for byte with CASE/expected.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
if(EXISTS ${CASE}/GraphDataFile2.txt)
    file(COPY ${CASE}/GraphDataFile2.txt DESTINATION ${SCRATCH})
endif()
execute_process(COMMAND ${PROGRAM}
    WORKING_DIRECTORY ${SCRATCH}
    INPUT_FILE ${CASE}/input
    OUTPUT_FILE ${SCRATCH}/actual
    RESULT_VARIABLE status
    TIMEOUT 20)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "program ended with status ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/actual ${CASE}/expected
    RESULT_VARIABLE differs)
if(differs)
    execute_process(COMMAND diff -u ${CASE}/expected ${SCRATCH}/actual)
    message(FATAL_ERROR "output differs from ${CASE}/expected")
endif()
