#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks use, when any is missing.
# fonts-dejavu-core gives the PDF report a font with Cyrillic letters to embed; poppler-utils lets
# the tests read the report's text back and render its pages.
# Extra package names given as arguments are checked and installed the same way (scripts/fuzz.sh
# asks for the compiler it needs). Without apt-get it lists what to install and fails.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache
    qtbase5-dev qtbase5-dev-tools
    libqt5charts5-dev libqt5serialport5-dev libqt5svg5-dev libqt5svg5
    qttools5-dev qttools5-dev-tools
    libbenchmark-dev libfftw3-dev
    zlib1g-dev
    fonts-dejavu-core poppler-utils
    desktop-file-utils appstream
    python3-pyvisa-py
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if ! command -v apt-get >/dev/null 2>&1; then
    cat >&2 <<MSG
error: these packages are missing and there is no apt-get to install them:
    ${missing[*]}
They are Debian package names. Install the same software with your system's package manager
(a C++17 compiler, CMake, Ninja, Qt 5.15 with Charts, SerialPort, Svg and the Linguist tools,
Google Benchmark and FFTW for the benchmarks), then build with TOLVEK_SKIP_DEPS=1.
MSG
    exit 1
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
