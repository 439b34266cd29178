# Google Benchmark targets, one binary per subsystem; never run by the tests.

# They link the test helpers, so they need the tests as well.
if (NOT DREMLOR_BUILD_BENCHMARKS OR NOT TARGET dremlor_test_support)
    return()
endif()

find_package (benchmark REQUIRED)

# dremlor_add_benchmark (name folder [libraries...]) builds every source of bench/<folder>
# into one binary linked with the libraries; without one of them, or without sources,
# there is no such benchmark.
function (dremlor_add_benchmark name folder)
    foreach (library ${ARGN})
        if (NOT TARGET ${library})
            return()
        endif()
    endforeach()
    file (GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/bench/${folder}/*.cpp")
    if (NOT sources)
        return()
    endif()
    add_executable (${name} ${sources})
    target_link_libraries (${name} PRIVATE ${ARGN} dremlor_test_support benchmark::benchmark benchmark::benchmark_main
                                           dremlor_warnings)
endfunction()

dremlor_add_benchmark (devicelink_bench devicelink)

# The Windows build measures the device link only (run under Wine by hand).
if (CMAKE_CROSSCOMPILING)
    return()
endif()

# The text gate, and the framework's making of text from UTF-8 and its walks over it
# (the project patches them: cmake/JuceSources.cmake).
dremlor_add_benchmark (text_bench text dremlor_text)

dremlor_add_benchmark (skin_bench skin dremlor_skin)

# The installer download over loopback, served by the tests' HTTP server.
dremlor_add_benchmark (update_bench update dremlor_update)

# The application's own work that needs no window (the send file's bytes), and any
# benchmark of the main dialog's paths.
dremlor_add_benchmark (app_bench app dremlor_app)

if (TARGET app_bench)
    dremlor_precompile_headers (app_bench GTEST)
    if (TARGET dremlor_test_support_gui)
        target_link_libraries (app_bench PRIVATE dremlor_test_support_gui)
    endif()
endif()
