# release.cmake, included by the project. Gives release_time, the release's time in seconds since
# 1970, which every packed file carries, and release_date, its day as YYYY-MM-DD, which the
# manual page gives; and own_git, ON where the source is a git repository of its own (not a
# folder in a packager's). The time is SOURCE_DATE_EPOCH where that is set; else the last
# commit's, where the source is a git repository of its own; else the day of the top entry of
# NEWS ("Release VERSION (YYYY-MM-DD)"), as in a source package.

# Days since 1970-01-01 of a date written YYYY-MM-DD (H. Hinnant's days_from_civil).
function(days_since_1970 date result)
    string(REGEX MATCH "^([0-9]+)-0*([0-9]+)-0*([0-9]+)$" ymd "${date}")
    set(year ${CMAKE_MATCH_1})
    if(CMAKE_MATCH_2 GREATER 2)
        math(EXPR month "${CMAKE_MATCH_2} - 3")
    else()
        math(EXPR month "${CMAKE_MATCH_2} + 9")
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR days "${year} / 400 * 146097 + ${year} % 400 * 365 + ${year} % 400 / 4 \
                    - ${year} % 400 / 100 + (153 * ${month} + 2) / 5 + ${CMAKE_MATCH_3} - 719469")
    set(${result} ${days} PARENT_SCOPE)
endfunction()

file(READ ${PROJECT_SOURCE_DIR}/NEWS news)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)
string(REGEX MATCH "^Release ([0-9.]+) [(]([0-9]+-[0-9]+-[0-9]+)[)]\n" top "${news}")
set(news_date ${CMAKE_MATCH_2})
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
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
elseif(news_date)
    days_since_1970(${news_date} days)
    math(EXPR release_time "${days} * 86400")
else()
    string(TIMESTAMP release_time "%s" UTC)
    message(WARNING "Neither git nor NEWS gives the release's date: the packages carry this time.")
endif()
set(ENV{SOURCE_DATE_EPOCH} ${release_time})
string(TIMESTAMP release_date "%Y-%m-%d" UTC)
