# Google Benchmark targets, one binary per subsystem; never run by the tests.

# They link the test helpers, so they need the tests as well.
if (NOT DREMLOR_BUILD_BENCHMARKS OR NOT TARGET dremlor_test_support)
    return()
endif()

find_package (benchmark REQUIRED)

function (dremlor_add_benchmark name)
    file (GLOB sources CONFIGURE_DEPENDS ${ARGN})
    if (NOT sources)
        return()
    endif()
    add_executable (${name} ${sources})
    target_link_libraries (${name} PRIVATE dremlor_test_support benchmark::benchmark benchmark::benchmark_main dremlor_warnings)
endfunction()

dremlor_add_benchmark (devicelink_bench "${PROJECT_SOURCE_DIR}/bench/devicelink/*.cpp")

# The Windows build measures the device link only (run under Wine by hand).
if (CMAKE_CROSSCOMPILING)
    return()
endif()

if (TARGET dremlor_skin)
    dremlor_add_benchmark (skin_bench "${PROJECT_SOURCE_DIR}/bench/skin/*.cpp")
    if (TARGET skin_bench)
        target_link_libraries (skin_bench PRIVATE dremlor_skin)
    endif()
endif()

# The installer download over loopback, served by the tests' HTTP server.
if (TARGET dremlor_update)
    dremlor_add_benchmark (update_bench "${PROJECT_SOURCE_DIR}/bench/update/*.cpp")
    if (TARGET update_bench)
        target_link_libraries (update_bench PRIVATE dremlor_update)
    endif()
endif()

# The application's own work that needs no window (the send file's bytes), and any
# benchmark of the main dialog's paths.
if (TARGET dremlor_app)
    dremlor_add_benchmark (app_bench "${PROJECT_SOURCE_DIR}/bench/app/*.cpp")
    if (TARGET app_bench)
        target_link_libraries (app_bench PRIVATE dremlor_app)
        dremlor_precompile_headers (app_bench GTEST)
        if (TARGET dremlor_test_support_gui)
            target_link_libraries (app_bench PRIVATE dremlor_test_support_gui)
        endif()
    endif()
endif()
