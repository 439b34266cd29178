#!/usr/bin/env bash
# Closing the window with a settings folder that cannot be written shows
# "Preferences could not be saved." while the program still runs; once the box is
# answered the program ends by itself.
source "$(dirname "$0")/e2e_common.sh"

# A plain file where the settings folder belongs: no write succeeds, as root neither.
mkdir -p "$HOME/.config/Vornhalt Audio"
echo "in the way" > "$HOME/.config/Vornhalt Audio/Dremlor"

start_app close
find_main_window
read -r wx wy ww _ <<< "$(window_geometry "$window")"

# The close button sits at the right end of the 27-pixel title bar.
xdotool mousemove $(( wx + ww - 20 )) $(( wy + 13 )) click 1

box="$(wait_for_box)" || fail "closing showed no box"
screenshot close-settings-unwritable
kill -0 "$app_pid" 2>/dev/null || fail "the program ended before the box was answered"

xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return

wait_until "$guardSeconds" eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the program is still running after the box"
echo "PASS"
