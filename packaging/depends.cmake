# The Debian packages' Depends, from the shared libraries their staged programs need.
#
# CPack runs this after staging and before building the packages. CPack's own
# dependency step is left off: it hands a file to dpkg-shlibdeps only when
# `file` calls it "dynamically linked", and with --ignore-missing-info, so a
# library that dpkg cannot place in a package drops out without a word. Either
# way the package went out with no Depends at all. Here every ELF file is
# handed over, found by its first bytes, dpkg-shlibdeps must place every
# library it needs, and packaging stops rather than write an empty Depends.
# With the Python module there are two packages, each staged in a folder of
# its component's name: each gets the Depends of its own files, after any it
# was given (python3-ugraph's Python and numpy).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

# The Depends of the libraries the ELF files below `dir` need.
function(shlibs_depends dir out)
    file(GLOB_RECURSE staged LIST_DIRECTORIES false "${dir}/*")
    set(elf_files)
    foreach(path IN LISTS staged)
        file(READ "${path}" magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46" AND NOT IS_SYMLINK "${path}")
            list(APPEND elf_files "${path}")
        endif()
    endforeach()
    if(NOT elf_files)
        message(FATAL_ERROR "depends: no program in ${dir}")
    endif()
    # The libraries the program opens on first use are the NEEDED of another.
    if(NOT EXISTS "${CPACK_UGRAPH_LOADED_LIBRARIES_PROGRAM}")
        message(FATAL_ERROR "depends: no ${CPACK_UGRAPH_LOADED_LIBRARIES_PROGRAM}")
    endif()
    list(APPEND elf_files "${CPACK_UGRAPH_LOADED_LIBRARIES_PROGRAM}")

    # dpkg-shlibdeps wants a debian/control below where it runs; an empty one
    # will do, outside the staged tree so that it cannot end up in the package.
    set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
    file(REMOVE_RECURSE "${scratch}")
    file(WRITE "${scratch}/debian/control" "")
    find_program(SHLIBDEPS dpkg-shlibdeps REQUIRED)
    execute_process(COMMAND "${SHLIBDEPS}" -O ${elf_files}
        WORKING_DIRECTORY "${scratch}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors)
    file(REMOVE_RECURSE "${scratch}")
    if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]+)")
        message(FATAL_ERROR "depends: dpkg-shlibdeps gave no dependencies for "
            "${elf_files} (exit ${result}):\n${errors}")
    endif()
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

if(NOT CPACK_DEB_COMPONENT_INSTALL)
    shlibs_depends("${CPACK_TEMPORARY_DIRECTORY}" CPACK_DEBIAN_PACKAGE_DEPENDS)
    message(STATUS "depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
    return()
endif()
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER "${component}" upper)
    set(variable CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS)
    shlibs_depends("${CPACK_TEMPORARY_DIRECTORY}/${component}" libraries)
    if(${variable})
        set(${variable} "${${variable}}, ${libraries}")
    else()
        set(${variable} "${libraries}")
    endif()
    message(STATUS "depends: ${CPACK_DEBIAN_${upper}_PACKAGE_NAME}: ${${variable}}")
endforeach()
