# JUCE on Windows, cross-built with MinGW-w64 (cmake/MinGW64Toolchain.cmake).
# Debian's JUCE sources leave out their own copies of zlib, libpng and libjpeg on
# every platform, so the Windows builds of those libraries (tools/build-windows.sh)
# follow dremlor_juce on every link line, as on Linux. HTTP goes through WinINet and
# MIDI through the Windows multimedia MIDI functions, both part of Windows.
find_package (PNG REQUIRED)
find_package (JPEG REQUIRED)

set (DREMLOR_JUCE_PLATFORM_LIBRARIES PNG::PNG JPEG::JPEG)

set (DREMLOR_JUCE_PLATFORM_DEFINITIONS)
