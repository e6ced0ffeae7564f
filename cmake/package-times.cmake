# Read by cpack: the times of the packed files, and the Debian package's lintian override, which
# says why the program is linked statically.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_INSTALLED_DIRECTORIES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
                                    usr/share/lintian/overrides)
endif()
# The Debian generator takes its times from SOURCE_DATE_EPOCH; for the archives,
# every file and folder is given that time before it is packed.
if(CPACK_SOURCE_DATE_EPOCH)
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_SOURCE_DATE_EPOCH})
    set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_FILE})
endif()
if(CPACK_TEMPORARY_INSTALL_DIRECTORY)
    execute_process(COMMAND find . -exec touch -h -d @${CPACK_SOURCE_DATE_EPOCH} {} +
                    WORKING_DIRECTORY ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
endif()
