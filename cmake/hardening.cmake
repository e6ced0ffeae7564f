# How every program of a project that includes this is compiled and linked: hardened, as the
# OpenSSF's compiler options guide asks of a program that reads whatever it is sent, and, on Linux,
# static, so that it stands alone and starts quickly. HARDEN off leaves the hardening to a
# packager's own flags.
option(HARDEN "Harden the programs with the compiler's and linker's protections" ON)
option(LINK_STATIC "Link the C and C++ runtimes into the programs" ON)
include(CheckCompilerFlag)
include(CheckLinkerFlag)
include(CheckSourceCompiles)
if(CMAKE_CXX_COMPILER_LOADED)
    set(language CXX)
    set(program "#include <iostream>\nint main() { std::cout << 1.0; }")
else()
    set(language C)
    set(program "#include <stdio.h>\nint main(void) { return printf(\"%f\", 1.0) < 0; }")
endif()

set(hardened OFF)
if(HARDEN AND CMAKE_${language}_COMPILER_ID MATCHES "GNU|Clang")
    set(hardened ON)
endif()

set(compile)
# A flag the compiler only warns about (Clang, of a flag for another processor) is refused.
set(CMAKE_REQUIRED_FLAGS -Werror)
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
        add_link_options(-fstack-protector-strong -Wl,--dynamicbase,--high-entropy-va,--nxcompat)
    else()
        list(APPEND compile $<${optimised}:-U_FORTIFY_SOURCE> $<${optimised}:-D_FORTIFY_SOURCE=3>
             -fstack-clash-protection)
        add_link_options(-Wl,-z,relro,-z,now -Wl,-z,noexecstack)
        set(CMAKE_POSITION_INDEPENDENT_CODE ON)
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
add_compile_options("$<$<COMPILE_LANGUAGE:${language}>:${compile}>")

set(linked_static OFF)
if(LINK_STATIC AND NOT WIN32)
    # Loaded at a random address, as a hardened program is; a position-independent program
    # relocates itself at every start, and packed relocations and dropped sections keep that
    # cheap. Debian's linker for arm64 takes no packed relocations, and only warns.
    if(hardened)
        set(static -static-pie)
    else()
        set(static -static)
    endif()
    string(MAKE_C_IDENTIFIER "LINKS${static}" links_static)
    set(CMAKE_REQUIRED_LINK_OPTIONS ${static})
    check_source_compiles(${language} "${program}" ${links_static})
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    check_linker_flag(${language} -Wl,--fatal-warnings,-z,pack-relative-relocs PACKED_RELOCATIONS)
    if(${links_static})
        add_link_options(${static} -Wl,--gc-sections
                         $<$<BOOL:${PACKED_RELOCATIONS}>:-Wl,-z,pack-relative-relocs>)
        set(linked_static ON)
    else()
        message(WARNING "The static C and C++ libraries are missing (Debian: libc6-dev, "
                        "libstdc++-dev): the programs are linked against the shared ones.")
    endif()
endif()
if(hardened AND NOT WIN32 AND NOT linked_static)
    add_link_options(-pie)
endif()
