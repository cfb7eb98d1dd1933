#!/usr/bin/env bash
# Regenerates docs/screenshot.png: starts the emulator and the main window on a virtual display,
# connects through the port dialog, waits for live sweeps and lets the window photograph itself.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/screenshot.png}"

bash "$root/scripts/build.sh" >/dev/null

work="$(mktemp -d)"
emulator_pid=""
cleanup() {
    if [ -n "$emulator_pid" ]; then
        kill "$emulator_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

link="$work/ttyVNA"
# A series resonance near 2 GHz, inside the default sweep, gives every chart type something to show.
coproc EMULATOR { exec "$build/vna-emulator" --link "$link" --dut rlc=50,25e-9,0.25e-12 --delay-us 0 --quit-on-eof 2>&1; }
emulator_pid=$EMULATOR_PID
read -r -t 10 _ <&"${EMULATOR[0]}" || true

mkdir -p "$(dirname "$out")"
args=(--port "$link" --data-dir "$work/app" --screenshot "$out" --sweeps 3 --points 1000)
if command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1600x1000x24" "$build/tolvekvna-window" "${args[@]}"
else
    QT_QPA_PLATFORM=offscreen "$build/tolvekvna-window" "${args[@]}"
fi
