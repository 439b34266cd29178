#!/usr/bin/env bash
# With the emulated Korrina: Browse on the send page opens the program's own file
# chooser "Select a file..."; the path of a bank file is typed into it and taken,
# and the dialog shows the file's name with the step's check mark.
source "$(dirname "$0")/e2e_common.sh"

bank="$scratch/files/bank-B.syx"
mkdir -p "$(dirname "$bank")"
cp "$(dirname "$0")/../../fuzz/corpus/send_file/korrina-bank.syx" "$bank"

start_app choose_file
find_main_window

# Device box, then "Korrina": its ports open and Browse becomes usable.
click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
sleep 0.8
xdotool key Down Return
sleep 3.5
screenshot choose-before

# "Browse" at 268,289 (152 x 42) inside the dialog.
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$' 10)" || fail "the file chooser did not open"
sleep 1
screenshot choose-chooser

# Into the "file:" box near the chooser's foot: a whole path goes to its folder, then opens.
type_into_chooser "$chooser" "$bank"
sleep 0.5
screenshot choose-typed
xdotool key Return
sleep 1.5
screenshot choose-after

before="$artifacts/choose-before.png"
after="$artifacts/choose-after.png"

# The "File" field at 430,295 (327 x 25) shows the path, and the Check2 mark at 275,334 appears.
[ "$(dark_pixels "$before" $(( wx + 430 )) $(( wy + titleBar + 295 )) 327 25)" -eq 0 ] || fail "a path before any choice"
[ "$(dark_pixels "$after" $(( wx + 430 )) $(( wy + titleBar + 295 )) 327 25)" -gt 20 ] || fail "the chosen file's path is not shown"
region_differs "$before" "$after" $(( wx + 275 )) $(( wy + titleBar + 334 )) 15 15 || fail "no check mark for the file"
xdotool search --onlyvisible --name '^Select a file\.\.\.$' > /dev/null 2>&1 && fail "the chooser is still open"

# The folder is remembered: the settings file is written 3000 ms after the change.
sleep 3.5
settingsFile="$(find "$HOME" -name "Dremlor.settings" | head -1)"
grep -q "name=\"SEND_DIR\" val=\"$(dirname "$bank")\"" "$settingsFile" || fail "SEND_DIR is not the file's folder"
echo "PASS"
