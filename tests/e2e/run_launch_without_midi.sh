#!/usr/bin/env bash
# tools/launch.sh, which tools/run.sh ends in: without a MIDI system it starts the
# program with the virtual Korrina Grand and Stompra Neo and says so in one line;
# a DREMLOR_VIRTUAL_MIDI of the caller, or a MIDI system, leaves the start as it
# was. The real program so started shows no ALSA errors.
source "$(dirname "$0")/e2e_common.sh"

launch="$(cd "$(dirname "$0")/../.." && pwd)/tools/launch.sh"
notice="starting with the virtual units korrina-grand,stompra-neo; set DREMLOR_VIRTUAL_MIDI to choose others"

# A stand-in program that reports what it was started with.
fake="$scratch/fake-app"
printf '#!/usr/bin/env bash\necho "units=${DREMLOR_VIRTUAL_MIDI-<unset>} args=$*"\n' > "$fake"
chmod +x "$fake"
present="$scratch/seq"
touch "$present"

# case | sequencer | DREMLOR_VIRTUAL_MIDI ("-" for unset) | units the program sees | notice shown
while IFS='|' read -r name sequencer units expected shown; do
    if [ "$units" = "-" ]; then
        out="$(env -u DREMLOR_VIRTUAL_MIDI DREMLOR_ALSA_SEQUENCER="$sequencer" bash "$launch" "$fake" --x 2>&1)"
    else
        out="$(env DREMLOR_VIRTUAL_MIDI="$units" DREMLOR_ALSA_SEQUENCER="$sequencer" bash "$launch" "$fake" --x 2>&1)"
    fi

    [ "$(tail -1 <<< "$out")" = "units=$expected args=--x" ] || fail "$name: program saw: $out"
    if [ "$shown" = yes ]; then
        [ "$(wc -l <<< "$out")" -eq 2 ] && grep -qF "$notice" <<< "$(head -1 <<< "$out")" \
            || fail "$name: expected the one-line notice, got: $out"
    else
        [ "$(wc -l <<< "$out")" -eq 1 ] || fail "$name: expected no notice, got: $out"
    fi
    echo "$name: ok"
done <<TABLE
no MIDI system|$scratch/absent|-|korrina-grand,stompra-neo|yes
caller's units kept|$scratch/absent|korrina|korrina|no
caller's empty choice kept|$scratch/absent|||no
MIDI system present|$present|-|<unset>|no
TABLE

# The real program on this machine, as if no MIDI system were there.
unset DREMLOR_VIRTUAL_MIDI
export DREMLOR_ALSA_SEQUENCER="$scratch/absent"
bash "$launch" "$app" > "$artifacts/launch.out" 2> "$artifacts/launch.err" &
app_pid=$!
started_pids+=($app_pid)

find_main_window
tr '\0' '\n' < "/proc/$app_pid/environ" | grep -qx "DREMLOR_VIRTUAL_MIDI=korrina-grand,stompra-neo" \
    || fail "the program was not started with the virtual units"
[ "$(wc -l < "$artifacts/launch.out")" -eq 1 ] && grep -qF "$notice" "$artifacts/launch.out" \
    || fail "expected the one-line notice, got: $(cat "$artifacts/launch.out")"

# Korrina Grand from the device menu opens its ports; then the input port menu.
choose_device 2
wait_for_browse
click_dialog 300 163
menu="$(wait_for_window '^menu$')" || fail "the input port menu did not open"
screenshot launch-without-midi-ports
xdotool key Escape
wait_until_gone "$menu" || fail "Escape did not close the input port menu"

kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
grep -q "ALSA" "$artifacts/launch.err" && fail "ALSA errors on stderr: $(head -3 "$artifacts/launch.err")"
echo "PASS"
