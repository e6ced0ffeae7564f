# The packages: a .tar.gz (Linux) or a .zip (Windows), and a Debian package with cpack -G DEB.
# Each comes out byte for byte the same from the same commit: stripped, and every time in it
# that of the commit (SOURCE_DATE_EPOCH, where set, wins).
set(CPACK_PACKAGE_FILE_NAME
    ${PROJECT_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
# Beside each package, its SHA-256 in the form that sha256sum -c reads.
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_CONTACT "calculator developers <calculator@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluate two formulas of three real numbers, three times")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "An interactive console calculator. It shows\n"
    "t = sqrt(x) - cos(z) / (1 + (y - x)^2) and u = x * (sin(y) + cos(z))\n"
    "for the built-in zeros, then for numbers typed at its prompts, read first\n"
    "with the standard streams and then with scanf_s, and pauses at the end.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Elsewhere dpkg names the build machine's, which is the program's unless cross-compiled.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()

set(CPACK_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
if(NOT CPACK_SOURCE_DATE_EPOCH)
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE CPACK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-times.cmake)
include(CPack)
