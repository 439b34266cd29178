#!/usr/bin/env bash
# A second start ends at once and the running instance shows its notice, titled
# "Dremlor"; afterwards exactly one program is running.
source "$(dirname "$0")/e2e_common.sh"

start_app first
first_pid=$app_pid
wait_for_window "^$appTitle\$" > /dev/null || fail "the first instance showed no window"

"$app" > "$artifacts/app-second.log" 2>&1 &
second_pid=$!
started_pids+=($second_pid)

wait_until "$guardSeconds" eval '! kill -0 "$second_pid" 2>/dev/null' || fail "the second instance is still running"
wait "$second_pid" || true

box="$(wait_for_box)" || fail "the running instance showed no notice"
screenshot second-instance-notice
kill -0 "$first_pid" 2>/dev/null || fail "the first instance is gone"

# Dismiss the notice: the running instance carries on.
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
wait_until_gone "$box" || fail "the notice did not close"
kill -0 "$first_pid" 2>/dev/null || fail "the first instance ended with the notice"
echo "PASS"
