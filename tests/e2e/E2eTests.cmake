# End-to-end runs of the real program under a private Xvfb with the emulated Korrina.
# They share the system-wide single-instance lock, so they run one at a time.
set (DREMLOR_E2E_ARTIFACTS "${PROJECT_BINARY_DIR}/e2e-artifacts")

foreach (scenario window_geometry second_instance connect_korrina)
    add_test (NAME e2e_${scenario}
              COMMAND bash "${PROJECT_SOURCE_DIR}/tests/e2e/run_${scenario}.sh"
                      "$<TARGET_FILE:Dremlor>" "${DREMLOR_E2E_ARTIFACTS}")
    set_tests_properties (e2e_${scenario} PROPERTIES RUN_SERIAL TRUE LABELS e2e TIMEOUT 120)
endforeach()
