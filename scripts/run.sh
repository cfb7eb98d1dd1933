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

# TOLVEKVNA_DEMO_UPDATE=1: a local update server offers one newer firmware image (2.0.1; the
# emulator runs 2.0.0), so that a firmware update can be tried offline.
if [ "${TOLVEKVNA_DEMO_UPDATE:-0}" = "1" ] && [ -x "$build/vna-update-server" ]; then
    demo="$build/update-demo"
    rm -rf "$demo" && mkdir -p "$demo/images"
    head -c 65536 /dev/urandom >"$demo/images/2.0.1.bin"
    # The server quits when its input closes, i.e. with this script and the program started below.
    exec {demo_server}> >(exec "$build/vna-update-server" --port 0 --images "$demo/images" --quit-on-eof \
        >"$demo/requests.log" 2>&1)
    demo_url=""
    for _ in $(seq 50); do
        demo_url="$(sed -n 's/^listening on //p' "$demo/requests.log" 2>/dev/null || true)"
        [ -n "$demo_url" ] && break
        sleep 0.1
    done
    if [ -n "$demo_url" ]; then
        export TOLVEKVNA_UPDATE_URL="$demo_url"
        echo "Demo update server at $demo_url (requests in $demo/requests.log)"
    else
        echo "The demo update server did not start; see $demo/requests.log"
    fi
fi

"$build/tolvekvna"
