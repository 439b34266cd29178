#!/usr/bin/env bash
# Start-up time of Dremlor to a painted main window, under a private Xvfb.
#   bench/app/startup.sh [path to Dremlor] [runs]
# Each run starts the program with a fresh HOME and the emulated Korrina and
# measures from the launch until a pixel inside the skinned dialog (the white help
# panel) shows on the screen; it prints every run and the median.
# With DREMLOR_BENCH_QUIT_AT_MS set, each run instead clicks the window's close
# button that long after the launch, painted or not (a window not painted by then
# shows "timeout"), and measures from the click until the program has ended.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
app="${1:-$root/build/main/bin/Dremlor}"
runs="${2:-5}"
artifacts="$(mktemp -d /tmp/dremlor-bench.XXXXXX)"

# The shared e2e set-up: private X server, window-manager atoms, HOME, virtual MIDI.
source "$root/tests/e2e/e2e_common.sh" "$app" "$artifacts"

probe="$scratch/first_paint.py"
cat > "$probe" <<'PY'
import ctypes, subprocess, sys, time

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XGetPixel.restype = ctypes.c_ulong
x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x11.XDestroyImage = None

app, x, y, log, quit_at = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], int(sys.argv[5])
display = x11.XOpenDisplay(None)
root = x11.XDefaultRootWindow(display)
libc = ctypes.CDLL("libc.so.6")

start = time.monotonic()
process = subprocess.Popen([app], stdout=open(log, "w"), stderr=subprocess.STDOUT)

# With a quit to time, the click comes at its time whether the window is painted or not.
painted = "-" if quit_at > 0 else "timeout"
while time.monotonic() - start < (quit_at / 1000.0 if quit_at > 0 else 60):
    image = x11.XGetImage(display, root, x, y, 1, 1, 0xFFFFFFFF, 2)
    pixel = x11.XGetPixel(image, 0, 0) if image else 0
    r, g, b = (pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255
    if min(r, g, b) > 0xE8:
        painted = "%.0f" % ((time.monotonic() - start) * 1000)
        break
    time.sleep(0.005)

quit_ms = "-"
if quit_at > 0:
    # The close button at the right end of the 27-pixel title bar of the 800-wide window.
    time.sleep(max(0.0, quit_at / 1000.0 - (time.monotonic() - start)))
    if process.poll() is not None:
        sys.exit("the program ended (%d) before its close button was clicked; see %s" % (process.returncode, log))
    # Timed from the start of the click (xdotool's own time included): an upper bound.
    clicked = time.monotonic()
    subprocess.run(["xdotool", "mousemove", str(x - 121 + 780), str(y - 103 + 14), "click", "1"], check=True)
    try:
        process.wait(timeout=60)
        quit_ms = "%.0f" % ((time.monotonic() - clicked) * 1000)
    except subprocess.TimeoutExpired:
        quit_ms = "timeout"

print(painted, quit_ms, process.pid)
PY

# Dialog point (120, 75) in the help panel; the window's top-left is where a
# centred 500 x 400 window starts, plus its 1-pixel border and 27-pixel title bar.
px=$(( (screenWidth - 500) / 2 + 1 + 120 ))
py=$(( (screenHeight - 400) / 2 + 1 + 27 + 75 ))

quit_at="${DREMLOR_BENCH_QUIT_AT_MS:-0}"
times=()
quits=()
for run in $(seq 1 "$runs"); do
    rm -rf "$HOME" && mkdir -p "$HOME"
    read -r ms quit_ms pid < <(python3 "$probe" "$app" "$px" "$py" "$artifacts/run-$run.log" "$quit_at")
    started_pids+=("$pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    if [ "$quit_at" -gt 0 ]; then
        echo "run $run: painted at $ms ms (- not by the click), close clicked at $quit_at ms, $quit_ms ms to quit"
        quits+=("$quit_ms")
    else
        echo "run $run: $ms ms to a painted window"
    fi
    times+=("$ms")
done

median ()
{
    sort -n | awk -v what="$1" '{ a[NR] = $1 } END { print "median:", a[int((NR + 1) / 2)], "ms", what, "over", NR, "runs" }'
}

printf '%s\n' "${times[@]}" | median "to a painted window"
if [ "$quit_at" -gt 0 ]; then
    printf '%s\n' "${quits[@]}" | median "to quit"
fi
rm -rf "$artifacts"
