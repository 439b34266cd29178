#!/usr/bin/env bash
# The program started with a home folder and an argument whose bytes are not UTF-8
# (an overlong zero, a Latin-1 letter, an overlong three-byte form, a name that ends
# in a lead byte) opens its window, keeps its settings in that very home folder, and
# ends cleanly when the window is closed: exit status 0 and, in the sanitizer build,
# no report (leaks included).
source "$(dirname "$0")/e2e_common.sh"

oddHome="$scratch/home-"$'\xc0\x80'"-copied from the caf"$'\xe9'" laptop"
mkdir -p "$oddHome"
# A single-instance socket of its own, out of other tests' way.
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

log="$artifacts/app-odd-bytes.log"
HOME="$oddHome" "$app" $'caf\xe9 \xc0\x80 bank 1 preset 2.syx \xe0\x80\x81 end\xf0' > "$log" 2>&1 &
app_pid=$!
started_pids+=($app_pid)

deadline=$(( SECONDS + 60 ))
until win="$(xdotool search --onlyvisible --name "^$appTitle\$" 2>/dev/null | head -1)" && [ -n "$win" ]; do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window appeared: $(head -20 "$log")"
    [ "$SECONDS" -lt "$deadline" ] || fail "no window appeared within 60 s"
    sleep 0.1
done
find_main_window
read -r wx wy ww _ <<< "$(window_geometry "$window")"
# The close button, at the right end of the title bar.
xdotool mousemove $(( wx + ww - 20 )) $(( wy + 13 )) click 1

wait_until "$guardSeconds" eval '! kill -0 "$app_pid" 2>/dev/null' \
    || fail "the program still runs $guardSeconds s after its window was closed"

status=0
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(head -20 "$log")"
grep -qE "Sanitizer|runtime error" "$log" && fail "a sanitizer reported: $(head -20 "$log")"
[ -f "$oddHome/.config/Vornhalt Audio/Dremlor/Dremlor.settings" ] \
    || fail "no settings file in the home folder: $(find "$scratch" -name '*.settings')"
echo "PASS"
