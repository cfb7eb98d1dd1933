#!/usr/bin/env bash
# Builds everything and runs every test headless. Exits non-zero when a test fails or none ran.
#   bash scripts/test.sh [--sanitize] [CTEST ARGUMENTS...]
# --sanitize builds the whole suite, tools included, with the address and undefined-behaviour
# sanitizers into its own directory (./build-sanitize) and runs it there; any sanitizer report
# fails the test it happened in.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=1
    shift
fi

if [ "$sanitize" -eq 1 ]; then
    build="${TOLVEK_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
    TOLVEK_BUILD_DIR="$build" bash "$root/scripts/build.sh" -DTOLVEK_SANITIZE=ON -DTOLVEK_BUILD_BENCH=OFF
    # the toolkit's platform plugin keeps allocations for the life of the process; see the file
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
    # the slow unwinder lets the suppressions see through the toolkit's libraries (see lsan.supp)
    export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:fast_unwind_on_malloc=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
    build="${TOLVEK_BUILD_DIR:-$root/build}"
    bash "$root/scripts/build.sh"
fi
cd "$build"
export QT_QPA_PLATFORM=offscreen
# ctest exits 8 when no test ran; say so plainly for CI as well.
if [ "$sanitize" -eq 1 ] && [ $# -eq 0 ]; then
    # The tests that build chart views and the window (the report draws views, the installed
    # program opens its window) still report leaks from objects held inside the toolkit's chart and
    # text layout classes; until those are traced they run with every address and
    # undefined-behaviour check but without the leak check. Everything else runs with it.
    window_tests='^(ui|charts|remote|report)[.]|^core[.]tst_StartupSequence$|^tools[.]tst_InstalledProgram$'
    status=0
    ctest --output-on-failure --no-tests=error -j "$(nproc)" -E "$window_tests" || status=$?
    ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" \
        ctest --output-on-failure --no-tests=error -j "$(nproc)" -R "$window_tests" || status=$?
    exit "$status"
fi
ctest --output-on-failure --no-tests=error -j "$(nproc)" "$@"
