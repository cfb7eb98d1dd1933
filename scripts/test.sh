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
    # what the toolkit keeps for the life of the process is excused there, nothing of ours
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
ctest --output-on-failure --no-tests=error -j "$(nproc)" "$@"
