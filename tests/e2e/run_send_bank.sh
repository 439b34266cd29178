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

remember_send_folder "$files"
start_app send_bank
find_main_window

# Device box, then "Korrina"; Browse once the ports are open; the bank, the folder's
# first file, chosen in the chooser; "Transmit" (BEGIN) once the file fits.
choose_device 1
wait_for_browse
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$')" || fail "the file chooser did not open"
choose_in_chooser "$chooser" 1
wait_for_begin
click_dialog $(( 268 + 76 )) $(( 429 + 21 ))
sendDialog="$(wait_for_window '^Transmit Bank File$')" || fail "the bank dialog did not open"
read -r sx sy sw sh < <(window_geometry "$sendDialog")
dialogTitleBar=$(( sh - 257 ))
wait_until "$guardSeconds" painted_text $(( sx + 22 )) $(( sy + dialogTitleBar + 20 )) 300 60 \
    || fail "the bank dialog was not painted"
screenshot send-bank-dialog

# The bank box at 22,155 (232 x 27): its menu, then the second item, bank B; "Send"
# at 110,217 (78 x 30) once it is drawn usable.
xdotool mousemove $(( sx + 22 + 100 )) $(( sy + dialogTitleBar + 155 + 13 )) click 1
choose_menu_item 2
wait_until "$guardSeconds" dark_at_least 500 $(( sx + 110 )) $(( sy + dialogTitleBar + 217 )) 78 30 \
    || fail "\"Send\" was not enabled"
screenshot send-bank-chosen
xdotool mousemove $(( sx + 110 + 39 )) $(( sy + dialogTitleBar + 217 + 15 )) click 1
wait_until_gone "$sendDialog" || fail "the send did not start"
screenshot send-bank-running

box="$(wait_for_box 300)" || fail "no box with text after the send"
screenshot send-bank-complete
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
wait_until_gone "$box" || fail "the box did not close"

# The close button at the right end of the title bar; the program ends and the
# virtual layer writes the unit's banks.
xdotool mousemove $(( wx + 780 )) $(( wy + 14 )) click 1
wait_until "$guardSeconds" eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the program did not end"

held="$DREMLOR_VIRTUAL_MIDI_STATE/KORRINA MIDI-bank-B.bin"
[ -f "$held" ] || fail "the unit's state was not written"
cmp -s "$held" "$expected" || fail "bank B does not hold the file's presets"
cmp -s "$DREMLOR_VIRTUAL_MIDI_STATE/KORRINA MIDI-bank-A.bin" "$expected" && fail "bank A was overwritten"
echo "PASS"
