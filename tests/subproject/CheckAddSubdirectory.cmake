# Run with cmake -P. Configures a small outer project that pulls this repository in
# with add_subdirectory, as a larger build that wants the device link alone would,
# then compiles one source of the outer project against dremlor_devicelink. Only that
# one file is compiled, so the check stays cheap: JUCE is not built. What the device
# link pulls onto a link line is checked too: the text gate, never the skin.
#
# Variables: DREMLOR_SOURCE (this repository), WORK_DIR (scratch folder, emptied),
# GENERATOR, C_COMPILER, CXX_COMPILER. With WITH_TESTS=ON the outer project asks for
# the tests and benchmarks too, and only configures: their files must be found in
# the project's own folder, not in the outer project's.

foreach (required DREMLOR_SOURCE WORK_DIR GENERATOR C_COMPILER CXX_COMPILER)
    if (NOT DEFINED ${required})
        message (FATAL_ERROR "${required} is not set")
    endif()
endforeach()

file (REMOVE_RECURSE "${WORK_DIR}")
file (MAKE_DIRECTORY "${WORK_DIR}/outer")

file (WRITE "${WORK_DIR}/outer/CMakeLists.txt" "
cmake_minimum_required (VERSION 3.22)
project (Outer LANGUAGES C CXX)

set (WITH_TESTS ${WITH_TESTS})

if (WITH_TESTS)
    set (DREMLOR_BUILD_TESTS ON CACHE BOOL \"\")
    set (DREMLOR_BUILD_BENCHMARKS ON CACHE BOOL \"\")
else()
    set (DREMLOR_BUILD_APP OFF CACHE BOOL \"\")
endif()

add_subdirectory (\"${DREMLOR_SOURCE}\" dremlor)

if (NOT TARGET dremlor_devicelink)
    message (FATAL_ERROR \"dremlor_devicelink is missing\")
endif()

if (WITH_TESTS)
    foreach (target app_tests app_bench dremlor_e2e_unit_dump dremlor_e2e_korrina_dump)
        if (NOT TARGET \${target})
            message (FATAL_ERROR \"\${target} is missing when asked for\")
        endif()
    endforeach()
    return()
endif()

# Tests and benchmarks are built by default only when the project is the top level.
foreach (target dremlor_test_support text_tests devicelink_tests skin_tests app_tests devicelink_bench skin_bench Dremlor)
    if (TARGET \${target})
        message (FATAL_ERROR \"\${target} is built although the project is not the top level\")
    endif()
endforeach()

add_executable (outer_tool main.cpp)
target_link_libraries (outer_tool PRIVATE dremlor_devicelink)
")

# Every library on the device link's link line, followed through the libraries it
# links: the text gate is among them; the skin and its GIF decoder are not (libpng
# and libjpeg are, through the framework, which decodes images with them).
file (APPEND "${WORK_DIR}/outer/CMakeLists.txt" [=[
get_target_property (pending dremlor_devicelink LINK_LIBRARIES)
set (reached)
list (LENGTH pending count)
while (count GREATER 0)
    list (POP_FRONT pending library)
    string (REGEX REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1" library "${library}")
    if (NOT library IN_LIST reached)
        list (APPEND reached "${library}")
        if (TARGET "${library}")
            get_target_property (libraries "${library}" INTERFACE_LINK_LIBRARIES)
            if (libraries)
                list (APPEND pending ${libraries})
            endif()
        endif()
    endif()
    list (LENGTH pending count)
endwhile()

if (NOT dremlor_text IN_LIST reached)
    message (FATAL_ERROR "dremlor_devicelink does not link the text gate (dremlor_text)")
endif()

foreach (library dremlor_skin GIF::GIF)
    if (library IN_LIST reached)
        message (FATAL_ERROR "dremlor_devicelink links ${library}")
    endif()
endforeach()
]=])

file (WRITE "${WORK_DIR}/outer/main.cpp" "
#include \"devicelink/SysExMessage.h\"

int main()
{
    const unsigned char bytes[] = { 0xF0, 0x00, 0x6B };
    return SysExMessage::checksum (bytes, 3) == ((0xF0 ^ 0x6B) & 0x7F) ? 0 : 1;
}
")

execute_process (
    COMMAND "${CMAKE_COMMAND}" -S "${WORK_DIR}/outer" -B "${WORK_DIR}/build" -G "${GENERATOR}" -Wno-dev
            "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" -DCMAKE_BUILD_TYPE=Release
    RESULT_VARIABLE configured)

if (NOT configured EQUAL 0)
    message (FATAL_ERROR "Configuring the outer project failed")
endif()

if (WITH_TESTS)
    return()
endif()

execute_process (
    COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" --target CMakeFiles/outer_tool.dir/main.cpp.o
    RESULT_VARIABLE built)

if (NOT built EQUAL 0)
    message (FATAL_ERROR "Compiling against dremlor_devicelink failed")
endif()

message (STATUS "The outer project configured and compiled against dremlor_devicelink")
