#!/usr/bin/env bash
# Link-fault soak for longer than the suite's minute: the headless command in a loop against the
# emulator while random corrupt/drop/split/damaged/unplug/plug lines go in. Prints every failed run
# and the count of runs per exit code; exits non-zero when a run broke the rules (wrong data under
# exit 0, no exit within its time-out, not exactly one error line, a temporary file left).
#   bash scripts/soak.sh MINUTES [SEED]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"
minutes="${1:-}"
if ! [[ "$minutes" =~ ^[0-9]+$ ]] || [ "$minutes" -lt 1 ]; then
    echo "usage: scripts/soak.sh MINUTES [SEED]" >&2
    exit 2
fi

bash "$root/scripts/build.sh" >/dev/null
export QT_QPA_PLATFORM=offscreen
export TOLVEK_SOAK_SECONDS=$((minutes * 60))
if [ -n "${2:-}" ]; then
    export TOLVEK_SOAK_SEED="$2"
fi
status=0
"$build/tests/tools_tst_LinkFaultSoak" soak >"$build/soak.log" 2>&1 || status=$?
# QINFO lines: one per failed run, then the summary with the counts per exit code
sed -n 's/^QINFO *: tst_LinkFaultSoak::soak() //p' "$build/soak.log"
grep -E '^(FAIL!|   Loc:)' "$build/soak.log" || true
if [ "$status" -ne 0 ]; then
    echo "error: the soak found faults (full output in $build/soak.log)" >&2
fi
exit "$status"
