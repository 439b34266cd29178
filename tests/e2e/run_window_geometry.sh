#!/usr/bin/env bash
# The main window opens 800 x (553 + 27) with its top-left corner where a centred
# 500 x 400 window would start.
source "$(dirname "$0")/e2e_common.sh"

start_app geometry
find_main_window
screenshot window-geometry

read -r x y width height < <(window_geometry "$window")
echo "window at $x,$y size ${width}x$height"

[ "$width" -eq 800 ] || fail "width $width, expected 800"
[ "$height" -eq 580 ] || fail "height $height, expected 580 (553 + 27)"
[ "$x" -eq $(( (screenWidth - 500) / 2 )) ] || fail "x $x, expected $(( (screenWidth - 500) / 2 ))"
[ "$y" -eq $(( (screenHeight - 400) / 2 )) ] || fail "y $y, expected $(( (screenHeight - 400) / 2 ))"
echo "PASS"
