#!/usr/bin/env bash
# The Windows build under Wine with the emulated Korrina Grand: the skinned window
# paints (pixels of the dialog checked on a screenshot); "Korrina Grand" is chosen in
# the device menu, a one-preset file is chosen through Browse (its path typed into the
# chooser) and "Transmit" sends it (a single preset goes to the edit buffer without the
# send dialog) up to the completion box; a second start is refused by the framework's
# single-instance lock and the running instance says so in its box; the close button
# ends the program with exit code 0, and the unit's edit buffer then holds the file's
# preset word for word.
#   run_wine_window.sh <Dremlor.exe> <artifact folder>
# WINEPREFIX names a prepared Wine prefix (tools/test-windows.sh makes one).
# Wine limitations met here (Windows always has a window manager, and shows what is
# painted), and how the run deals with them:
# - on an X server without a window manager, Wine's windows of the framework's popup
#   menus open but never return a choice (keys and clicks both tried), and a new window
#   takes a first click only to activate itself: a small window manager (openbox) runs
#   on the private display;
# - of what the framework paints after the first frame, Wine brings only part onto
#   this X server's screen (no highlight in the menu, the device box still reads
#   "Select Device" after the choice), so the run checks the first paint on a
#   screenshot and the rest by the windows that appear, the system's message boxes
#   (which Wine draws itself) and the unit's stored state.
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

command -v openbox > /dev/null || fail "openbox is missing (tools/setup.sh installs it)"
openbox --sm-disable > "$artifacts/openbox.log" 2>&1 &
started_pids+=($!)
sleep 1

# One Korrina Grand preset of 4096 random words, for slot 5.
preset="$scratch/preset.syx"
expected="$scratch/expected-words.bin"
state="$scratch/state"
python3 "$(dirname "$0")/make_presets.py" 6 1 4096 5 15 "$preset" "$expected"

# The program reads the variable as a Windows path.
export DREMLOR_VIRTUAL_MIDI_STATE="$(winepath -w "$state" 2>/dev/null)"

started=$(date +%s.%N)
# A first start, as on Linux where each run has a home of its own: no settings left in
# this Wine prefix by an earlier run (the chooser would open in the send folder that
# run remembered, which is gone).
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/"Vornhalt Audio"/Dremlor
start_app wine_window
find_main_window
echo "window after $(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }') s"
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

# The device box, then "Korrina Grand" (the second item); the watchdog connects and
# Browse opens the chooser, where the file's Windows path is typed. The menu and the
# chooser are windows of their own, so their appearing is what the run waits for.
# The device box is pressed and held before it is let go: under load, a quick click's
# activation of the window could reach the program after the press had opened the
# menu, and the framework closes a menu when its window is activated by a click.
# Such a try is made again; the window is active by then.
xdotool mousemove $(( wx + 200 )) $(( wy + 14 )) click 1   # the title bar: activates only
sleep 0.5
chooser=""
for attempt in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $(( wx + 280 + 100 )) $(( wy + titleBar + 111 + 13 ))
    sleep 0.3
    xdotool mousedown 1; sleep 0.6; xdotool mouseup 1
    wait_for_window '^menu$' 4 > /dev/null || { echo "attempt $attempt: no menu"; continue; }
    sleep 0.5
    xdotool key Down Down Return
    sleep 3.5
    click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
    chooser="$(wait_for_window '^Select a file' 10)" && break
    echo "attempt $attempt: no file chooser"
done
[ -n "$chooser" ] || { screenshot wine-no-chooser; fail "the device was not chosen or the file chooser did not open"; }
echo "device chosen and file chooser open on attempt $attempt"
sleep 1
# Wine shows only part of what the framework repaints, so the typed path is not looked
# for on the screen (as type_into_chooser does on Linux): the chooser closing shows
# that it was taken.
read -r cx cy cw ch < <(window_geometry "$chooser")
xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch - 64 )) click 1
sleep 0.3
xdotool type --delay 5 "$(winepath -w "$preset" 2>/dev/null)"
xdotool key Return
sleep 0.5
xdotool key Return
for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Select a file' > /dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Select a file' > /dev/null 2>&1 \
    && { screenshot wine-chooser-open; fail "the file chooser did not take the typed path"; }
sleep 2   # the watchdog enables "Transmit" on its next tick

# "Transmit" (the BEGIN button) at 268,429 (152 x 42): the preset goes to the edit
# buffer and the completion box follows.
sendStarted=$(date +%s.%N)
click_dialog $(( 268 + 76 )) $(( 429 + 21 ))
box="$(wait_for_window '^Dremlor$' 60)" || { screenshot wine-no-box; fail "no box after the send"; }
echo "send to box after $(awk -v a="$sendStarted" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }') s"
sleep 0.5
screenshot wine-send-complete
read -r bx by bw bh < <(window_geometry "$box")
[ "$(dark_pixels "$artifacts/wine-send-complete.png" "$bx" "$by" "$bw" "$bh")" -gt 100 ] || fail "the box shows no text"
xdotool key Return
sleep 1
xdotool search --onlyvisible --name '^Dremlor$' > /dev/null 2>&1 && fail "the completion box did not close"

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
xdotool mousemove $(( bx + bw / 2 )) $(( by + bh - 25 )); sleep 0.3; xdotool click 1
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

held="$state/KORRINA MIDI-edit-buffer.bin"
[ -f "$held" ] || fail "the unit's state was not written"
cmp -s "$held" "$expected" || fail "the edit buffer does not hold the file's preset"
echo "PASS"
