#!/usr/bin/env bash
# With the emulated Korrina: a click on the device box and the choice "Korrina"
# open its ports, the watchdog asks the firmware version and the dialog shows the
# connected state (the port check marks and "Connected").
source "$(dirname "$0")/e2e_common.sh"

start_app connect
find_main_window

screenshot connect-before

# The device box: "Device Label" at 280,111 (232 x 27) inside the dialog.
click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
sleep 0.8
screenshot connect-device-menu
xdotool key Down Return
sleep 3.5
screenshot connect-after

before="$artifacts/connect-before.png"
after="$artifacts/connect-after.png"

# Dialog rectangles translated to the screen: device/input/output check marks, "Connected".
region_differs "$before" "$after" $(( wx + 530 )) $(( wy + titleBar + 115 )) 15 15 || fail "no device check mark"
region_differs "$before" "$after" $(( wx + 530 )) $(( wy + titleBar + 153 )) 15 15 || fail "no input check mark"
region_differs "$before" "$after" $(( wx + 530 )) $(( wy + titleBar + 191 )) 15 15 || fail "no output check mark"

# "Connected" appears as dark text where there was none.
[ "$(dark_pixels "$before" $(( wx + 550 )) $(( wy + titleBar + 115 )) 90 18)" -eq 0 ] || fail "text beside the device box too early"
[ "$(dark_pixels "$after" $(( wx + 550 )) $(( wy + titleBar + 115 )) 90 18)" -gt 20 ] || fail "\"Connected\" is not shown"
echo "PASS"
