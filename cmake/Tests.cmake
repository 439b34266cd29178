# GoogleTest binaries, one per subsystem, discovered by ctest. The shared helpers
# (virtual units' data, modal-box answerer, clock) live in tests/support.

enable_testing()
find_package (GTest REQUIRED)
include (GoogleTest)

file (GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/support/*.cpp")
dremlor_select_platform_sources (TEST_SUPPORT_SOURCES)
add_library (dremlor_test_support STATIC ${TEST_SUPPORT_SOURCES})
dremlor_precompile_headers (dremlor_test_support GTEST)
target_include_directories (dremlor_test_support PUBLIC "${PROJECT_SOURCE_DIR}/tests")
target_link_libraries (dremlor_test_support
    PUBLIC dremlor_devicelink GTest::gtest
    PRIVATE dremlor_warnings)

# dremlor_add_test_binary (name folder libraries... [FILTER gtest-filter]) builds
# every test source of tests/<folder> into one binary and registers its cases with
# ctest (those the filter lets through, when there is one).
function (dremlor_add_test_binary name folder)
    cmake_parse_arguments (PARSE_ARGV 2 arg "" "FILTER" "")
    file (GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp")
    dremlor_select_platform_sources (sources)
    if (NOT sources)
        return()
    endif()
    add_executable (${name} ${sources})
    target_link_libraries (${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} dremlor_test_support GTest::gtest_main dremlor_warnings)
    dremlor_precompile_headers (${name} GTEST)
    gtest_discover_tests (${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${arg_FILTER}" PROPERTIES LABELS "${folder}")
endfunction()

# GUI test helpers (modal-box answerer and the like) need the GUI modules.
file (GLOB TEST_SUPPORT_GUI_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/support_gui/*.cpp")
dremlor_select_platform_sources (TEST_SUPPORT_GUI_SOURCES)
if (DREMLOR_HAS_GUI AND TEST_SUPPORT_GUI_SOURCES)
    add_library (dremlor_test_support_gui STATIC ${TEST_SUPPORT_GUI_SOURCES})
    dremlor_precompile_headers (dremlor_test_support_gui GTEST)
    target_link_libraries (dremlor_test_support_gui
        PUBLIC dremlor_test_support
        PRIVATE dremlor_warnings)
endif()

# The Windows build runs its tests under Wine: a chosen set of its own.
if (CMAKE_CROSSCOMPILING)
    include (WineTests)
    return()
endif()

# The case that reads a stream past 4 GiB into memory (about 5 GB) runs alone, so that no
# other case's memory competes with it. It skips itself, saying why, where less memory is
# free and in the sanitizer builds, which need not wait for it.
if (DREMLOR_SANITIZE)
    dremlor_add_test_binary (text_tests text dremlor_text)
else()
    dremlor_add_test_binary (text_tests text dremlor_text FILTER "-FrameworkMemoryOutputStream.*")
    add_test (NAME FrameworkMemoryOutputStream.AStreamOfUnknownLengthIsReadWholePast4GiB
              COMMAND text_tests "--gtest_filter=FrameworkMemoryOutputStream.*")
    set_tests_properties (FrameworkMemoryOutputStream.AStreamOfUnknownLengthIsReadWholePast4GiB
                          PROPERTIES LABELS "text;memory" RUN_SERIAL TRUE TIMEOUT 300
                                     SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()
dremlor_add_test_binary (devicelink_tests devicelink dremlor_devicelink)

if (TARGET dremlor_skin)
    dremlor_add_test_binary (skin_tests skin dremlor_skin)
endif()

if (TARGET dremlor_update)
    dremlor_add_test_binary (update_tests update dremlor_update dremlor_text dremlor_test_support_gui FILTER "-HostileNetwork.*")

    # The update's fetches against a name server that never answers and hosts that
    # never speak or trickle, in a network namespace of their own (root, unshare).
    add_test (NAME HostileNetwork.EveryFetchEndsWithinItsLimitsAndIsAbandonedAtOnce
              COMMAND bash "${PROJECT_SOURCE_DIR}/tools/hostile-network.sh"
                      "$<TARGET_FILE:update_tests>" "--gtest_filter=HostileNetwork.*")
    set_tests_properties (HostileNetwork.EveryFetchEndsWithinItsLimitsAndIsAbandonedAtOnce
                          PROPERTIES LABELS "update;netns" TIMEOUT 300)
endif()

if (TARGET dremlor_app)
    dremlor_add_test_binary (app_tests app dremlor_app dremlor_test_support_gui)
endif()

# The project pulled into another build with add_subdirectory: configures and
# compiles one file against the device link (cheap: JUCE is not built).
if (NOT DREMLOR_SANITIZE)
    add_test (NAME DremlorAsSubproject
              COMMAND "${CMAKE_COMMAND}"
                      "-DDREMLOR_SOURCE=${PROJECT_SOURCE_DIR}"
                      "-DWORK_DIR=${PROJECT_BINARY_DIR}/subproject-check"
                      "-DGENERATOR=${CMAKE_GENERATOR}"
                      "-DC_COMPILER=${CMAKE_C_COMPILER}"
                      "-DCXX_COMPILER=${CMAKE_CXX_COMPILER}"
                      -P "${PROJECT_SOURCE_DIR}/tests/subproject/CheckAddSubdirectory.cmake")
    set_tests_properties (DremlorAsSubproject PROPERTIES LABELS build TIMEOUT 300)

    # The same with its tests and benchmarks asked for: configured only.
    add_test (NAME DremlorAsSubprojectWithTests
              COMMAND "${CMAKE_COMMAND}"
                      "-DDREMLOR_SOURCE=${PROJECT_SOURCE_DIR}"
                      "-DWORK_DIR=${PROJECT_BINARY_DIR}/subproject-check-tests"
                      "-DGENERATOR=${CMAKE_GENERATOR}"
                      "-DC_COMPILER=${CMAKE_C_COMPILER}"
                      "-DCXX_COMPILER=${CMAKE_CXX_COMPILER}"
                      -DWITH_TESTS=ON
                      -P "${PROJECT_SOURCE_DIR}/tests/subproject/CheckAddSubdirectory.cmake")
    set_tests_properties (DremlorAsSubprojectWithTests PROPERTIES LABELS build TIMEOUT 300)
endif()
