#!/usr/bin/env bash
# With the emulated Stompra Neo: choose the device and its input port, choose a backup
# folder through the receive page's Browse (the framework's own chooser, the path typed
# in), press BEGIN, READY on the Stompra page, stand for ENTER on the unit with SIGUSR1,
# press OK. The box says "Backup complete." and the folder holds one dump file, named
# <yymmdd>-<hhmmss>-stompra.syx and equal byte for byte to what the unit sent.
#   usage: run_backup_stompra.sh <Dremlor> <artifact folder> <dremlor_e2e_unit_dump>
export DREMLOR_VIRTUAL_MIDI=stompra-neo
source "$(dirname "$0")/e2e_common.sh"
unitDump="${3:?usage: $0 <path to Dremlor> <artifact folder> <path to dremlor_e2e_unit_dump>}"

backups="$HOME/backups"
mkdir -p "$backups"
"$unitDump" stompra-neo "$scratch/expected.syx" || fail "cannot write the unit's dump"

start_app backup-stompra
find_main_window

screenshot stompra-start
start="$artifacts/stompra-start.png"
ports="$artifacts/stompra-ports.png"

# marks_shown <mark y...>: true once a fresh screenshot shows a check mark beside each
# of those rows of step 1 (dialog y; the device at 115, the input port at 153).
marks_shown ()
{
    local y
    screenshot stompra-ports

    for y in "$@"; do
        region_differs "$start" "$ports" $(( wx + 530 )) $(( wy + titleBar + y )) 15 15 || return 1
    done
}

# 1. The device box, then "Stompra Neo" (the fourth item of the menu under it).
choose_device 4
wait_until "$guardSeconds" marks_shown 115 || fail "no device check mark"

# 2. The receive tab, then the input port box and the unit's port (the item after
# "<< none >>" and a separator).
click_dialog 513 29
wait_until "$guardSeconds" receive_page_shown || fail "the receive page did not open"
click_dialog 380 162
wait_for_window '^menu$' > /dev/null || fail "the input port menu did not open"
screenshot stompra-port-menu
choose_menu_item 2
wait_until "$guardSeconds" marks_shown 115 153 || fail "no input check mark"

# 3. Browse: type the folder's path into the chooser, which opens it, and choose it.
wait_for_browse
click_dialog 344 310
chooser="$(wait_for_window "^Choose save location\$")" || fail "no folder chooser"
read -r cx cy cw ch < <(window_geometry "$chooser")
type_into_chooser "$chooser" "$backups"
wait_until "$guardSeconds" chooser_box_empty "$chooser" || fail "the typed folder was not opened"
screenshot stompra-chooser
xdotool mousemove $(( cx + cw - 57 )) $(( cy + ch - 24 ))
sleep 0.2
xdotool click 1
wait_until_gone "$chooser" || fail "the chooser stays open"
folder_marked ()
{
    screenshot stompra-folder
    region_differs "$start" "$artifacts/stompra-folder.png" $(( wx + 275 )) $(( wy + titleBar + 334 )) 15 15
}
wait_until "$guardSeconds" folder_marked || fail "no folder check mark"

# 4. BEGIN opens the Stompra page: 375 x 430 under a 26-pixel title bar and a 1-pixel
# border; it is ready once READY (61,310) is drawn usable.
wait_for_begin
click_dialog 344 450
page="$(wait_for_window "^Stompra Create Backup\$")" || fail "no Stompra backup page"
read -r px py pw ph < <(window_geometry "$page")
[ "$pw" -eq 377 ] && [ "$ph" -eq 458 ] || fail "the page is $pw x $ph"
ox=$(( px + 1 ))
oy=$(( py + 27 ))
wait_until "$guardSeconds" dark_at_least 500 $(( ox + 61 )) $(( oy + 310 )) 78 30 || fail "READY is not usable"
screenshot stompra-page

# click_page <x> <y>: a click at a point of the page (page coordinates).
click_page ()
{
    xdotool mousemove $(( ox + $1 )) $(( oy + $2 ))
    sleep 0.3
    xdotool click 1
}

# 5. READY, then, once READY is drawn pressed (recording has begun), the unit's ENTER
# from outside the program.
click_page 100 325
ready_pressed ()
{
    screenshot stompra-ready
    region_differs "$artifacts/stompra-page.png" "$artifacts/stompra-ready.png" $(( ox + 61 )) $(( oy + 310 )) 78 30
}
wait_until "$guardSeconds" ready_pressed || fail "READY still looks pressable"

# The bar shows the count, dark on the green bar: "0 bytes received" first.
count_shown ()
{
    dark_at_least 21 $(( ox + 120 )) $(( oy + 362 )) 140 20
}
wait_until "$guardSeconds" count_shown || fail "no byte count on the bar"
screenshot stompra-zero

kill -USR1 "$app_pid"

# The count moves on from 0. The unit sends its whole dump at once, on the signal, so
# once a screenshot shows a count the dump is in.
expected_size="$(stat -c %s "$scratch/expected.syx")"
count_moved ()
{
    screenshot stompra-recorded
    region_differs "$artifacts/stompra-zero.png" "$artifacts/stompra-recorded.png" $(( ox + 120 )) $(( oy + 362 )) 140 20
}
wait_until "$guardSeconds" count_moved || fail "the byte count did not move on the signal"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended on SIGUSR1"

# 6. OK: the page closes and the box tells the backup is complete.
click_page 187 325
box="$(wait_for_box)" || fail "no message after OK"
screenshot stompra-box
window_shown "$page" && fail "the page is still shown with the message"
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
wait_until_gone "$box" || fail "the message stays open"
screenshot stompra-done

# 7. One file, named by date and time, holding exactly the unit's dump.
mapfile -t files < <(ls "$backups")
[ "${#files[@]}" -eq 1 ] || fail "expected one file in the backup folder, found: ${files[*]}"
[[ "${files[0]}" =~ ^[0-9]{6}-[0-9]{6}-stompra\.syx$ ]] || fail "unexpected file name ${files[0]}"
cmp "$backups/${files[0]}" "$scratch/expected.syx" || fail "the saved dump differs from the unit's ($expected_size bytes)"
cp "$backups/${files[0]}" "$artifacts/stompra-saved.syx"
echo "PASS"
