#!/usr/bin/env bash
# Builds and starts TolvekVNA. Without an analyser attached, an emulated one is started first and
# offered in the port dialog.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"

emulator_pid=""
cleanup() {
    if [ -n "$emulator_pid" ]; then
        kill "$emulator_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if ! ls /dev/ttyACM* >/dev/null 2>&1 && [ -x "$build/vna-emulator" ]; then
    link="${XDG_RUNTIME_DIR:-/tmp}/tolvekvna-emulator"
    # The emulator reads control lines on standard input; keep it open so it does not quit.
    tail -f /dev/null | "$build/vna-emulator" --link "$link" &
    emulator_pid=$!
    echo "No analyser found: started the emulator at $link"
fi

"$build/tolvekvna"
