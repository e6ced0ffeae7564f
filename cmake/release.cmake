# release.cmake, included by the project. Gives release_time, the release's time in seconds since
# 1970, which every packed file carries, and release_date, its day as YYYY-MM-DD, which the
# manual page gives; and own_git, ON where the source is a git repository of its own (not a
# folder in a packager's). The time is SOURCE_DATE_EPOCH where that is set; else the last
# commit's, where the source is a git repository of its own; else that of NEWS, which the source
# package gives every file it holds.
file(READ ${PROJECT_SOURCE_DIR}/NEWS news)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)
if(NOT news MATCHES "^Release ${PROJECT_VERSION} [(]")
    message(WARNING "NEWS does not begin with the entry for ${PROJECT_VERSION}.")
endif()

execute_process(COMMAND git rev-parse --show-toplevel WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                RESULT_VARIABLE no_git OUTPUT_VARIABLE git_top OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
get_filename_component(source ${PROJECT_SOURCE_DIR} REALPATH)
set(own_git OFF)
if(no_git EQUAL 0 AND git_top STREQUAL source)
    set(own_git ON)
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(release_time $ENV{SOURCE_DATE_EPOCH})
elseif(own_git)
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE release_time OUTPUT_STRIP_TRAILING_WHITESPACE)
else()
    file(TIMESTAMP ${PROJECT_SOURCE_DIR}/NEWS release_time "%s" UTC)
endif()
set(ENV{SOURCE_DATE_EPOCH} ${release_time})
string(TIMESTAMP release_date "%Y-%m-%d" UTC)
