# The tests of the Windows build, run under Wine (the toolchain's emulator) by ctest:
# the device-link tests and the in-process send and backup workflows against the
# emulated units, with the Windows-only tests of tests/app. GoogleTest lists the cases
# under Wine when ctest starts, so each case shows in ctest's output. A case that
# fails only because of a limit of Wine skips there, naming it (see WineCheck).

function (dremlor_add_wine_test_binary name)
    add_executable (${name} ${ARGN})
    target_link_libraries (${name} PRIVATE dremlor_test_support GTest::gtest_main dremlor_warnings)
    gtest_discover_tests (${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        TEST_PREFIX "wine."
        PROPERTIES LABELS wine TIMEOUT 300)
endfunction()

file (GLOB DEVICELINK_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/devicelink/*.cpp")
dremlor_select_platform_sources (DEVICELINK_TEST_SOURCES)
dremlor_add_wine_test_binary (devicelink_tests ${DEVICELINK_TEST_SOURCES})
target_link_libraries (devicelink_tests PRIVATE dremlor_devicelink)

if (TARGET dremlor_app AND TARGET dremlor_test_support_gui)
    set (WORKFLOW_TEST_SOURCES)
    foreach (name Environment SendRunTest SendDialogTest SendOutcomeTest KorrinaBackupTest StompraBackupTest)
        list (APPEND WORKFLOW_TEST_SOURCES "${PROJECT_SOURCE_DIR}/tests/app/${name}.cpp")
    endforeach()
    file (GLOB WINDOWS_APP_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/app/*Windows.cpp")

    dremlor_add_wine_test_binary (app_tests ${WORKFLOW_TEST_SOURCES} ${WINDOWS_APP_TEST_SOURCES})
    target_link_libraries (app_tests PRIVATE dremlor_app dremlor_test_support_gui)
    add_dependencies (app_tests dremlor_default_skin)

    # A program that marks that it was started, standing in for a downloaded installer.
    add_executable (dremlor_installer_stand_in "${PROJECT_SOURCE_DIR}/tests/app/installer_stand_in/StandIn.cpp")
    target_link_libraries (dremlor_installer_stand_in PRIVATE dremlor_warnings)
    add_dependencies (app_tests dremlor_installer_stand_in)
endif()
