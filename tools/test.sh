#!/usr/bin/env bash
# Sets up, checks that product code makes text of outside bytes only through
# Utf8Text (tools/check_text_from_bytes.py), then builds and runs the whole test suite:
#   1. ASan+UBSan build (clang): every in-process test (GUI ones under Xvfb) and one start
#      of the program (label "start"), then a bounded smoke run of every fuzz target;
#   2. TSan build (clang): device-link, application and update tests (GUI ones under Xvfb);
#   3. the normal build (g++): every test, GUI ones under Xvfb;
#   4. the Windows build (MinGW-w64 cross build, tools/test-windows.sh): device-link and
#      workflow tests and the program end to end under Wine. Its ctest summary, then the
#      whole command's time, are the last lines.
# Exits non-zero on any failure.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DREMLOR_BUILD_DIR:-$root/build}"
jobs="$(nproc)"

bash "$root/tools/setup.sh"

# A look through the sources as the compiler reads them, before anything is built; it
# prints the offending lines. Then the look itself is tried on its fixture.
python3 "$root/tools/check_text_from_bytes.py" "$root"
python3 "$root/tests/tools/check_text_from_bytes_test.py"

configure ()
{
    local dir="$1"; shift
    cmake -S "$root" -B "$dir" -G Ninja -Wno-dev "$@" > "$dir.configure.log" 2>&1 \
        || { cat "$dir.configure.log"; return 1; }
}

mkdir -p "$build"

# The Windows build's libraries (cross-built from Debian's sources once, then reused)
# build from the start at the lowest priority: the Linux builds' test runs leave the
# processor idle much of the time, and the libraries fill it. The Windows stage waits
# for them.
# It runs in a session of its own, so that a failing stage's exit ends all of it.
DREMLOR_BUILD_DIR="$build" DREMLOR_JOBS="$jobs" DREMLOR_WINDOWS_TESTS=ON DREMLOR_WINDOWS_LIBRARIES_ONLY=ON \
    setsid --wait nice -n 19 bash "$root/tools/build-windows.sh" > "$build/windows-libraries.log" 2>&1 &
windowsLibraries=$!
trap 'kill -- -"$windowsLibraries" 2> /dev/null || true' EXIT

# stage <name>: announces a stage with the time since the command started.
stage ()
{
    echo "== $1 (at $(( SECONDS / 60 )) min $(( SECONDS % 60 )) s)"
}

# The normal build's test cases mostly wait (on timers, the emulated units, the X
# server, the program under test), so four times as many run at once as there are
# cores. The sanitizer builds' cases compute more, and their emulated units must keep
# answering within the protocol's time-outs, so they run one per core.
normalTestJobs=$(( jobs * 4 ))

# Each build sets its optimisation through RelWithDebInfo's flags (the framework adds
# -O3 of its own to Release), with debug information as line tables only: every frame
# of a report is named, at a fraction of the compile time of full debug information.
# The sanitizer builds are lightly optimised, and the ASan build compiles the
# framework's own sources unoptimised: its undefined-behaviour checks make an
# optimising compile of them four times slower. The ASan build asks for the program by
# name: a build folder configured while that build left it out still holds it off.
stage "ASan + UBSan build"
configure "$build/asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" -DDREMLOR_JUCE_COMPILE_OPTIONS=-O0 \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DDREMLOR_SANITIZE=address -DDREMLOR_BUILD_FUZZERS=ON \
    -DDREMLOR_BUILD_APP=ON
cmake --build "$build/asan" -j "$jobs"
(cd "$build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    bash "$root/tools/xvfb-session.sh" ctest -LE e2e -j "$jobs" --output-on-failure --timeout 300) \
    || { bash "$root/tools/failed-tests.sh" "$build/asan/Testing/Temporary/LastTest.log"; exit 1; }

stage "Fuzz smoke runs"
# fuzzOnce <fuzzer>: a bounded run from the target's seeds; says how far it got.
fuzzOnce ()
{
    local fuzzer="$1" name scratch
    name="$(basename "$fuzzer")"; name="${name#fuzz_}"
    scratch="$build/asan/fuzz-scratch/$name"
    mkdir -p "$scratch"
    if ! "$fuzzer" "$scratch" "$root/fuzz/corpus/$name" -max_total_time=20 -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=0 > "$scratch.log" 2>&1; then
        echo "-- $name FAILED"; tail -50 "$scratch.log"; return 1
    fi
    echo "-- $name: $(grep -E '^(#[0-9]+.*DONE|Done)' "$scratch.log" | tail -1)"
}

# One run per core at a time.
running=()
for fuzzer in "$build"/asan/bin/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    fuzzOnce "$fuzzer" &
    running+=("$!")
    if [ "${#running[@]}" -ge "$jobs" ]; then
        wait "${running[0]}"
        running=("${running[@]:1}")
    fi
done
for pid in "${running[@]}"; do wait "$pid"; done

stage "TSan build"
configure "$build/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DDREMLOR_SANITIZE=thread
cmake --build "$build/tsan" -j "$jobs" --target devicelink_tests app_tests update_tests dremlor_default_skin
(cd "$build/tsan" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    bash "$root/tools/xvfb-session.sh" ctest -L "devicelink|app|update" -j "$jobs" --output-on-failure --timeout 300) \
    || { bash "$root/tools/failed-tests.sh" "$build/tsan/Testing/Temporary/LastTest.log"; exit 1; }

# The product's optimisation.
stage "Normal build"
configure "$build/main" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
cmake --build "$build/main" -j "$jobs"
status=0
normalStatus=0
(cd "$build/main" && bash "$root/tools/xvfb-session.sh" ctest -j "$normalTestJobs" --output-on-failure --timeout 600) \
    || normalStatus=$?

stage "Windows build under Wine"
if wait "$windowsLibraries"; then
    DREMLOR_JOBS="$jobs" bash "$root/tools/test-windows.sh" || status=$?
else
    echo "The Windows build's libraries failed:"; tail -60 "$build/windows-libraries.log"; status=1
fi
# The Windows stage reports its own failures; the normal build's come last, with them.
if [ "$normalStatus" -ne 0 ]; then
    bash "$root/tools/failed-tests.sh" "$build/main/Testing/Temporary/LastTest.log"
    status="$normalStatus"
fi
echo "== Done (after $(( SECONDS / 60 )) min $(( SECONDS % 60 )) s)"
exit "$status"
