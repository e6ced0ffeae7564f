# Run by cpack once it has put the files to pack in their folder, and before it packs them
# (CPACK_PRE_BUILD_SCRIPTS). The Debian package gets Debian's names and compressed documents; the
# source package the files that git tracks, where the source is a git repository of its own; and
# every file and folder gets the release's time, and its mode whatever the umask.
set(staged ${CPACK_TEMPORARY_DIRECTORY})
if(CPACK_GENERATOR STREQUAL "DEB")
    set(usr ${staged}${CPACK_PACKAGING_INSTALL_PREFIX})
    set(doc ${usr}/${CPACK_CALCULATOR_DOCDIR})
    file(RENAME ${doc}/LICENSE ${doc}/copyright)
    file(REMOVE ${doc}/NEWS)
    # Compressed without a name or a time in them.
    execute_process(COMMAND gzip -9nc ${CPACK_CALCULATOR_CHANGELOG} OUTPUT_FILE ${doc}/changelog.gz
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND gzip -9n ${usr}/${CPACK_CALCULATOR_MANDIR}/man1/calculator.1
                    COMMAND_ERROR_IS_FATAL ANY)
    if(CPACK_CALCULATOR_LINTIAN_OVERRIDE)
        configure_file(${CPACK_CALCULATOR_LINTIAN_OVERRIDE}
                       ${usr}/share/lintian/overrides/calculator COPYONLY)
    endif()
elseif(NOT CPACK_INSTALL_CMAKE_PROJECTS AND CPACK_CALCULATOR_OWN_GIT)
    execute_process(COMMAND git ls-files WORKING_DIRECTORY ${CPACK_CALCULATOR_SOURCE_DIR}
                    OUTPUT_VARIABLE tracked OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE "\n" ";" tracked "${tracked}")
    file(REMOVE_RECURSE ${staged})
    foreach(file IN LISTS tracked)
        get_filename_component(folder ${file} DIRECTORY)
        if(EXISTS ${CPACK_CALCULATOR_SOURCE_DIR}/${file}) # not deleted since the last commit
            file(COPY ${CPACK_CALCULATOR_SOURCE_DIR}/${file} DESTINATION ${staged}/${folder})
        endif()
    endforeach()
endif()
# Folders and programs 0755, other files 0644.
execute_process(COMMAND find . ( -type d -o -perm /111 ) -exec chmod 0755 {} + -o
                        -exec chmod 0644 {} +
                WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND find . -exec touch -h -d @${CPACK_SOURCE_DATE_EPOCH} {} +
                WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
