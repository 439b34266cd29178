# Google Benchmark targets, one binary per subsystem; never run by the tests.

if (NOT DREMLOR_BUILD_BENCHMARKS)
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

dremlor_add_benchmark (devicelink_bench "${CMAKE_SOURCE_DIR}/bench/devicelink/*.cpp")

if (TARGET dremlor_skin)
    dremlor_add_benchmark (skin_bench "${CMAKE_SOURCE_DIR}/bench/skin/*.cpp")
    if (TARGET skin_bench)
        target_link_libraries (skin_bench PRIVATE dremlor_skin)
    endif()
endif()

if (TARGET dremlor_app)
    dremlor_add_benchmark (app_bench "${CMAKE_SOURCE_DIR}/bench/app/*.cpp")
    if (TARGET app_bench)
        target_link_libraries (app_bench PRIVATE dremlor_app)
    endif()
endif()
