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

# click_for_window <x> <y> <title regex>: clicks a point of the dialog until a window of
# that title appears (at most three tries); prints its id.
click_for_window ()
{
    local id
    for _ in 1 2 3; do
        click_dialog "$1" "$2"
        id="$(wait_for_window "$3" 4 2>/dev/null)" && { echo "$id"; return 0; }
    done
    echo "no window named '$3' appeared" >&2
    return 1
}

# wait_until_gone <window id> [seconds]
wait_until_gone ()
{
    local deadline=$(( $(date +%s) + ${2:-10} ))
    while xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; do
        [ "$(date +%s)" -le "$deadline" ] || return 1
        sleep 0.1
    done
}

screenshot stompra-start

# 1. The device box, then "Stompra Neo" (the fourth item of the menu under it).
click_dialog 380 124
sleep 0.8
click_dialog 333 204
sleep 1

# 2. The receive tab, then the input port box and the unit's port.
click_dialog 513 29
sleep 0.8
click_dialog 380 162
sleep 0.8
screenshot stompra-port-menu
click_dialog 350 215
sleep 1.5
screenshot stompra-ports

start="$artifacts/stompra-start.png"
ports="$artifacts/stompra-ports.png"
region_differs "$start" "$ports" $(( wx + 530 )) $(( wy + titleBar + 115 )) 15 15 || fail "no device check mark"
region_differs "$start" "$ports" $(( wx + 530 )) $(( wy + titleBar + 153 )) 15 15 || fail "no input check mark"

# 3. Browse: type the folder's path into the chooser and open it.
chooser="$(click_for_window 344 310 "^Choose save location\$")" || fail "no folder chooser"
sleep 0.5
read -r cx cy cw ch < <(window_geometry "$chooser")
xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch - 63 ))
sleep 0.2
xdotool click 1
xdotool type --delay 20 "$backups"
sleep 0.3
screenshot stompra-chooser
xdotool mousemove $(( cx + cw - 57 )) $(( cy + ch - 24 ))
sleep 0.2
xdotool click 1
wait_until_gone "$chooser" || fail "the chooser stays open"
sleep 1
screenshot stompra-folder
region_differs "$start" "$artifacts/stompra-folder.png" $(( wx + 275 )) $(( wy + titleBar + 334 )) 15 15 \
    || fail "no folder check mark"

# 4. BEGIN opens the Stompra page: 375 x 430 under a 26-pixel title bar and a 1-pixel border.
page="$(click_for_window 344 450 "^Stompra Create Backup\$")" || fail "no Stompra backup page"
sleep 0.8
read -r px py pw ph < <(window_geometry "$page")
[ "$pw" -eq 377 ] && [ "$ph" -eq 458 ] || fail "the page is $pw x $ph"
ox=$(( px + 1 ))
oy=$(( py + 27 ))
screenshot stompra-page

# click_page <x> <y>: a click at a point of the page (page coordinates).
click_page ()
{
    xdotool mousemove $(( ox + $1 )) $(( oy + $2 ))
    sleep 0.3
    xdotool click 1
}

# 5. READY, then the unit's ENTER from outside the program.
click_page 100 325
sleep 0.6
screenshot stompra-ready
region_differs "$artifacts/stompra-page.png" "$artifacts/stompra-ready.png" $(( ox + 61 )) $(( oy + 310 )) 78 30 \
    || fail "READY still looks pressable"

kill -USR1 "$app_pid"

# The bar fills and shows the count; its text is dark on the green bar.
expected_size="$(stat -c %s "$scratch/expected.syx")"
for _ in $(seq 1 50); do
    screenshot stompra-recorded
    [ "$(dark_pixels "$artifacts/stompra-recorded.png" $(( ox + 120 )) $(( oy + 362 )) 140 20)" -gt 20 ] && break
    sleep 0.1
done
sleep 0.5
screenshot stompra-recorded
[ "$(dark_pixels "$artifacts/stompra-recorded.png" $(( ox + 120 )) $(( oy + 362 )) 140 20)" -gt 20 ] \
    || fail "no byte count on the bar"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended on SIGUSR1"

# 6. OK: the page closes and the box tells the backup is complete.
click_page 187 325
box="$(wait_for_window '^Dremlor$' 10)" || fail "no message after OK"
sleep 0.5
screenshot stompra-box
xwininfo -id "$page" 2>/dev/null | grep -q "IsViewable" && fail "the page is still shown with the message"
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
wait_until_gone "$box" || fail "the message stays open"
sleep 0.5
screenshot stompra-done

# 7. One file, named by date and time, holding exactly the unit's dump.
mapfile -t files < <(ls "$backups")
[ "${#files[@]}" -eq 1 ] || fail "expected one file in the backup folder, found: ${files[*]}"
[[ "${files[0]}" =~ ^[0-9]{6}-[0-9]{6}-stompra\.syx$ ]] || fail "unexpected file name ${files[0]}"
cmp "$backups/${files[0]}" "$scratch/expected.syx" || fail "the saved dump differs from the unit's ($expected_size bytes)"
cp "$backups/${files[0]}" "$artifacts/stompra-saved.syx"
echo "PASS"
