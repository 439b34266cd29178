#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite:
#   1. ASan+UBSan build (clang): every in-process test (GUI ones under Xvfb), then a bounded
#      smoke run of every fuzz target;
#   2. TSan build (clang): device-link, application and update tests (GUI ones under Xvfb);
#   3. the normal build (g++): every test, GUI ones under Xvfb;
#   4. the Windows build (MinGW-w64 cross build, tools/test-windows.sh): device-link and
#      workflow tests and the program end to end under Wine. Its ctest summary is the
#      last line.
# Exits non-zero on any failure.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DREMLOR_BUILD_DIR:-$root/build}"
jobs="$(nproc)"

bash "$root/tools/setup.sh"

configure ()
{
    local dir="$1"; shift
    cmake -S "$root" -B "$dir" -G Ninja -Wno-dev "$@" > "$dir.configure.log" 2>&1 \
        || { cat "$dir.configure.log"; return 1; }
}

mkdir -p "$build"

echo "== ASan + UBSan build"
configure "$build/asan" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDREMLOR_SANITIZE=address -DDREMLOR_BUILD_FUZZERS=ON
cmake --build "$build/asan" -j "$jobs"
(cd "$build/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    bash "$root/tools/xvfb-session.sh" ctest -LE e2e -j "$jobs" --output-on-failure --timeout 300)

echo "== Fuzz smoke runs"
for fuzzer in "$build"/asan/bin/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name="$(basename "$fuzzer")"; name="${name#fuzz_}"
    scratch="$build/asan/fuzz-scratch/$name"
    mkdir -p "$scratch"
    echo "-- $name"
    "$fuzzer" "$scratch" "$root/fuzz/corpus/$name" -max_total_time=20 -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=0 > "$scratch.log" 2>&1 || { tail -50 "$scratch.log"; exit 1; }
    grep -E '^(#[0-9]+.*DONE|Done)' "$scratch.log" | tail -1 || true
done

echo "== TSan build"
configure "$build/tsan" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDREMLOR_SANITIZE=thread
cmake --build "$build/tsan" -j "$jobs" --target devicelink_tests app_tests update_tests dremlor_default_skin
(cd "$build/tsan" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    bash "$root/tools/xvfb-session.sh" ctest -L "devicelink|app|update" -j "$jobs" --output-on-failure --timeout 300)

echo "== Normal build"
configure "$build/main" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build/main" -j "$jobs"
status=0
(cd "$build/main" && bash "$root/tools/xvfb-session.sh" ctest -j "$jobs" --output-on-failure --timeout 600) || status=$?

echo "== Windows build under Wine"
DREMLOR_JOBS="$jobs" bash "$root/tools/test-windows.sh" || status=$?
exit "$status"
