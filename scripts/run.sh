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
    # The emulator takes control lines on standard input and quits when it closes, so it cannot
    # outlive this script even when the script is killed.
    coproc EMULATOR { exec "$build/vna-emulator" --link "$link" --quit-on-eof 2>&1; }
    emulator_pid=$EMULATOR_PID
    read -r -t 10 ready <&"${EMULATOR[0]}" || true
    echo "No analyser found: started the emulator at ${ready:-$link}"
fi

"$build/tolvekvna"
