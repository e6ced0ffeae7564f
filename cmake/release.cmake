# The release: its time, which every packed file carries and the manual page gives as its date,
# and the Debian changelog, made from NEWS. The time is SOURCE_DATE_EPOCH where that is set; else
# the last commit's, where the source is a git repository of its own (not a folder in a
# packager's); else the day of the top entry of NEWS, as in a source package.
set(PACKAGE_CONTACT "calculator developers <developers@calculator.invalid>" CACHE STRING
    "The maintainer of the packages, as Name <address>; the address ending in .invalid is none")

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

# NEWS, release by release, newest first: "Release VERSION (YYYY-MM-DD)", then its items.
file(READ ${PROJECT_SOURCE_DIR}/NEWS changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)
set(heading "Release ([0-9.]+) [(]([0-9]+-[0-9]+-[0-9]+)[)]\n")
string(REGEX MATCHALL "${heading}" releases "${changelog}")
string(REGEX MATCH "^${heading}" top "${changelog}")
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

# The Debian changelog: each release of NEWS as Debian writes it, signed at the release's time,
# and the earlier ones, of which NEWS gives the day alone, at midnight of their day.
set(ENV{SOURCE_DATE_EPOCH} ${release_time})
string(TIMESTAMP release_date "%Y-%m-%d" UTC)
string(TIMESTAMP signed "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(earlier OFF)
foreach(release IN LISTS releases)
    string(REGEX MATCH "${heading}" release "${release}")
    set(entry "${PROJECT_NAME} (${CMAKE_MATCH_1}) unstable; urgency=medium\n")
    if(earlier)
        string(PREPEND entry " -- ${PACKAGE_CONTACT}  ${signed}\n\n")
        days_since_1970(${CMAKE_MATCH_2} days)
        math(EXPR midnight "${days} * 86400")
        set(ENV{SOURCE_DATE_EPOCH} ${midnight})
        string(TIMESTAMP signed "%a, %d %b %Y %H:%M:%S +0000" UTC)
    endif()
    string(REPLACE "${release}" "${entry}" changelog "${changelog}")
    set(earlier ON)
endforeach()
set(ENV{SOURCE_DATE_EPOCH} ${release_time})
string(APPEND changelog "\n -- ${PACKAGE_CONTACT}  ${signed}\n")
file(WRITE ${PROJECT_BINARY_DIR}/changelog.Debian "${changelog}")
