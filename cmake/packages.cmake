# The packages: cpack makes a .tar.gz (Linux) or a .zip (Windows), cpack -G DEB a Debian package,
# and cpack --config CPackSourceConfig.cmake the source package. Each is the same bytes from the
# same source, whoever makes it and wherever: package-staging.cmake gives the files their modes
# and the release's time before they are packed, and package-archives.cmake writes each package
# again in sorted order, with root as the owner, once cpack has made it.
set(CPACK_PACKAGE_FILE_NAME
    ${PROJECT_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
# Beside each package, its SHA-256 in the form that sha256sum -c reads.
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_CONTACT ${PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console calculator of two formulas of three real numbers")
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

# What the scripts need: the release's time; where the plain install put the licence, the changes
# and the manual page, which the Debian package renames; the Debian changelog; lintian's override,
# which applies only to a program that is static and position independent; and whether git knows
# which files of the source are the project's.
set(CPACK_SOURCE_DATE_EPOCH ${release_time})
set(CPACK_CALCULATOR_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_CALCULATOR_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_CALCULATOR_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.Debian)
if(hardened AND linked_static)
    set(CPACK_CALCULATOR_LINTIAN_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/lintian-override)
endif()
set(CPACK_CALCULATOR_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_CALCULATOR_OWN_GIT ${own_git})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-config.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-archives.cmake)

# The source package: one .tar.gz of the project's own files, none of a build in the source.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
# Regular expressions, written out by cpack as they are: the source's path with its dots and the
# like in brackets, which need no escape.
string(REGEX REPLACE "([.+*?()|$])" "[\\1]" source "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES "^${source}/build/" "^${source}/[.]git/" "/__pycache__/")
include(CPack)
