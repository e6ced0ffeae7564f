# Linux on another processor. Takes CROSS_TRIPLE, the GNU triple of Debian's cross compiler, which
# each linux-ARCH preset sets; gives the compilers, where their libraries are, and qemu's
# user-mode emulation to run what they build.
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${CROSS_TRIPLE}")
set(CMAKE_C_COMPILER ${CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The checks that configuring compiles are made with this file too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CROSS_TRIPLE)

# qemu names two processors in its own way. A program linked dynamically (LINK_STATIC off) finds
# its libraries under -L.
set(qemu ${CMAKE_SYSTEM_PROCESSOR})
if(qemu STREQUAL "i686")
    set(qemu i386)
elseif(qemu STREQUAL "powerpc64le")
    set(qemu ppc64le)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu} -L /usr/${CROSS_TRIPLE})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # The x87 unit rounds each step to its own wider precision; the formulas need double's.
    set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
    set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
endif()
