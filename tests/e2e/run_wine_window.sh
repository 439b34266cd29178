#!/usr/bin/env bash
# The Windows build under Wine with the emulated Korrina Grand: the skinned window
# paints (pixels of the dialog checked on a screenshot), a second start is refused by
# the framework's single-instance lock and the running instance says so in its box,
# and the close button ends the program with exit code 0.
#   run_wine_window.sh <Dremlor.exe> <artifact folder>
# WINEPREFIX names a prepared Wine prefix (tools/test-windows.sh makes one).
# Wine on a bare X server (no window manager) gives a newly shown window the pointer
# only after a first click, which activates it; and the framework's popup menus get no
# pointer at all there, so the device menu cannot be driven from here (the send and
# backup workflows run in process instead, in app_tests).
set -euo pipefail

exe="${1:?usage: $0 <Dremlor.exe> <artifact folder>}"
export DREMLOR_VIRTUAL_MIDI=korrina-grand
: "${WINEPREFIX:?WINEPREFIX must name a prepared Wine prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The harness starts "$app" with no arguments: a small launcher runs the program under
# Wine in the foreground, so the harness's process id is the program's.
launcher="$(mktemp /tmp/dremlor-wine-launch.XXXXXX)"
printf '#!/bin/sh\nexec wine "%s"\n' "$exe" > "$launcher"
chmod +x "$launcher"
set -- "$launcher" "$2"
source "$(dirname "$0")/e2e_common.sh"
trap 'rm -f "$launcher"; cleanup' EXIT

started=$(date +%s.%N)
start_app wine_window
find_main_window
echo "window after $(echo "$(date +%s.%N) - $started" | bc) s"
screenshot wine-window

# The skinned dialog painted: its dark header band and the light page below it, and
# text in the header's "Dremlor" title.
shot="$artifacts/wine-window.png"
header="$(pixel "$shot" $(( wx + 300 )) $(( wy + titleBar + 10 )))"
page="$(pixel "$shot" $(( wx + 600 )) $(( wy + titleBar + 300 )))"
IFS=, read -r hr hg hb <<< "$header"
IFS=, read -r pr pg pb <<< "$page"
[ $(( hr + hg + hb )) -lt 200 ] || fail "the header is not painted dark ($header)"
[ $(( pr + pg + pb )) -gt 600 ] || fail "the page is not painted light ($page)"

# A second start is refused by the framework's single-instance lock and tells the
# running one, which says so in a box; the second process ends by itself.
"$launcher" > "$artifacts/app-wine-second.log" 2>&1 &
second=$!
started_pids+=($second)
box="$(wait_for_window '^Dremlor$' 30)" || fail "the running instance showed no box for the second start"
sleep 0.5
screenshot wine-second-instance
read -r bx by bw bh < <(window_geometry "$box")
[ "$(dark_pixels "$artifacts/wine-second-instance.png" "$bx" "$by" "$bw" "$bh")" -gt 100 ] || fail "the box shows no text"
for _ in $(seq 1 100); do
    kill -0 "$second" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$second" 2>/dev/null && fail "the second instance did not end"
# Its OK button, at the middle of the box's foot.
xdotool mousemove $(( bx + bw / 2 )) $(( by + bh - 25 )); sleep 0.3; xdotool click 1; sleep 0.5; xdotool click 1
sleep 1.5
xdotool search --onlyvisible --name '^Dremlor$' > /dev/null 2>&1 && fail "the box did not close"

# The close button at the right end of the title bar ends the program, and the
# virtual layer writes what the unit holds.
xdotool mousemove $(( wx + 780 )) $(( wy + 14 )) click 1
for _ in $(seq 1 150); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
wait "$app_pid" || fail "the program ended with an error"

echo "PASS"
