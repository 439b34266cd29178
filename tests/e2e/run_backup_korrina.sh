#!/usr/bin/env bash
# Korrina Grand backups with the real program: choose the unit, go to the receive
# page, choose a backup folder through "Browse" (the framework's own folder chooser,
# the path typed in), then back up preset 5 and bank B through the backup page. The
# box after each run is read on a screenshot, and each file must hold exactly what
# the emulated unit sends for the same request (written by dremlor_e2e_korrina_dump).
export DREMLOR_VIRTUAL_MIDI=korrina-grand
source "$(dirname "$0")/e2e_common.sh"
dumpTool="${3:?usage: $0 <path to Dremlor> <artifact folder> <path to dremlor_e2e_korrina_dump>}"

backups="$scratch/My Backups"
mkdir -p "$backups"

# click_in <window id> <x> <y>: a click at a point of another window.
click_in ()
{
    local x y
    read -r x y _ _ < <(window_geometry "$1")
    xdotool mousemove $(( x + $2 )) $(( y + $3 )) click 1
}

# box_shot <name>: waits for the "Dremlor" message box and its paint, takes a
# screenshot of it and prints its window id.
box_shot ()
{
    local box
    box="$(wait_for_box)" || fail "no message box after $1"
    screenshot "$1"
    echo "$box"
}

# text_rows <png> <x> <y> <w> <h>: prints how many rows of the crop hold dark text.
text_rows ()
{
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 50% -negate \
        -scale "1x$5!" -threshold 0 -format "%[fx:round(h*mean)]" info:
}

start_app backup
find_main_window

# Device: the second item of the device menu is "Korrina Grand".
choose_device 2
wait_for_browse

# The receive page, then Browse with the folder's path typed into the chooser.
click_dialog 513 29
wait_until "$guardSeconds" receive_page_shown || fail "the receive page did not open"
click_dialog 344 310
chooser="$(wait_for_window "^Choose save location\$")" || fail "no folder chooser"
wait_until "$guardSeconds" chooser_painted "$chooser" || fail "the folder chooser was not painted"
read -r cx cy cw ch < <(window_geometry "$chooser")
screenshot backup-chooser

# The path goes into the chooser's "file:" box; Return opens the folder (the box is
# emptied), "Open" (bottom right, left of the corner) chooses it.
type_into_chooser "$chooser" "$backups/"
wait_until "$guardSeconds" chooser_box_empty "$chooser" || fail "the typed folder was not opened"
screenshot backup-chooser-typed
xdotool mousemove $(( cx + cw - 58 )) $(( cy + ch - 24 )) click 1
wait_until_gone "$chooser" || fail "the folder chooser stayed open"
wait_for_begin
screenshot backup-folder-chosen

# click_page <x> <y>: a click at a point of the backup page (below its 26-pixel title bar).
click_page ()
{
    local px py
    read -r px py _ _ < <(window_geometry "$page")
    xdotool mousemove $(( px + $1 )) $(( py + 26 + $2 )) click 1
    sleep 0.3
}

# open_page: BEGIN opens the backup page; its id goes to page.
open_page ()
{
    click_dialog 344 450
    page="$(wait_for_window "^Korrina Backup Type\$")" || fail "no backup page"
    local px py
    read -r px py _ _ < <(window_geometry "$page")
    wait_until "$guardSeconds" painted_text $(( px + 40 )) $(( py + 26 + 5 )) 150 24 || fail "the backup page was not painted"
}

# close_box <name>: the box after a run, read on a screenshot, then closed with Return.
close_box ()
{
    local box bx by bw bh
    box="$(box_shot "$1")"
    read -r bx by bw bh < <(window_geometry "$box")
    convert "$artifacts/$1.png" -crop "${bw}x${bh}+${bx}+${by}" +repage "$artifacts/$1-box.png"
    [ "$(text_rows "$artifacts/$1.png" "$bx" $(( by + 30 )) "$bw" $(( bh - 30 )))" -gt 5 ] || fail "the box after $1 shows no text"
    xdotool key Return
    wait_until_gone "$box" || fail "the box after $1 did not close"
}

#==============================================================================
# Preset 5 (the page counts from 0: the unit's Display Offset is 0).
open_page
screenshot backup-page
click_page 70 279                    # "Back up an individual Preset"
click_page 276 279                   # its number field
xdotool key ctrl+a
xdotool type "5"
screenshot backup-page-preset
click_page 149 405                   # OK
close_box backup-preset-saved

"$dumpTool" korrina-grand preset 5 "$scratch/expected-preset.syx" || fail "the unit's preset could not be written out"
presetFiles=( "$backups"/A005*.syx )
[ "${#presetFiles[@]}" -eq 1 ] && [ -f "${presetFiles[0]}" ] || fail "no single preset file named after preset A005: $(ls "$backups")"
cmp "${presetFiles[0]}" "$scratch/expected-preset.syx" || fail "the preset file differs from what the unit sent"

#==============================================================================
# Bank B alone: "Back up the Korrina", then untick Bank A, C, D, System and the cabs.
open_page
click_page 70 17
for y in 47 107 137 167 242; do
    click_page 110 "$y"
done
screenshot backup-page-bank
click_page 149 405
close_box backup-bank-saved

"$dumpTool" korrina-grand bank 1 "$scratch/expected-bank.syx" || fail "the unit's bank could not be written out"
bankFiles=( "$backups"/*-bank-B.syx )
[ "${#bankFiles[@]}" -eq 1 ] && [ -f "${bankFiles[0]}" ] || fail "no bank B file: $(ls "$backups")"
cmp "${bankFiles[0]}" "$scratch/expected-bank.syx" || fail "the bank file differs from what the unit sent"
[ "$(ls "$backups" | wc -l)" -eq 2 ] || fail "unexpected files: $(ls "$backups")"

echo "PASS"
