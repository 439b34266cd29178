# End-to-end runs of the real program under a private Xvfb with the emulated Korrina.
# They share the system-wide single-instance lock, so they run one at a time.
set (DREMLOR_E2E_ARTIFACTS "${PROJECT_BINARY_DIR}/e2e-artifacts")

# A start with a home folder and an argument whose bytes are not UTF-8, and a clean
# end. Labelled "start", not "e2e", so the address-sanitizer build, which registers
# no other end-to-end run, runs it too; its single-instance socket is its own, so it
# runs beside other tests (but not beside another start of the program).
add_test (NAME e2e_start_with_odd_bytes
          COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_start_with_odd_bytes.sh"
                  "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}")
# The framework's single-instance lock is one for the whole machine (in /var/tmp), so
# the runs that start the program never go beside one another.
set_tests_properties (e2e_start_with_odd_bytes PROPERTIES LABELS start TIMEOUT 120 RESOURCE_LOCK dremlor_program)

# Entries of a preset folder that are not regular files (links to devices, a named
# pipe) chosen through Browse: each refused with a box, Browse answering after it.
# Labelled "start" too, with a single-instance socket of its own, so the sanitizer
# build runs it as well.
add_test (NAME e2e_refuse_entries_not_files
          COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_refuse_entries_not_files.sh"
                  "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}")
set_tests_properties (e2e_refuse_entries_not_files PROPERTIES LABELS start TIMEOUT 300 RESOURCE_LOCK dremlor_program)

if (DREMLOR_SANITIZE)
    return()
endif()

foreach (scenario window_geometry second_instance connect_korrina close_settings_unwritable no_display launch_without_midi
                  choose_file send_bank update_offer update_offer_during_send)
    add_test (NAME e2e_${scenario}
              COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_${scenario}.sh"
                      "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}")
    set_tests_properties (e2e_${scenario} PROPERTIES RUN_SERIAL TRUE LABELS e2e TIMEOUT 120)
endforeach()

# A Stompra dump recorded end to end: the run compares the saved file with what the
# emulated unit sends, which dremlor_e2e_unit_dump writes out.
add_executable (dremlor_e2e_unit_dump "${PROJECT_SOURCE_DIR}/tests/e2e/UnitDumpTool.cpp")
target_link_libraries (dremlor_e2e_unit_dump PRIVATE dremlor_devicelink dremlor_warnings)

add_test (NAME e2e_backup_stompra
          COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_backup_stompra.sh"
                  "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}" "$<TARGET_FILE:dremlor_e2e_unit_dump>")
set_tests_properties (e2e_backup_stompra PROPERTIES RUN_SERIAL TRUE LABELS e2e TIMEOUT 120)

# Korrina Grand backups end to end: the run compares the saved files with what the
# emulated unit sends for the same requests, which dremlor_e2e_korrina_dump writes out.
add_executable (dremlor_e2e_korrina_dump "${PROJECT_SOURCE_DIR}/tests/e2e/KorrinaDumpTool.cpp")
target_link_libraries (dremlor_e2e_korrina_dump PRIVATE dremlor_devicelink dremlor_warnings)

add_test (NAME e2e_backup_korrina
          COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_backup_korrina.sh"
                  "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}" "$<TARGET_FILE:dremlor_e2e_korrina_dump>")
set_tests_properties (e2e_backup_korrina PROPERTIES RUN_SERIAL TRUE LABELS e2e TIMEOUT 180)
