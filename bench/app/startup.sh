#!/usr/bin/env bash
# Start-up time of Dremlor to a painted main window, under a private Xvfb.
#   bench/app/startup.sh [path to Dremlor] [runs]
# Each run starts the program with a fresh HOME and the emulated Korrina and
# measures from the launch until a pixel inside the skinned dialog (the white help
# panel) shows on the screen; it prints every run and the median.
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

app, x, y, log = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
display = x11.XOpenDisplay(None)
root = x11.XDefaultRootWindow(display)
libc = ctypes.CDLL("libc.so.6")

start = time.monotonic()
process = subprocess.Popen([app], stdout=open(log, "w"), stderr=subprocess.STDOUT)

while time.monotonic() - start < 20:
    image = x11.XGetImage(display, root, x, y, 1, 1, 0xFFFFFFFF, 2)
    pixel = x11.XGetPixel(image, 0, 0) if image else 0
    r, g, b = (pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255
    if min(r, g, b) > 0xE8:
        print("%.0f" % ((time.monotonic() - start) * 1000), process.pid)
        break
    time.sleep(0.005)
else:
    print("timeout", process.pid)
PY

# Dialog point (120, 75) in the help panel; the window's top-left is where a
# centred 500 x 400 window starts, plus its 1-pixel border and 27-pixel title bar.
px=$(( (screenWidth - 500) / 2 + 1 + 120 ))
py=$(( (screenHeight - 400) / 2 + 1 + 27 + 75 ))

times=()
for run in $(seq 1 "$runs"); do
    rm -rf "$HOME" && mkdir -p "$HOME"
    read -r ms pid < <(python3 "$probe" "$app" "$px" "$py" "$artifacts/run-$run.log")
    started_pids+=("$pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    echo "run $run: $ms ms to a painted window"
    times+=("$ms")
done

printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print "median:", a[int((NR + 1) / 2)], "ms over", NR, "runs" }'
rm -rf "$artifacts"
