# The framework's sources: Debian's JUCE 7.0.5 (juce-modules-source) with the one patch
# the project carries, cmake/patches/juce-utf8-bounds.patch. As shipped, the framework's
# UTF-8 text functions count one way and copy or step another, so a file name, an
# environment variable or an argument that is not well-formed UTF-8 (an overlong zero,
# a lead byte before the null) is copied past the end of its buffer; the patch makes
# them memory-safe for any bytes and keeps the bytes as they are. The same patch lets
# the memory stream (juce_MemoryOutputStream.cpp) grow past 4 GiB, where as shipped it
# writes on past its block (README.md, "The framework").
#
# The installed modules are never changed. At configure time they are copied into the
# build folder, the patch is applied to the copy, and the package's own CMake
# configuration is read with its module folder pointed at the copy; so every build (the
# sanitizer builds, the normal one, the Windows one, the text check's compile database,
# benchmarks and fuzz targets) compiles the same patched framework. The copy is made
# again when the patch or the installed modules change.
#
# DREMLOR_PATCH_JUCE=OFF builds against the modules as Debian ships them: for showing
# what the patch mends (its tests fail there) and for timing it. Never for a release.

option (DREMLOR_PATCH_JUCE "Build the framework with the project's patch (OFF only to compare)" ON)

# Debian's package configuration: on the build machine, also for a cross build, whose
# package describes sources and the build machine's juceaide, not Windows binaries.
if (NOT JUCE_DIR)
    file (GLOB DREMLOR_JUCE_PACKAGE_DIRS /usr/lib/*/cmake/JUCE-* /usr/lib/cmake/JUCE-*)
    if (NOT DREMLOR_JUCE_PACKAGE_DIRS)
        message (FATAL_ERROR "JUCE's CMake package was not found: install juce-modules-source (tools/setup.sh)")
    endif()
    list (GET DREMLOR_JUCE_PACKAGE_DIRS 0 DREMLOR_JUCE_PACKAGE_DIR)
    set (JUCE_DIR "${DREMLOR_JUCE_PACKAGE_DIR}" CACHE PATH "JUCE's CMake package" FORCE)
endif()

if (NOT DREMLOR_PATCH_JUCE)
    find_package (JUCE CONFIG REQUIRED)
    return()
endif()

# The package's configuration is not run as it is: it adds every module from the
# installed folder.
file (READ "${JUCE_DIR}/JUCEConfig.cmake" DREMLOR_JUCE_CONFIG)
if (NOT DREMLOR_JUCE_CONFIG MATCHES "set\\(JUCE_MODULES_DIR \"([^\"]+)\"")
    message (FATAL_ERROR "${JUCE_DIR}/JUCEConfig.cmake does not name its module folder")
endif()
set (DREMLOR_JUCE_INSTALLED_MODULES "${CMAKE_MATCH_1}")

set (DREMLOR_JUCE_PATCH "${PROJECT_SOURCE_DIR}/cmake/patches/juce-utf8-bounds.patch")
set (DREMLOR_JUCE_COPY "${PROJECT_BINARY_DIR}/juce")
set (DREMLOR_JUCE_MODULES_COPY "${DREMLOR_JUCE_COPY}/modules")

# What the copy was made from: the patch, and the installed modules (an update of the
# package rewrites its files, with the package's own times).
set_property (DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
              "${DREMLOR_JUCE_PATCH}" "${DREMLOR_JUCE_INSTALLED_MODULES}/juce_core/juce_core.h")
file (SHA256 "${DREMLOR_JUCE_PATCH}" DREMLOR_JUCE_PATCH_HASH)
file (TIMESTAMP "${DREMLOR_JUCE_INSTALLED_MODULES}/juce_core/juce_core.h" DREMLOR_JUCE_INSTALLED_TIME "%s" UTC)
set (DREMLOR_JUCE_STAMP "${DREMLOR_JUCE_INSTALLED_MODULES} ${DREMLOR_JUCE_INSTALLED_TIME} ${DREMLOR_JUCE_PATCH_HASH}")

set (DREMLOR_JUCE_COPY_STAMP "")
if (EXISTS "${DREMLOR_JUCE_COPY}/stamp" AND EXISTS "${DREMLOR_JUCE_MODULES_COPY}/juce_core/juce_core.h")
    file (READ "${DREMLOR_JUCE_COPY}/stamp" DREMLOR_JUCE_COPY_STAMP)
endif()

if (NOT DREMLOR_JUCE_COPY_STAMP STREQUAL DREMLOR_JUCE_STAMP)
    find_program (DREMLOR_PATCH_PROGRAM patch REQUIRED)
    message (STATUS "Copying ${DREMLOR_JUCE_INSTALLED_MODULES} and applying ${DREMLOR_JUCE_PATCH}")
    file (REMOVE_RECURSE "${DREMLOR_JUCE_COPY}")
    file (COPY "${DREMLOR_JUCE_INSTALLED_MODULES}/" DESTINATION "${DREMLOR_JUCE_MODULES_COPY}")
    execute_process (COMMAND "${DREMLOR_PATCH_PROGRAM}" -p1 --batch --forward --quiet
                             -d "${DREMLOR_JUCE_MODULES_COPY}" -i "${DREMLOR_JUCE_PATCH}"
                     RESULT_VARIABLE DREMLOR_PATCH_RESULT
                     OUTPUT_VARIABLE DREMLOR_PATCH_OUTPUT ERROR_VARIABLE DREMLOR_PATCH_OUTPUT)
    if (NOT DREMLOR_PATCH_RESULT EQUAL 0)
        file (REMOVE_RECURSE "${DREMLOR_JUCE_COPY}")
        message (FATAL_ERROR "${DREMLOR_JUCE_PATCH} does not apply to ${DREMLOR_JUCE_INSTALLED_MODULES}:\n"
                             "${DREMLOR_PATCH_OUTPUT}")
    endif()
    file (WRITE "${DREMLOR_JUCE_COPY}/stamp" "${DREMLOR_JUCE_STAMP}")
endif()

# The package's configuration with the copy for its module folder; its helper scripts
# and juceaide stay where they are installed.
string (REPLACE "${DREMLOR_JUCE_INSTALLED_MODULES}" "${DREMLOR_JUCE_MODULES_COPY}"
        DREMLOR_JUCE_CONFIG "${DREMLOR_JUCE_CONFIG}")
string (REPLACE "\${CMAKE_CURRENT_LIST_DIR}" "${JUCE_DIR}" DREMLOR_JUCE_CONFIG "${DREMLOR_JUCE_CONFIG}")
file (WRITE "${DREMLOR_JUCE_COPY}/JUCEConfig.cmake" "${DREMLOR_JUCE_CONFIG}")
include ("${DREMLOR_JUCE_COPY}/JUCEConfig.cmake")
