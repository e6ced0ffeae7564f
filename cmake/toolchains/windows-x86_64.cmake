# 64-bit Windows with Debian's mingw-w64 (win32 threads). Gives the compilers, linked against
# the Universal C Runtime, and Wine to run what they build (wine-run, beside this file).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# mingw-w64 links the old msvcrt.dll, whose scanf_s refuses nan, inf and hexadecimal numbers.
# The same compiler's specs with the Universal C Runtime in its place give what the platform's
# own compiler links since 2015, and with the UCRT's mathematical functions ahead of libmingwex's.
# dlltool names its symbols after the path it is given, so the library gets a bare name, and the
# build's folder stays out of the executable.
execute_process(COMMAND x86_64-w64-mingw32-dlltool -d ${CMAKE_CURRENT_LIST_DIR}/ucrt-math.def
                        -l libucrt-math.a
                WORKING_DIRECTORY ${CMAKE_BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs
                OUTPUT_VARIABLE specs COMMAND_ERROR_IS_FATAL ANY)
foreach(library IN ITEMS msvcrt mingwex)
    if(NOT specs MATCHES " -l${library} ")
        message(FATAL_ERROR "The specs of ${CMAKE_CXX_COMPILER} link no ${library}, which the "
                            "Universal C Runtime was to replace.")
    endif()
endforeach()
string(REPLACE " -lmsvcrt " " -lucrt " specs "${specs}")
string(REPLACE " -lmingwex " " -lucrt-math -lmingwex " specs "${specs}")
file(WRITE ${CMAKE_BINARY_DIR}/ucrt.specs "${specs}")
set(CMAKE_C_FLAGS_INIT "\"-specs=${CMAKE_BINARY_DIR}/ucrt.specs\"")
set(CMAKE_CXX_FLAGS_INIT "${CMAKE_C_FLAGS_INIT}")
# Standalone: every library that has a static form is linked in (the C++ runtime, libgcc, the
# stack protector's libssp), and only the system's own DLLs are imported. No time of the build
# in the executable. The linker orders the import tables by the path of the library each comes
# from: ours is found in a folder written with a second leading slash, so that it sorts before
# every system library's path in any folder, not only in those that sort before /usr.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp \"-L/${CMAKE_BINARY_DIR}\"")

set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wine)
