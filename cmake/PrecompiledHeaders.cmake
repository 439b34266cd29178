# Most of the time of compiling one of the project's files goes into the framework's
# module headers (and GoogleTest's, for the tests). They are compiled once into a
# precompiled header that the project's targets share.
#
#   dremlor_precompile_headers (target [GTEST])
#     GTEST for the targets that use GoogleTest (and carry its definitions).
#
# A precompiled header is only usable with the flags it was made with, so there is
# one per kind of target: libraries (position-independent code) and programs
# (position-independent executables), each with and without GoogleTest (whose
# definitions its users carry). Each is made by a small object library of its own
# whose flags are those of the targets that reuse it. The libraries that carry the
# fuzzing instrumentation (DREMLOR_FUZZED_LIBRARIES) have flags of their own, and so
# headers of their own, in the fuzzing build.

option (DREMLOR_PRECOMPILE_HEADERS "Precompile the framework's headers" ON)

# A cached compile that used a precompiled header is reused only when ccache is told
# that the header's macros and time stamps may be trusted.
set (DREMLOR_CCACHE_SLOPPINESS "pch_defines,time_macros")

set (DREMLOR_PRECOMPILED_HEADERS
    <juce_audio_devices/juce_audio_devices.h>
    <juce_gui_extra/juce_gui_extra.h>)

function (dremlor_add_header_options target)
    # clang stamps the header's build time into it, which would make every cached
    # compile that uses it a miss.
    if (CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options (${target} PRIVATE "SHELL:-Xclang -fno-pch-timestamp")
    endif()
endfunction()

function (dremlor_precompile_headers target)
    if (NOT DREMLOR_PRECOMPILE_HEADERS)
        return()
    endif()

    cmake_parse_arguments (PARSE_ARGV 1 arg "GTEST" "" "")
    get_target_property (type ${target} TYPE)

    if (DREMLOR_BUILD_FUZZERS AND target IN_LIST DREMLOR_FUZZED_LIBRARIES)
        target_precompile_headers (${target} PRIVATE ${DREMLOR_PRECOMPILED_HEADERS})
        dremlor_add_header_options (${target})
        return()
    endif()

    set (carrier dremlor_headers)
    if (type STREQUAL "EXECUTABLE")
        string (APPEND carrier "_programs")
    else()
        string (APPEND carrier "_libraries")
    endif()
    if (arg_GTEST)
        string (APPEND carrier "_gtest")
    endif()

    if (NOT TARGET ${carrier})
        set (source "${PROJECT_BINARY_DIR}/${carrier}.cpp")
        # Written only when missing, so that configuring again rebuilds nothing.
        file (CONFIGURE OUTPUT "${source}" CONTENT "")
        add_library (${carrier} OBJECT "${source}")
        set (headers ${DREMLOR_PRECOMPILED_HEADERS})
        target_link_libraries (${carrier} PRIVATE dremlor_juce dremlor_warnings)
        if (arg_GTEST)
            target_link_libraries (${carrier} PRIVATE GTest::gtest)
            list (APPEND headers <gtest/gtest.h>)
        endif()
        if (type STREQUAL "EXECUTABLE")
            # An object library is compiled as for a shared library; programs are not.
            set_target_properties (${carrier} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
            target_compile_options (${carrier} PRIVATE ${CMAKE_CXX_COMPILE_OPTIONS_PIE})
        endif()
        target_precompile_headers (${carrier} PRIVATE ${headers})
        dremlor_add_header_options (${carrier})
    endif()

    target_precompile_headers (${target} REUSE_FROM ${carrier})
endfunction()
