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
choose_device 1
wait_for_browse
screenshot choose-before

# "Browse" at 268,289 (152 x 42) inside the dialog.
click_dialog $(( 268 + 76 )) $(( 289 + 21 ))
chooser="$(wait_for_window '^Select a file\.\.\.$')" || fail "the file chooser did not open"
wait_until "$guardSeconds" chooser_painted "$chooser" || fail "the chooser was not painted"
screenshot choose-chooser

# Into the "file:" box near the chooser's foot: a whole path goes to its folder, then opens.
type_into_chooser "$chooser" "$bank"
screenshot choose-typed
xdotool key Return
wait_until_gone "$chooser" || fail "the chooser is still open"

before="$artifacts/choose-before.png"
after="$artifacts/choose-after.png"

# The "File" field at 430,295 (327 x 25) shows the path, and the Check2 mark at 275,334 appears.
[ "$(dark_pixels "$before" $(( wx + 430 )) $(( wy + titleBar + 295 )) 327 25)" -eq 0 ] || fail "a path before any choice"
file_shown ()
{
    screenshot choose-after
    [ "$(dark_pixels "$after" $(( wx + 430 )) $(( wy + titleBar + 295 )) 327 25)" -gt 20 ] \
        && region_differs "$before" "$after" $(( wx + 275 )) $(( wy + titleBar + 334 )) 15 15
}
if ! wait_until "$guardSeconds" file_shown; then
    [ "$(dark_pixels "$after" $(( wx + 430 )) $(( wy + titleBar + 295 )) 327 25)" -gt 20 ] \
        || fail "the chosen file's path is not shown"
    fail "no check mark for the file"
fi

# The folder is remembered: the settings file is written 3000 ms after the change.
remembered ()
{
    grep -qs "name=\"SEND_DIR\" val=\"$(dirname "$bank")\"" "$HOME/.config/Vornhalt Audio/Dremlor/Dremlor.settings"
}
wait_until "$guardSeconds" remembered || fail "SEND_DIR is not the file's folder"
echo "PASS"
