#!/usr/bin/env bash
# Builds everything and runs every test headless. Exits non-zero when a test fails or none ran.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"
cd "$build"
export QT_QPA_PLATFORM=offscreen
# ctest exits 8 when no test ran; say so plainly for CI as well.
ctest --output-on-failure --no-tests=error -j "$(nproc)" "$@"
