#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang (address and undefined-behaviour sanitizers, the
# library instrumented for coverage) into ./build-fuzz and runs each for SECONDS (default 60),
# starting from its committed seeds. Prints the executions per target; exits non-zero when any
# target found a crash, a leak or a sanitizer report (the input is kept in build-fuzz/findings).
#   bash scripts/fuzz.sh [SECONDS]        TOLVEK_FUZZ_TARGETS="header touchstone" limits the targets
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
fi

if [ "${TOLVEK_SKIP_DEPS:-0}" != "1" ]; then
    # libclang-rt-dev holds libFuzzer and the sanitizer run-times
    bash "$root/scripts/install-deps.sh" clang libclang-rt-dev
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DTOLVEK_FUZZ=ON -DTOLVEK_BUILD_TESTS=OFF -DTOLVEK_BUILD_BENCH=OFF >/dev/null
targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
    name="$(basename "$source" .cpp)"
    name="${name#fuzz_}"
    if [ -n "${TOLVEK_FUZZ_TARGETS:-}" ] && [[ " $TOLVEK_FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    targets+=("$name")
done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
# the toolkit's platform plugin keeps allocations for the life of the process; see the file
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/findings"
failed=()
printf '%-20s %12s %8s  %s\n' target executions exec/s result
for name in "${targets[@]}"; do
    # the committed seeds stay untouched; new inputs go to a working corpus beside them
    work="$build/corpus/$name"
    mkdir -p "$work"
    log="$build/findings/$name.log"
    status=0
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        "$work" "$root/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
    result=ok
    if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
        result="FAILED (exit $status, see $log)"
        failed+=("$name")
    fi
    printf '%-20s %12s %8s  %s\n' "$name" "${runs:-?}" "${speed:-?}" "$result"
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "error: fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
