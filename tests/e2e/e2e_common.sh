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

# A display number of our own; -noreset keeps the atoms made below alive.
display_number=$(( 90 + RANDOM % 400 ))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
    display_number=$(( display_number + 1 ))
done
Xvfb ":$display_number" -screen 0 "${screenWidth}x${screenHeight}x24" -noreset -nolisten tcp > "$scratch/xvfb.log" 2>&1 &
started_pids+=($!)
export DISPLAY=":$display_number"

for _ in $(seq 1 100); do
    xdpyinfo > /dev/null 2>&1 && break
    sleep 0.05
done

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

# wait_for_window <title regex> [seconds]: prints the id of the first visible window.
wait_for_window ()
{
    local deadline=$(( $(date +%s) + ${2:-15} )) id
    while [ "$(date +%s)" -le "$deadline" ]; do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$1' appeared" >&2
    return 1
}

# window_geometry <id>: prints "x y width height" of the window on the screen.
window_geometry ()
{
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                              /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# find_main_window: waits for the main window and its first paint; sets window to its
# id, and wx, wy to its top-left corner. The dialog starts titleBar pixels below it.
titleBar=27

find_main_window ()
{
    window="$(wait_for_window "^$appTitle\$")"
    sleep 1.5
    read -r wx wy _ _ < <(window_geometry "$window")
}

# click_dialog <x> <y>: a click at a point of the main dialog (dialog coordinates).
click_dialog ()
{
    xdotool mousemove $(( wx + $1 )) $(( wy + titleBar + $2 ))
    sleep 0.3
    xdotool click 1
}

# type_into_chooser <chooser id> <path>: types the path into the "file:" box near the
# foot of the framework's own file chooser and presses Return.
type_into_chooser ()
{
    local cx cy cw ch
    read -r cx cy cw ch < <(window_geometry "$1")
    xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch - 64 )) click 1
    sleep 0.3
    xdotool type --delay 5 "$2"
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
