# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW64Toolchain.cmake ...
# Libraries cross-built for Windows are looked up in the target's own root and in
# DREMLOR_WINDOWS_PREFIX (tools/build-windows.sh builds them there); programs
# (juceaide, ccache) come from the build machine. Executables run under Wine.

set (CMAKE_SYSTEM_NAME Windows)
set (CMAKE_SYSTEM_PROCESSOR x86_64)

set (DREMLOR_MINGW_TRIPLE x86_64-w64-mingw32)
set (CMAKE_C_COMPILER   ${DREMLOR_MINGW_TRIPLE}-gcc-posix)
set (CMAKE_CXX_COMPILER ${DREMLOR_MINGW_TRIPLE}-g++-posix)
set (CMAKE_RC_COMPILER  ${DREMLOR_MINGW_TRIPLE}-windres)

set (DREMLOR_WINDOWS_PREFIX "" CACHE PATH "Prefix holding the libraries cross-built for Windows")
set (CMAKE_FIND_ROOT_PATH /usr/${DREMLOR_MINGW_TRIPLE} ${DREMLOR_WINDOWS_PREFIX})
set (CMAKE_PREFIX_PATH ${DREMLOR_WINDOWS_PREFIX})
set (CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set (CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set (CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# JUCE's CMake package lives on the build machine and describes sources (and the
# build machine's juceaide), not Windows binaries: it is taken from there
# (cmake/JuceSources.cmake names it).
set (CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The program runs from its folder on a Windows machine that has no MinGW runtime:
# libgcc, libstdc++ and winpthread are linked in.
set (CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# zlib as a static library too: the platform's search order would take the import
# library of zlib1.dll, which a clean Windows does not have.
set (ZLIB_INCLUDE_DIR "/usr/${DREMLOR_MINGW_TRIPLE}/include" CACHE PATH "zlib headers for Windows")
set (ZLIB_LIBRARY "/usr/${DREMLOR_MINGW_TRIPLE}/lib/libz.a" CACHE FILEPATH "Static zlib for Windows")

find_program (DREMLOR_WINE NAMES wine wine64)
if (DREMLOR_WINE)
    set (CMAKE_CROSSCOMPILING_EMULATOR "${DREMLOR_WINE}")
endif()
