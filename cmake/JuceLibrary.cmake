# Compiles the JUCE modules the system uses once, into the static library
# dremlor_juce that the app, the tests, the benchmarks and the fuzz targets link.
# Every build, the thread-sanitizer one included, has the GUI modules, so the
# program's threads (download, update check, send, receive) run under TSan too.
# The framework is Debian's, with the project's patch (cmake/JuceSources.cmake).

include (JuceSources)

set (DREMLOR_JUCE_MODULES
    juce::juce_core
    juce::juce_events
    juce::juce_data_structures
    juce::juce_audio_basics
    juce::juce_audio_devices
    juce::juce_graphics
    juce::juce_gui_basics
    juce::juce_gui_extra)

set (DREMLOR_HAS_GUI ON)

# What differs between the platforms (definitions, the libraries JUCE is built
# against) lives in one small file per platform; each sets DREMLOR_JUCE_PLATFORM_LIBRARIES
# and DREMLOR_JUCE_PLATFORM_DEFINITIONS.
if (WIN32)
    include (JucePlatformWindows)
else()
    include (JucePlatformLinux)
endif()

add_library (dremlor_juce STATIC)

target_link_libraries (dremlor_juce
    PRIVATE
        ${DREMLOR_JUCE_MODULES}
    PUBLIC
        juce::juce_recommended_config_flags
        ${DREMLOR_JUCE_PLATFORM_LIBRARIES})

target_compile_definitions (dremlor_juce
    PUBLIC
        JUCE_WEB_BROWSER=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_STRICT_REFCOUNTEDPOINTER=1
        ${DREMLOR_JUCE_PLATFORM_DEFINITIONS}
        DREMLOR_HAS_GUI=$<BOOL:${DREMLOR_HAS_GUI}>
    INTERFACE
        $<TARGET_PROPERTY:dremlor_juce,COMPILE_DEFINITIONS>)

target_include_directories (dremlor_juce
    INTERFACE
        $<TARGET_PROPERTY:dremlor_juce,INCLUDE_DIRECTORIES>)

# Extra compile options for the framework's own sources only. The address-sanitizer
# build compiles them unoptimised: its undefined-behaviour checks make an optimising
# compile of the framework four times slower, while the project's own code (and the
# framework's templates it instantiates) keep their optimisation.
set (DREMLOR_JUCE_COMPILE_OPTIONS "" CACHE STRING "Extra compile options for the framework's own sources")
target_compile_options (dremlor_juce PRIVATE ${DREMLOR_JUCE_COMPILE_OPTIONS})

set_target_properties (dremlor_juce PROPERTIES
    POSITION_INDEPENDENT_CODE TRUE
    VISIBILITY_INLINES_HIDDEN TRUE
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden)
