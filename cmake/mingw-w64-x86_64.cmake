# Cross-compiles for 64-bit Windows with Debian's mingw-w64 toolchain.
#
# The -posix compilers are the ones with std::thread (GoogleTest needs it);
# the default win32 thread model has none. Everything is linked statically so
# the programs run on a bare Windows, or under wine, without the toolchain's
# DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLMAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLMAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLMAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLMAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and the demo-disk generator run under wine at build and test time.
find_program(QUILLMAR_WINE NAMES wine64 wine)
if(QUILLMAR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLMAR_WINE})
endif()

# Header-only and portable, so the host's copy serves the target as well.
set(QUILLMAR_NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "nlohmann/json headers to copy into the build")
# Debian ships GoogleTest as sources; the cross build compiles them itself.
set(QUILLMAR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
