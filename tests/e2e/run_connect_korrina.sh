#!/usr/bin/env bash
# With the emulated Korrina: a click on the device box and the choice "Korrina"
# open its ports, the watchdog asks the firmware version and the dialog shows the
# connected state (the port check marks and "Connected").
source "$(dirname "$0")/e2e_common.sh"

start_app connect
find_main_window

screenshot connect-before

before="$artifacts/connect-before.png"
after="$artifacts/connect-after.png"
[ "$(dark_pixels "$before" $(( wx + 550 )) $(( wy + titleBar + 115 )) 90 18)" -eq 0 ] || fail "text beside the device box too early"

# The device box: "Device Label" at 280,111 (232 x 27) inside the dialog; its menu,
# then "Korrina".
click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
wait_for_window '^menu$' > /dev/null || fail "the device menu did not open"
screenshot connect-device-menu
choose_menu_item 1

# connected_look: true once the screen shows the device/input/output check marks
# (dialog rectangles translated to the screen) and "Connected" as dark text.
marks=("device:115" "input:153" "output:191")
connected_look ()
{
    local mark
    screenshot connect-after

    for mark in "${marks[@]}"; do
        region_differs "$before" "$after" $(( wx + 530 )) $(( wy + titleBar + ${mark#*:} )) 15 15 || return 1
    done

    [ "$(dark_pixels "$after" $(( wx + 550 )) $(( wy + titleBar + 115 )) 90 18)" -gt 20 ]
}

if ! wait_until "$guardSeconds" connected_look; then
    for mark in "${marks[@]}"; do
        region_differs "$before" "$after" $(( wx + 530 )) $(( wy + titleBar + ${mark#*:} )) 15 15 \
            || fail "no ${mark%%:*} check mark"
    done
    fail "\"Connected\" is not shown"
fi
echo "PASS"
