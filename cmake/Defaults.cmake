# Language level, warnings and compiler cache shared by every target of the project.

include (PlatformSources)
include (PrecompiledHeaders)

set (CMAKE_CXX_STANDARD 17)
set (CMAKE_CXX_STANDARD_REQUIRED ON)
set (CMAKE_CXX_EXTENSIONS OFF)
set (CMAKE_POSITION_INDEPENDENT_CODE ON)
set (CMAKE_EXPORT_COMPILE_COMMANDS ON)

if (PROJECT_IS_TOP_LEVEL AND NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set (CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_program (CCACHE_PROGRAM ccache)
if (CCACHE_PROGRAM)
    set (CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
    set (CMAKE_CXX_COMPILER_LAUNCHER "${CMAKE_COMMAND}" -E env "CCACHE_SLOPPINESS=${DREMLOR_CCACHE_SLOPPINESS}" "${CCACHE_PROGRAM}")
endif()

# Warning flags for the project's own code (JUCE's sources are compiled without them).
add_library (dremlor_warnings INTERFACE)
target_compile_options (dremlor_warnings INTERFACE -Wall -Wextra)

# Every executable lands in one folder, so the app, the tests and the tools all find
# the generated default skin in bin/Skin beside them.
set (CMAKE_RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")
set (DREMLOR_SKIN_OUTPUT_DIR "${PROJECT_BINARY_DIR}/bin/Skin")
