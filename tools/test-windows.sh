#!/usr/bin/env bash
# The Windows part of the test command (tools/test.sh runs it after the Linux builds):
# cross-builds Dremlor.exe and the Windows tests (tools/build-windows.sh), prepares a
# Wine prefix of its own under build/windows once, and runs under Wine on a private
# X display: the device-link tests, the send and backup workflow tests against the
# emulated units, and the program itself end to end. Ends with ctest's summary line.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
windows="${DREMLOR_BUILD_DIR:-$root/build}/windows"
jobs="${DREMLOR_JOBS:-$(nproc)}"

DREMLOR_WINDOWS_TESTS=ON bash "$root/tools/build-windows.sh"

# No Mono or Gecko installers (nothing here needs .NET or the HTML engine), no debug
# chatter, and no sound drivers asked for devices a test machine does not have.
export WINEPREFIX="$windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv="

if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "== Preparing the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot --init > "$windows/wineboot.log" 2>&1 || { cat "$windows/wineboot.log"; exit 1; }
    wineserver --wait
fi

echo "== Windows tests under Wine"
cd "$windows/build"
status=0
bash "$root/tools/xvfb-session.sh" ctest -L wine -j "$jobs" --output-on-failure --timeout 600 || status=$?
# The device-link cases run in one process: their own count, from its output.
sed -n '/Testing: wine.devicelink_tests/,/^Test \(Passed\|Failed\)/p' Testing/Temporary/LastTest.log 2>/dev/null \
    | grep -E '^\[  (PASSED|SKIPPED|FAILED)  \] [0-9]+ tests?[,.]' | sed 's/^/   wine.devicelink_tests: /' || true
wineserver --kill 2>/dev/null || true
exit "$status"
