# The tests of the Windows build, run under Wine (the toolchain's emulator) by ctest,
# on an X display (Wine makes no windows without one, not even the framework's hidden
# message window, so no timer would fire): the device-link tests, the in-process
# send and backup workflows against the emulated units, with the Windows-only tests of
# tests/app, and the update suite. A case Windows cannot do skips itself, saying why
# (ScopedFileSizeLimit).

function (dremlor_add_wine_test_binary name)
    add_executable (${name} ${ARGN})
    target_link_libraries (${name} PRIVATE dremlor_test_support GTest::gtest_main dremlor_warnings)
    dremlor_precompile_headers (${name} GTEST)
endfunction()

# The device-link tests run in one Wine process (about 25 s): every case, the ones
# Windows cannot do skipped by the test itself with the reason.
file (GLOB DEVICELINK_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/devicelink/*.cpp")
dremlor_select_platform_sources (DEVICELINK_TEST_SOURCES)
dremlor_add_wine_test_binary (devicelink_tests ${DEVICELINK_TEST_SOURCES})
target_link_libraries (devicelink_tests PRIVATE dremlor_devicelink)
# Some of its cases time messages to a few milliseconds: it runs alone, away from the
# processor bursts of other tests starting their Wine processes.
add_test (NAME wine.devicelink_tests COMMAND devicelink_tests)
set_tests_properties (wine.devicelink_tests PROPERTIES LABELS wine TIMEOUT 600 RUN_SERIAL TRUE)

if (TARGET dremlor_app AND TARGET dremlor_test_support_gui)
    set (WORKFLOW_TEST_SOURCES)
    foreach (name Environment SendRunTest SendDialogTest SendOutcomeTest KorrinaBackupTest StompraBackupTest
                  ReceiveThreadTest)
        list (APPEND WORKFLOW_TEST_SOURCES "${PROJECT_SOURCE_DIR}/tests/app/${name}.cpp")
    endforeach()
    file (GLOB WINDOWS_APP_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/app/*Windows.cpp")

    dremlor_add_wine_test_binary (app_tests ${WORKFLOW_TEST_SOURCES} ${WINDOWS_APP_TEST_SOURCES})
    target_link_libraries (app_tests PRIVATE dremlor_app dremlor_test_support_gui version)
    add_dependencies (app_tests dremlor_default_skin)

    # A test reads the version resource of the program beside it.
    target_compile_definitions (app_tests PRIVATE DREMLOR_RELEASE_VERSION="${PROJECT_VERSION}")
    if (TARGET Dremlor)
        add_dependencies (app_tests Dremlor)
    endif()

    # A program that marks that it was started, standing in for a downloaded installer.
    add_executable (dremlor_installer_stand_in "${PROJECT_SOURCE_DIR}/tests/app/installer_stand_in/StandIn.cpp")
    target_link_libraries (dremlor_installer_stand_in PRIVATE dremlor_warnings)
    add_dependencies (app_tests dremlor_installer_stand_in)

    # The Windows-only tests and the workflows: a send to each kind of unit, the Korrina
    # and Stompra backups, the send dialog, and the backup files' names (Windows refuses
    # more names than Linux, so each kind of name is written for real). Under Wine on
    # the bare X server the cases that show many windows and boxes take 10 s to 4 min
    # each where Linux takes under a second; all of them passed in a full run under
    # Wine, but together they would take the test command past its time limit, so the
    # cases below stand for them. Each runs in a Wine process of its own, in parallel.
    set (DREMLOR_WINE_WORKFLOW_CASES
        "InstanceMessenger.*"
        "WindowsPlaces.*"
        "RegularFileReaderWindows.*"
        "SendDialog.*"
        "SendToKorrina.ProgramChangeReachesTheUnitBeforeTheBoxOfABank"
        "FirmwareSend.FpgaNeeds1403AndReportsAnUpToDateFpga"
        "KorrinaBackup.FullRunReceivesBanksSystemAndEveryUserCab"
        "KorrinaBackup.ControlsAreGreyedWhileATransferRuns"
        "StompraBackup.ThousandBytesWithOrdinaryMessagesAreSavedByteForByte"
        "StompraBackup.BeginOpensThePageOnlyForAStompraOnTheReceivePage"
        "StompraDumpFile.*"
        "ReceiveThreadFiles.*")
    list (JOIN DREMLOR_WINE_WORKFLOW_CASES ":" workflowFilter)

    # The program itself under Wine: its window, the device chosen and a preset sent to
    # the emulated unit, a refused second start, a clean end.
    add_test (NAME wine.e2e_window
              COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_wine_window.sh"
                      "$<TARGET_FILE:Dremlor>" "${PROJECT_BINARY_DIR}/e2e-artifacts")
    set_tests_properties (wine.e2e_window PROPERTIES LABELS wine TIMEOUT 180 RUN_SERIAL TRUE)

    gtest_discover_tests (app_tests
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        TEST_PREFIX "wine."
        TEST_FILTER "${workflowFilter}"
        PROPERTIES LABELS wine TIMEOUT 300)
endif()

# The update suite: the feed check, the download, the replace and the cancel against
# the loopback web server, through libcurl over Windows' own TLS, each case in a Wine
# process of its own. The HostileNetwork cases need a Linux network namespace and stay
# there. The user's proxy case sets a proxy in the prefix's Internet Settings while it
# runs, so it runs alone: no other test's fetch may meet that proxy.
if (TARGET dremlor_update AND TARGET dremlor_test_support_gui)
    file (GLOB UPDATE_TEST_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/update/*.cpp")
    dremlor_select_platform_sources (UPDATE_TEST_SOURCES)
    dremlor_add_wine_test_binary (update_tests ${UPDATE_TEST_SOURCES})
    target_link_libraries (update_tests PRIVATE dremlor_update dremlor_text dremlor_test_support_gui)
    add_dependencies (update_tests dremlor_default_skin)

    gtest_discover_tests (update_tests
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        TEST_PREFIX "wine."
        TEST_FILTER "-HostileNetwork.*:UserProxy.*"
        PROPERTIES LABELS wine TIMEOUT 300)

    add_test (NAME wine.UserProxy COMMAND update_tests "--gtest_filter=UserProxy.*")
    set_tests_properties (wine.UserProxy PROPERTIES LABELS wine TIMEOUT 300 RUN_SERIAL TRUE)
endif()

# The fuzz targets' seed corpora, each run once through its parser (no fuzzing): a bad
# input gets the same refusal on Windows as on Linux, and none crashes. All targets
# share one driver executable (one link instead of one per target): each target's
# LLVMFuzzerTestOneInput is renamed dremlor_fuzz_<name> when compiled here, and the
# generated CorpusTargets.h lists the renamed entry points for the driver to pick
# from by name. Each corpus still runs in a process of its own.
file (GLOB FUZZ_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/fuzz/*.cpp")
set (CORPUS_SOURCES)
set (CORPUS_DECLARATIONS)
set (CORPUS_ENTRIES)
foreach (source ${FUZZ_SOURCES})
    get_filename_component (fuzz_name "${source}" NAME_WE)
    set (corpus "${PROJECT_SOURCE_DIR}/fuzz/corpus/${fuzz_name}")
    if (NOT IS_DIRECTORY "${corpus}")
        continue()
    endif()
    list (APPEND CORPUS_SOURCES "${source}")
    set_source_files_properties ("${source}" PROPERTIES
        COMPILE_DEFINITIONS "LLVMFuzzerTestOneInput=dremlor_fuzz_${fuzz_name}")
    string (APPEND CORPUS_DECLARATIONS "extern \"C\" int dremlor_fuzz_${fuzz_name} (const uint8_t*, size_t);\n")
    string (APPEND CORPUS_ENTRIES "    { \"${fuzz_name}\", dremlor_fuzz_${fuzz_name} },\n")
    # Wine shows the build machine's root as drive Z:.
    add_test (NAME wine.corpus_${fuzz_name} COMMAND corpus_driver ${fuzz_name} "Z:${corpus}")
    set_tests_properties (wine.corpus_${fuzz_name} PROPERTIES LABELS wine TIMEOUT 300)
endforeach()

if (CORPUS_SOURCES)
    set (corpusTargetsHeader "${PROJECT_BINARY_DIR}/corpus_driver/CorpusTargets.h")
    file (CONFIGURE OUTPUT "${corpusTargetsHeader}" @ONLY CONTENT [=[
// Generated by cmake/WineTests.cmake: the fuzz targets linked into corpus_driver.
#pragma once
#include <cstddef>
#include <cstdint>

@CORPUS_DECLARATIONS@
struct CorpusTarget
{
    const char* name;
    int (*entry) (const uint8_t* data, size_t size);
};

const CorpusTarget corpusTargets[] =
{
@CORPUS_ENTRIES@};
]=])
    add_executable (corpus_driver ${CORPUS_SOURCES} "${PROJECT_SOURCE_DIR}/fuzz/corpus_driver/CorpusDriver.cpp")
    target_include_directories (corpus_driver PRIVATE "${PROJECT_BINARY_DIR}/corpus_driver")
    target_link_libraries (corpus_driver PRIVATE dremlor_devicelink dremlor_warnings)
    dremlor_precompile_headers (corpus_driver)
    foreach (library dremlor_skin dremlor_sendfile dremlor_update)
        if (TARGET ${library})
            target_link_libraries (corpus_driver PRIVATE ${library})
        endif()
    endforeach()
endif()
