# hardening.cmake, included by a project that enables C or C++. Takes the options HARDEN and
# LINK_STATIC; gives the INTERFACE library `hardening`, which a program links to be compiled and
# linked hardened, as the OpenSSF's compiler options guide asks of a program that reads whatever
# it is sent, and, on Linux, statically, so that it stands alone and starts quickly; and
# linked_static, ON where the C library is linked in too. HARDEN off leaves the hardening to a
# packager's own flags.
option(HARDEN "Harden the programs with the compiler's and linker's protections" ON)
option(LINK_STATIC "Link the C and C++ runtimes into the programs" ON)
include(CheckCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)
set(language C)
if(CMAKE_CXX_COMPILER_LOADED)
    set(language CXX)
endif()
add_library(hardening INTERFACE)
set(hardened OFF)
if(HARDEN AND CMAKE_${language}_COMPILER_ID MATCHES "GNU|Clang")
    set(hardened ON)
endif()

# A flag the compiler only warns about (Clang, of a flag for another processor) is refused.
set(CMAKE_REQUIRED_FLAGS -Werror)
set(compile)
if(hardened)
    list(APPEND compile -Wformat=2 -Wimplicit-fallthrough -Werror=format-security
         -fstack-protector-strong -fno-delete-null-pointer-checks -fno-strict-overflow
         -fno-strict-aliasing -D_GLIBCXX_ASSERTIONS)
    # Clang before 16 takes it only behind a flag that says it will go away.
    check_compiler_flag(${language} -ftrivial-auto-var-init=zero AUTO_VAR_INIT)
    if(AUTO_VAR_INIT)
        list(APPEND compile -ftrivial-auto-var-init=zero)
    endif()
    # Checked calls need the optimiser. Options come after the user's flags, so a packager's own
    # _FORTIFY_SOURCE is taken back before ours is set, and not redefined.
    set(optimised $<NOT:$<CONFIG:Debug>>)
    if(WIN32)
        # mingw-w64 checks both in libssp, which the toolchain links in. Windows probes every
        # page of a large stack frame anyway; GCC has neither Control Flow Guard nor CET for it.
        list(APPEND compile $<${optimised}:-U_FORTIFY_SOURCE> $<${optimised}:-D_FORTIFY_SOURCE=2>)
        target_link_options(hardening INTERFACE -fstack-protector-strong
                            -Wl,--dynamicbase,--high-entropy-va,--nxcompat)
    else()
        list(APPEND compile $<${optimised}:-U_FORTIFY_SOURCE> $<${optimised}:-D_FORTIFY_SOURCE=3>
             -fstack-clash-protection)
        target_link_options(hardening INTERFACE -Wl,-z,relro,-z,now -Wl,-z,noexecstack)
        # Loaded at a random address.
        check_pie_supported(LANGUAGES ${language})
        set_property(TARGET hardening PROPERTY INTERFACE_POSITION_INDEPENDENT_CODE ON)
        # Branch protection for our own code. On arm64 its return addresses are signed wherever
        # the processor can; the rest needs every object marked, and Debian's libraries are not.
        foreach(flag IN ITEMS -fcf-protection=full -mbranch-protection=standard)
            string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
            check_compiler_flag(${language} ${flag} ${have})
            if(${have})
                list(APPEND compile ${flag})
            endif()
        endforeach()
    endif()
endif()
unset(CMAKE_REQUIRED_FLAGS)
# Not for the resource compiler.
target_compile_options(hardening INTERFACE "$<$<COMPILE_LANGUAGE:${language}>:${compile}>")

set(linked_static OFF)
if(LINK_STATIC AND NOT WIN32)
    # A position-independent program relocates itself at every start: packed relocations and
    # dropped sections keep that cheap. Debian's linker for arm64 takes no packed relocations,
    # and only warns.
    set(static -static)
    if(hardened)
        set(static -static-pie)
    endif()
    string(MAKE_C_IDENTIFIER "LINKS${static}" links_static)
    check_linker_flag(${language} ${static} ${links_static})
    check_linker_flag(${language} -Wl,--fatal-warnings,-z,pack-relative-relocs PACKED_RELOCATIONS)
    if(${links_static})
        set(linked_static ON)
        # Among the libraries, the last on the line: CMake's own -pie comes later than the link
        # options, and after -static-pie it would make the program dynamic again.
        target_link_libraries(hardening INTERFACE ${static} -Wl,--gc-sections
                              $<$<BOOL:${PACKED_RELOCATIONS}>:-Wl,-z,pack-relative-relocs>)
    else()
        # Debian's C library is static-pie only on amd64, arm64 and i386: elsewhere a hardened
        # program loads it, and it alone, at its random address.
        target_link_libraries(hardening INTERFACE -static-libstdc++ -static-libgcc)
        message(STATUS "No ${static} here: the C library is linked dynamically.")
    endif()
endif()
