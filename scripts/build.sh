#!/usr/bin/env bash
# Configures and builds everything (program, tools, tests, benchmarks) into ./build.
# Missing Debian packages are installed first unless TOLVEK_SKIP_DEPS=1; extra arguments go to the
# CMake configuration (scripts/test.sh --sanitize passes its options this way).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"

if [ "${TOLVEK_SKIP_DEPS:-0}" != "1" ]; then
    bash "$root/scripts/install-deps.sh"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j "$(nproc)"
