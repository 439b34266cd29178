#!/usr/bin/env bash
# With the emulated Korrina: a bank file of 128 presets (written here for bank A) is
# chosen through Browse, "Transmit" opens the bank dialog, bank B is chosen in its
# menu and "Send" sends it; the completion box appears, and when the program ends
# the emulated unit's bank B holds exactly the file's presets (the virtual layer
# writes what the unit holds into DREMLOR_VIRTUAL_MIDI_STATE).
source "$(dirname "$0")/e2e_common.sh"

files="$scratch/files"
mkdir -p "$files"
bank="$files/bank-for-B.syx"
expected="$files/expected-words.bin"
export DREMLOR_VIRTUAL_MIDI_STATE="$scratch/state"

# 128 Korrina presets of 2048 random words each, not packed.
python3 "$(dirname "$0")/make_presets.py" 3 128 2048 0 8 "$bank" "$expected" --unpacked

start_app send_bank
find_main_window

# Device box, then "Korrina".
click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
sleep 0.8
xdotool key Down Return
sleep 3.5

# Browse, then the path typed into the chooser's file box.
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$' 10)" || fail "the file chooser did not open"
sleep 1
type_into_chooser "$chooser" "$bank"
sleep 0.5
xdotool key Return
sleep 1.5   # the watchdog enables "Transmit" on its next tick

# "Transmit" (the BEGIN button) at 268,429 (152 x 42).
click_dialog $(( 268 + 76 )) $(( 429 + 21 ))
sendDialog="$(wait_for_window '^Transmit Bank File$' 10)" || fail "the bank dialog did not open"
sleep 0.8
screenshot send-bank-dialog
read -r sx sy sw sh < <(window_geometry "$sendDialog")
dialogTitleBar=$(( sh - 257 ))

# The bank box at 22,155 (232 x 27): its menu, then the second item, bank B.
xdotool mousemove $(( sx + 22 + 100 )) $(( sy + dialogTitleBar + 155 + 13 )) click 1
sleep 0.8
screenshot send-bank-menu
xdotool key Down Down Return
sleep 1.5   # "Send" becomes usable on the watchdog's next tick
screenshot send-bank-chosen

# "Send" at 110,217 (78 x 30).
xdotool mousemove $(( sx + 110 + 39 )) $(( sy + dialogTitleBar + 217 + 15 )) click 1
sleep 2
screenshot send-bank-running
box="$(wait_for_window '^Dremlor$' 60)" || fail "no box after the send"
sleep 0.5
screenshot send-bank-complete
read -r bx by bw bh < <(window_geometry "$box")
[ "$(dark_pixels "$artifacts/send-bank-complete.png" "$bx" "$by" "$bw" "$bh")" -gt 100 ] || fail "the box shows no text"
xdotool key Return
sleep 1

# The close button at the right end of the title bar; the program ends and the
# virtual layer writes the unit's banks.
xdotool mousemove $(( wx + 780 )) $(( wy + 14 )) click 1
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"

held="$DREMLOR_VIRTUAL_MIDI_STATE/KORRINA MIDI-bank-B.bin"
[ -f "$held" ] || fail "the unit's state was not written"
cmp -s "$held" "$expected" || fail "bank B does not hold the file's presets"
cmp -s "$DREMLOR_VIRTUAL_MIDI_STATE/KORRINA MIDI-bank-A.bin" "$expected" && fail "bank A was overwritten"
echo "PASS"
