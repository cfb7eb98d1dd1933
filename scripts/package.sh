#!/usr/bin/env bash
# Builds the Debian package tolvekvna_<version>_<arch>.deb from the build directory (./build, or
# TOLVEK_BUILD_DIR) into ./build/packages, then lets lintian look at it when it is installed:
# errors fail the script, warnings are printed. Install it with
#   sudo apt install ./build/packages/tolvekvna_*.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVEK_BUILD_DIR:-$root/build}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    bash "$root/scripts/build.sh"
else
    cmake --build "$build"
fi
# dpkg-shlibdeps works out the dependencies from the libraries the programs link.
if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
    echo "error: dpkg-shlibdeps is missing (Debian package dpkg-dev)" >&2
    exit 1
fi
out="$build/packages"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
deb="$(ls -t "$out"/tolvekvna_*.deb | head -n 1)"
echo "$deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

if command -v lintian >/dev/null 2>&1; then
    status=0
    lintian --tag-display-limit 0 "$deb" || status=$?
    # lintian exits non-zero on errors only
    if [ "$status" -ne 0 ]; then
        echo "error: lintian found errors in $deb" >&2
        exit "$status"
    fi
else
    echo "lintian is not installed: the package was not checked"
fi
