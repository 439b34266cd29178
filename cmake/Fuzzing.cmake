# libFuzzer targets: built only with clang in the address-sanitizer build.
# Each fuzz/<name>.cpp becomes fuzz_<name>; its seeds live in fuzz/corpus/<name>.

if (NOT DREMLOR_BUILD_FUZZERS)
    return()
endif()

if (NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message (FATAL_ERROR "The fuzz targets need clang (libFuzzer)")
endif()

# The libraries under test carry coverage counters too, so that the fuzzer is
# guided by the parsers' branches and not only by the harness's own.
foreach (library ${DREMLOR_FUZZED_LIBRARIES})
    if (TARGET ${library})
        target_compile_options (${library} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endforeach()

# Of the framework, the module of text, files and XML (juce_core) carries them too, for
# the target over the framework's text (fuzz/juce_text.cpp). The other modules go
# without: every module so built cost this build's tests a quarter more processor time
# for no more of that target's coverage; juce_core alone costs them a sixteenth.
get_target_property (DREMLOR_JUCE_CORE_SOURCES juce::juce_core INTERFACE_SOURCES)
list (FILTER DREMLOR_JUCE_CORE_SOURCES INCLUDE REGEX "\\.cpp$")
set_source_files_properties (${DREMLOR_JUCE_CORE_SOURCES} TARGET_DIRECTORY dremlor_juce
                             PROPERTIES COMPILE_OPTIONS -fsanitize=fuzzer-no-link)

file (GLOB FUZZ_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/fuzz/*.cpp")
foreach (source ${FUZZ_SOURCES})
    get_filename_component (fuzz_name "${source}" NAME_WE)
    add_executable (fuzz_${fuzz_name} "${source}")
    target_compile_options (fuzz_${fuzz_name} PRIVATE -fsanitize=fuzzer)
    target_link_options (fuzz_${fuzz_name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries (fuzz_${fuzz_name} PRIVATE dremlor_devicelink dremlor_warnings)
    foreach (library dremlor_skin dremlor_sendfile dremlor_update)
        if (TARGET ${library})
            target_link_libraries (fuzz_${fuzz_name} PRIVATE ${library})
        endif()
    endforeach()
endforeach()
