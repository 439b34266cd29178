#!/usr/bin/env bash
# Sets up, builds and starts Dremlor. Set DREMLOR_VIRTUAL_MIDI (e.g. "korrina") to
# talk to emulated units instead of real MIDI devices; on a machine without a MIDI
# system the program starts with emulated units anyway (see tools/launch.sh).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DREMLOR_BUILD_DIR:-$root/build}/main"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j "$(nproc)"

app="$build/bin/Dremlor"
if [ ! -x "$app" ]; then
    echo "The application is not built yet: only the libraries and their tests exist."
    exit 1
fi
exec bash "$root/tools/launch.sh" "$app" "$@"
