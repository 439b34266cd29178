# JUCE on Linux. Debian's JUCE decodes images with the system's libpng and libjpeg
# and speaks HTTP through libcurl (linked directly, not loaded lazily) without naming
# them for the linker: they follow dremlor_juce on every link line. MIDI goes through
# ALSA; JACK is not used.
find_package (CURL REQUIRED)
find_package (PNG REQUIRED)
find_package (JPEG REQUIRED)

set (DREMLOR_JUCE_PLATFORM_LIBRARIES CURL::libcurl PNG::PNG JPEG::JPEG)

set (DREMLOR_JUCE_PLATFORM_DEFINITIONS
    JUCE_USE_CURL=1
    JUCE_LOAD_CURL_SYMBOLS_LAZILY=0
    JUCE_USE_XRANDR=1
    JUCE_USE_XINERAMA=1
    JUCE_ALSA=1
    JUCE_JACK=0)
