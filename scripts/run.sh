#!/usr/bin/env bash
# Builds and starts TolvekVNA; arguments go to the program (tolvekvna --help). An emulated analyser
# is started beside it and offered in the port dialog next to any analyser that is attached
# (TOLVEK_NO_EMULATOR=1 leaves it out).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"

# Without a display the window cannot open: say so before building and starting anything.
platform="${QT_QPA_PLATFORM:-}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    { [ -z "$platform" ] || [[ "$platform" == xcb* ]] || [[ "$platform" == wayland* ]]; }; then
    echo "error: no display to open the window on (DISPLAY is not set); run it in a desktop session," \
        "under a virtual display with \"xvfb-run -a bash scripts/run.sh\", or measure without a window" \
        "with build/tolvekvna-measure --help" >&2
    exit 1
fi

bash "$root/scripts/build.sh"

emulator_pid=""
link_dir=""
cleanup() {
    if [ -n "$emulator_pid" ]; then
        kill "$emulator_pid" 2>/dev/null || true
    fi
    if [ -n "$link_dir" ]; then
        rm -rf "$link_dir"
    fi
}
trap cleanup EXIT

if [ "${TOLVEK_NO_EMULATOR:-0}" != "1" ]; then
    if [ ! -x "$build/vna-emulator" ]; then
        echo "error: the emulator was not built ($build/vna-emulator is missing)" >&2
        exit 1
    fi
    # a private directory: a fixed name in a shared one could be taken by someone else first
    link_dir="$(mktemp -d "${TMPDIR:-/tmp}/tolvekvna-emulator.XXXXXX")"
    link="$link_dir/ttyVNA"
    # The emulator takes control lines on standard input and quits when it closes, so it cannot
    # outlive this script even when the script is killed.
    # Its warnings go to the terminal; the first line on standard output is the port when ready.
    coproc EMULATOR { exec "$build/vna-emulator" --link "$link" --quit-on-eof; }
    emulator_pid=$EMULATOR_PID
    emulator_out="${EMULATOR[0]:-}"
    ready=""
    if [ -n "$emulator_out" ]; then
        read -r -t 10 ready <&"$emulator_out" || true
    fi
    if [ "$ready" != "$link" ] || ! kill -0 "$emulator_pid" 2>/dev/null; then
        echo "error: the emulator did not come up within 10 s${ready:+ (it said: $ready)}" >&2
        echo "       start it by hand to see why: $build/vna-emulator --link $link" >&2
        exit 1
    fi
    echo "Emulated analyser at $link (offered in the port dialog)"
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

"$build/tolvekvna" "$@"
