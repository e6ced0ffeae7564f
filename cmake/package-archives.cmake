# Run by cpack once it has made a package, and before it copies it out beside its SHA-256
# (CPACK_POST_BUILD_SCRIPTS). cpack's writer lists the files in the order the file system gives
# them, so each package is written again from the same staged files: in sorted order, with root
# as the owner, by tar and gzip, by zip in UTC, or by dpkg-deb.
set(staged ${CPACK_TEMPORARY_DIRECTORY})
get_filename_component(top ${staged} NAME)
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${CPACK_TOPLEVEL_DIRECTORY} ${staged}/*)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "[.]tar[.]gz$")
        execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C
                                tar --create --sort=name --format=gnu --owner=root:0 --group=root:0
                                ${top}
                        COMMAND gzip -9n
                        WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} OUTPUT_FILE ${package}
                        COMMAND_ERROR_IS_FATAL ANY)
    elseif(package MATCHES "[.]zip$")
        # Without the extra fields that hold the owner; a zip's times are local times.
        list(PREPEND entries ${top})
        list(JOIN entries "\n" names)
        file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/names "${names}\n")
        file(REMOVE ${package})
        execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 zip -q -X -9 -@ ${package}
                        WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY}
                        INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/names COMMAND_ERROR_IS_FATAL ANY)
    elseif(package MATCHES "[.]deb$")
        # cpack leaves the parts of its package beside the packed files, under /usr.
        string(REGEX MATCH "^/[^/]*" packed ${CPACK_PACKAGING_INSTALL_PREFIX})
        file(GLOB parts LIST_DIRECTORIES true ${staged}/*)
        list(REMOVE_ITEM parts ${staged}${packed})
        file(REMOVE_RECURSE ${parts})
        # Installed-Size as dpkg-gencontrol counts it: each file by its size in KiB, rounded up,
        # and each folder as 1; cpack counts the sizes of the folders on this file system.
        file(GLOB_RECURSE entries LIST_DIRECTORIES true ${staged}/*)
        set(kib 0)
        foreach(path IN LISTS entries)
            if(IS_DIRECTORY ${path})
                math(EXPR kib "${kib} + 1")
            else()
                file(SIZE ${path} bytes)
                math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
            endif()
        endforeach()
        file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${CPACK_TOPLEVEL_DIRECTORY}/deb)
        file(GLOB control ${CPACK_TOPLEVEL_DIRECTORY}/deb/control.tar.*)
        file(ARCHIVE_EXTRACT INPUT ${control} DESTINATION ${staged}/DEBIAN)
        file(READ ${staged}/DEBIAN/control fields)
        string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${kib}\n" fields
                             "${fields}")
        file(WRITE ${staged}/DEBIAN/control "${fields}")
        execute_process(COMMAND chmod -R u=rwX,go=rX ${staged}/DEBIAN COMMAND_ERROR_IS_FATAL ANY)
        execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${staged} ${package}
                        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
