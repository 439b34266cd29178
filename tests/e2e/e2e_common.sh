#!/usr/bin/env bash
# Shared set-up for the end-to-end runs: a private X server, a private HOME, the
# emulated Korrina, and helpers to start the program, find its window and take
# screenshots. Sourced by the run_*.sh scripts; every process started here is
# stopped by its own id when the script ends.
set -euo pipefail

app="${1:?usage: $0 <path to Dremlor> <artifact folder>}"
artifacts="${2:?usage: $0 <path to Dremlor> <artifact folder>}"
mkdir -p "$artifacts"

appTitle="Vornhalt Audio Systems - Dremlor MIDI Utility"
screenWidth=1280
screenHeight=1024

scratch="$(mktemp -d /tmp/dremlor-e2e.XXXXXX)"
started_pids=()

cleanup ()
{
    local pid
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${started_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# Every wait in these runs waits for an event: a server answering, a window appearing
# or going, a part of the screen taking a look, a file appearing. Its limit only ends
# a run whose program has hung or failed; a slow machine is waited for.
guardSeconds=60

# wait_until <seconds> <command...>: runs the command every 0.1 s until it succeeds;
# false when it has not succeeded once the seconds have passed.
wait_until ()
{
    local deadline=$(( $(date +%s) + $1 ))
    shift

    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# A display number of our own; -noreset keeps the atoms made below alive.
display_number=$(( 90 + RANDOM % 400 ))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
    display_number=$(( display_number + 1 ))
done
Xvfb ":$display_number" -screen 0 "${screenWidth}x${screenHeight}x24" -noreset -nolisten tcp > "$scratch/xvfb.log" 2>&1 &
started_pids+=($!)
export DISPLAY=":$display_number"

wait_until "$guardSeconds" eval 'xdpyinfo > /dev/null 2>&1' || { echo "FAIL: Xvfb did not start" >&2; exit 1; }

# Without a window manager the server lacks the atoms the framework looks up
# without creating them; make them exist before the program starts.
python3 - <<'PY'
import ctypes
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
for name in ["WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING", "WM_CHANGE_STATE",
             "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN",
             "_NET_WM_WINDOW_TYPE_NORMAL"]:
    x11.XInternAtom(display, name.encode(), 0)
x11.XCloseDisplay(display)
PY

export HOME="$scratch/home"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME
export DREMLOR_VIRTUAL_MIDI="${DREMLOR_VIRTUAL_MIDI-korrina}"
# The program checks for an update at start-up; unless a run serves a feed of its
# own, the update server is a loopback port nobody listens on, which refuses at once.
export DREMLOR_UPDATE_URL="${DREMLOR_UPDATE_URL-http://127.0.0.1:1}"

# start_app: starts the program in the background; its pid goes to app_pid.
start_app ()
{
    "$app" > "$artifacts/app-$1.log" 2>&1 &
    app_pid=$!
    started_pids+=($app_pid)
}

# visible_window <title regex>: prints the id of the first visible window of that title.
visible_window ()
{
    local id
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && echo "$id"
}

# wait_for_window <title regex> [seconds]: prints the id of the first visible window.
wait_for_window ()
{
    wait_until "${2:-$guardSeconds}" visible_window "$1" > /dev/null \
        || { echo "no window named '$1' appeared" >&2; return 1; }
    visible_window "$1"
}

# window_shown <id>: true while the window is mapped.
window_shown ()
{
    xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"
}

# wait_until_gone <window id> [seconds]: waits until the window is no longer shown.
wait_until_gone ()
{
    wait_until "${2:-$guardSeconds}" eval "! window_shown $1"
}

# window_geometry <id>: prints "x y width height" of the window on the screen.
window_geometry ()
{
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                              /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# find_main_window: waits for the main window and its first paint (the heading of step
# 1, "Choose device and ports", dark on light); sets window to its id, and wx, wy to its
# top-left corner. The dialog starts titleBar pixels below it.
titleBar=27

find_main_window ()
{
    window="$(wait_for_window "^$appTitle\$")" || fail "the main window did not open"
    read -r wx wy _ _ < <(window_geometry "$window")
    wait_until "$guardSeconds" painted_text $(( wx + 300 )) $(( wy + titleBar + 76 )) 190 20 \
        || fail "the main window was not painted"
}

# click_dialog <x> <y>: a click at a point of the main dialog (dialog coordinates).
click_dialog ()
{
    xdotool mousemove $(( wx + $1 )) $(( wy + titleBar + $2 ))
    sleep 0.3
    xdotool click 1
}

# dark_now <x> <y> <w> <h>: how many pixels of that part of the screen are dark now.
dark_now ()
{
    import -display "$DISPLAY" -window root "$scratch/now.png"
    dark_pixels "$scratch/now.png" "$@"
}

# dark_at_least <count> <x> <y> <w> <h>: true when at least count pixels there are dark
# (text, a usable button: the skin draws disabled buttons pale).
dark_at_least ()
{
    [ "$(dark_now "$2" "$3" "$4" "$5")" -ge "$1" ]
}

# painted_text <x> <y> <w> <h>: true when that part of the screen holds text: some dark
# pixels, but mostly light ones (an unpainted window is black).
painted_text ()
{
    local dark
    dark="$(dark_now "$@")"
    [ "$dark" -ge 20 ] && [ "$dark" -le $(( $3 * $4 / 2 )) ]
}

# wait_for_dialog_dark <what> <count> <x> <y> <w> <h>: waits until at least count pixels
# of that part of the main dialog (dialog coordinates) are dark; fails naming what.
wait_for_dialog_dark ()
{
    wait_until "$guardSeconds" dark_at_least "$2" $(( wx + $3 )) $(( wy + titleBar + $4 )) "$5" "$6" \
        || fail "$1"
}

# The send page's buttons are usable once their labels are drawn dark: Browse (268,289)
# when the device's ports are open, BEGIN (268,429) when a file fits the device.
wait_for_browse ()
{
    wait_for_dialog_dark "Browse did not become usable" 100 268 289 152 42
}

wait_for_begin ()
{
    wait_for_dialog_dark "BEGIN did not become usable" 1000 268 429 152 42
}

# choose_menu_item <item>: in the pop-up menu just opened, the item-th item (from 1),
# through the keyboard once the menu is on the screen; waits for the menu to close.
choose_menu_item ()
{
    local menu downs=()
    menu="$(wait_for_window '^menu$')" || fail "no menu opened"

    for _ in $(seq 1 "$1"); do
        downs+=(Down)
    done

    xdotool key "${downs[@]}" Return
    wait_until_gone "$menu" || fail "the menu did not close"
}

# choose_device <item>: the device box, then its item-th item (1 Korrina, 2 Korrina
# Grand, 3 Stompra Classic, 4 Stompra Neo).
choose_device ()
{
    click_dialog $(( 280 + 100 )) $(( 111 + 13 ))
    choose_menu_item "$1"
}

# box_painted <id>: true once a message box ("Dremlor") shows its own page: its border
# and background in the corner and some text (until it paints, the server shows
# whatever was drawn there before).
box_painted ()
{
    local bx by bw bh
    read -r bx by bw bh < <(window_geometry "$1")
    import -display "$DISPLAY" -window root "$scratch/box.png"
    [ "$(pixel "$scratch/box.png" "$bx" "$by")" = "111,124,137" ] \
        && [ "$(pixel "$scratch/box.png" $(( bx + 3 )) $(( by + 3 )))" = "244,246,248" ] \
        && [ "$(dark_pixels "$scratch/box.png" "$bx" "$by" "$bw" "$bh")" -ge 100 ]
}

# wait_for_box [seconds]: waits for a message box and its paint; prints its id.
wait_for_box ()
{
    local box
    box="$(wait_for_window '^Dremlor$' "${1:-$guardSeconds}")" || return 1
    wait_until "$guardSeconds" box_painted "$box" || { echo "the box was not painted" >&2; return 1; }
    echo "$box"
}

# offer_painted <id>: true once the "Software Update" window shows its own page: its
# grey background in the corner and the first line of the release notes in their box
# (until it paints, the server shows whatever was drawn there before).
offer_painted ()
{
    local ox oy
    read -r ox oy _ _ < <(window_geometry "$1")
    import -display "$DISPLAY" -window root "$scratch/offer.png"
    [ "$(pixel "$scratch/offer.png" $(( ox + 3 )) $(( oy + 3 )))" = "211,211,211" ] \
        && [ "$(dark_pixels "$scratch/offer.png" $(( ox + 24 )) $(( oy + 50 )) 200 20)" -ge 20 ]
}

# remember_send_folder <folder>: before the program starts, makes the folder the one
# the send page's chooser opens in, as a choice made in an earlier run would.
remember_send_folder ()
{
    local settings="$HOME/.config/Vornhalt Audio/Dremlor"
    mkdir -p "$settings"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n\n<PROPERTIES>\n  <VALUE name="SEND_DIR" val="%s"/>\n</PROPERTIES>\n' \
        "$1" > "$settings/Dremlor.settings"
}

# choose_in_chooser <chooser id> <row>: chooses the row-th entry (from 1) of the folder
# the framework's file chooser shows, without typing: waits until the list shows that
# row, clicks it, waits until its name is in the "file:" box, clicks "Open" and waits
# for the chooser to close. The list is sorted by name (folders first), so a folder
# made for the run knows its rows; remember_send_folder opens the send page's chooser there.
choose_in_chooser ()
{
    local cx cy rowY
    read -r cx cy _ _ < <(window_geometry "$1")
    rowY=$(( cy + 95 + 22 * ($2 - 1) ))
    wait_until "$guardSeconds" chooser_painted "$1" || fail "the chooser was not painted"
    wait_until "$guardSeconds" dark_at_least 20 $(( cx + 50 )) $(( rowY - 6 )) 250 12 \
        || fail "the chooser did not list row $2"
    xdotool mousemove $(( cx + 150 )) "$rowY" click 1
    wait_until "$guardSeconds" dark_at_least 10 $(( cx + 46 )) $(( cy + 429 )) 300 14 \
        || fail "row $2 of the chooser was not taken into its file box"
    xdotool mousemove $(( cx + 543 )) $(( cy + 476 )) click 1
    wait_until_gone "$1" || fail "the chooser stayed open"
}

# chooser_painted <chooser id>: true once the framework's chooser shows its own page:
# its background in the corner and its "file:" label.
chooser_painted ()
{
    local cx cy
    read -r cx cy _ _ < <(window_geometry "$1")
    painted_text $(( cx + 8 )) $(( cy + 426 )) 36 20 \
        && [ "$(pixel "$scratch/now.png" $(( cx + 3 )) $(( cy + 3 )))" = "244,246,248" ]
}

# chooser_box_empty <chooser id>: true while the chooser's "file:" box holds no text
# (as once a typed folder has been opened).
chooser_box_empty ()
{
    local cx cy
    read -r cx cy _ _ < <(window_geometry "$1")
    ! dark_at_least 20 $(( cx + 46 )) $(( cy + 429 )) 300 14
}

# receive_page_shown: true once the main dialog shows the receive page (its step 2
# reads "Choose a backup folder", longer than the send page's "Choose a file").
receive_page_shown ()
{
    dark_at_least 20 $(( wx + 404 )) $(( wy + titleBar + 258 )) 70 16
}

# type_into_chooser <chooser id> <path>: once the chooser is painted, types the path
# into the "file:" box near the foot of the framework's own file chooser, waits until
# the box shows it and presses Return.
type_into_chooser ()
{
    local cx cy cw ch
    read -r cx cy cw ch < <(window_geometry "$1")
    wait_until "$guardSeconds" chooser_painted "$1" || fail "the chooser was not painted"
    xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch - 64 )) click 1
    xdotool type --delay 5 "$2"
    wait_until "$guardSeconds" dark_at_least 20 $(( cx + 46 )) $(( cy + 429 )) 300 14 \
        || fail "the chooser's file box does not show the typed path"
    xdotool key Return
}

# screenshot <name>: the whole screen as PNG in the artifact folder.
screenshot ()
{
    import -display "$DISPLAY" -window root "$artifacts/$1.png"
}

# pixel <png> <x> <y>: prints the pixel's colour as "r,g,b".
pixel ()
{
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# region_differs <png a> <png b> <x> <y> <w> <h>: true when the two crops differ. The
# crops go through files: ImageMagick's policy may refuse to read a pipe, and a
# comparison that could not be made must stop the run, never count as a difference.
region_differs ()
{
    local changed status=0
    convert "$1" -crop "$5x$6+$3+$4" +repage "$scratch/region-a.png" \
        && convert "$2" -crop "$5x$6+$3+$4" +repage "$scratch/region-b.png" \
        || fail "could not crop $1 or $2"
    changed="$(compare -metric AE "$scratch/region-a.png" "$scratch/region-b.png" null: 2>&1)" || status=$?
    [ "$status" -le 1 ] || fail "could not compare crops of $1 and $2: $changed"
    [ "${changed%% *}" != "0" ]
}

# dark_pixels <png> <x> <y> <w> <h>: prints how many pixels of the crop are dark (text).
dark_pixels ()
{
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 50% \
        -format "%[fx:round(w*h*(1-mean))]" info:
}

fail ()
{
    echo "FAIL: $*" >&2
    exit 1
}
