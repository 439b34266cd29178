#!/usr/bin/env bash
# The Windows part of the test command (tools/test.sh runs it after the Linux builds):
# cross-builds Dremlor.exe and the Windows tests (tools/build-windows.sh), checks the
# package's licence files, prepares a Wine prefix of its own under build/windows once,
# and runs under Wine on a private X display: the device-link tests, the send and backup
# workflow tests against the emulated units, the update suite, and the program itself
# end to end. Ends with ctest's summary line.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
windows="${DREMLOR_BUILD_DIR:-$root/build}/windows"
jobs="${DREMLOR_JOBS:-$(nproc)}"

# No Mono or Gecko installers (nothing here needs .NET or the HTML engine), no debug
# chatter, and no sound drivers asked for devices a test machine does not have.
export WINEPREFIX="$windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv="

# A new Wine prefix is prepared while the build runs: it needs nothing the build makes.
# A failed preparation leaves no system.reg behind, so the next run prepares it again.
winebootPid=""
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "== Preparing the Wine prefix $WINEPREFIX (in the background)"
    mkdir -p "$WINEPREFIX"
    ( wineboot --init && wineserver --wait ) > "$windows/wineboot.log" 2>&1 &
    winebootPid=$!
fi

DREMLOR_WINDOWS_TESTS=ON bash "$root/tools/build-windows.sh"

# The package holds the project's LICENSE, a notice for each library that the build
# script writes one for, every licence text that those notices refer to, and the
# patch the framework is built with.
checkPackage ()
{
    local zip="$1" top entries notices licences name missing=()
    top="$(basename "$zip" .zip)"
    entries="$(unzip -Z1 "$zip")"
    notices="$(sed -n 's/^ *add\(Source\|Package\)Notice \([^ ]*\) .*/\2/p' "$root/tools/build-windows.sh")"
    [ -n "$notices" ] || { echo "tools/build-windows.sh names no library notices" >&2; return 1; }
    licences="$(for name in $notices; do unzip -p "$zip" "$top/NOTICES/$name.txt" 2> /dev/null; done \
                | grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+-]' | sort -u | xargs -rn1 basename || true)"
    for name in LICENSE NOTICES/JUCE-modifications.patch $(printf 'NOTICES/%s.txt ' $notices) $(printf 'NOTICES/common-licenses/%s.txt ' $licences); do
        grep -qxF "$top/$name" <<< "$entries" || missing+=("$name")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "$zip lacks: ${missing[*]}" >&2
        return 1
    fi
    echo "== $(basename "$zip"): LICENSE, $(wc -w <<< $notices) notices, the $(wc -w <<< $licences) licence texts they refer to and the framework's patch"
}
status=0
checkPackage "$windows/Dremlor-$(head -1 "$root/VERSION")-win64.zip" || status=1

if [ -n "$winebootPid" ]; then
    wait "$winebootPid" || { cat "$windows/wineboot.log"; rm -f "$WINEPREFIX/system.reg"; exit 1; }
fi

# Wine's own processes (wineserver, services.exe, explorer.exe, ...) start with the first
# Windows program and stay while any runs. Started by a test, they keep that test's
# output pipe open, and ctest counts the test as running until the last of them ends:
# the tests then ran one at a time. An idle cmd.exe, its output going nowhere, starts
# them first on the test display and holds them until ctest is done (the end of its
# input lets it go). The tests mostly wait on the emulated units and timers (about 2 s
# of processor time in a 22 s case), so twice as many run as there are cores.
# The program's own end-to-end run goes first, alone, in a Wine session of its own: its
# window manager must be there before Wine's desktop process starts, and its menus did
# not open in a session that the other tests had used.
runWineTests ()
{
    local holder keeper status=0
    ctest -L wine -R '^wine\.e2e_window$' --output-on-failure --timeout 600 || status=$?
    cp Testing/Temporary/LastTest.log Testing/Temporary/LastTest-e2e_window.log
    wineserver --wait 2>/dev/null || true

    holder="$(mktemp -u /tmp/dremlor-wine-holder.XXXXXX)"
    mkfifo "$holder"
    wine cmd.exe < "$holder" > /dev/null 2>&1 &
    keeper=$!
    exec 3> "$holder"
    wine cmd.exe /c exit < /dev/null > /dev/null 2>&1 3>&- || true
    # A proxy that an interrupted run of the user's proxy case left in the prefix goes
    # first: no other test may meet it.
    wine reg import "Z:$2" < /dev/null > /dev/null 2>&1 3>&- || true
    ctest -L wine -E '^wine\.e2e_window$' -j "$1" --output-on-failure --timeout 600 3>&- || status=$?
    exec 3>&-
    wait "$keeper" || true
    rm -f "$holder"
    return "$status"
}

# The user's proxy settings that the update suite's proxy case sets, removed.
clearUserProxy="$windows/clear-user-proxy.reg"
printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]' \
    '"ProxyEnable"=dword:00000000' '"ProxyServer"=-' '"ProxyOverride"=-' '"AutoConfigURL"=-' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections]' \
    '"DefaultConnectionSettings"=-' > "$clearUserProxy"

echo "== Windows tests under Wine"
cd "$windows/build"
bash "$root/tools/xvfb-session.sh" bash -c "$(declare -f runWineTests); runWineTests $(( jobs * 2 )) '$clearUserProxy'" || status=$?
# The device-link cases run in one process: their own count, from its output.
sed -n '/Testing: wine.devicelink_tests/,/^Test \(Passed\|Failed\)/p' Testing/Temporary/LastTest.log 2>/dev/null \
    | grep -E '^\[  (PASSED|SKIPPED|FAILED)  \] [0-9]+ tests?[,.]' | sed 's/^/   wine.devicelink_tests: /' || true
wineserver --kill 2>/dev/null || true
[ "$status" -eq 0 ] || bash "$root/tools/failed-tests.sh" Testing/Temporary/LastTest-e2e_window.log \
                                                         Testing/Temporary/LastTest.log
exit "$status"
