#!/usr/bin/env bash
# Installs the Debian 12 packages the programs need to build, run and be
# tested. Does nothing when they are all present.
#   scripts/setup.sh          build and run
#   scripts/setup.sh --tests  also what the test suite needs
#   scripts/setup.sh --package  also what building the Debian package needs
set -euo pipefail

packages=(cmake g++ make qt6-base-dev qt6-serialport-dev libgl-dev libfontconfig-dev
          libcups2-dev fonts-liberation qt6-translations-l10n)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(xvfb xauth xdotool imagemagick cups printer-driver-cups-pdf poppler-utils
              clang libclang-rt-14-dev dpkg-dev desktop-file-utils
              shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin
              g++-mingw-w64-x86-64-posix python3 qt6-base-dev-tools wine64 tesseract-ocr
              orca speech-dispatcher espeak-ng at-spi2-core dbus-x11 x11-utils openbox
              lintian appstream devscripts man-db nsis icoutils python3-markdown)
elif [[ "${1:-}" == "--package" ]]; then
    packages+=(dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "setup: these packages are missing and there is neither root nor sudo to install them:" >&2
    echo "  ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${as_root[@]}" apt-get update -q || \
   ! "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    echo "setup: could not install: ${missing[*]}" >&2
    echo "setup: install them with apt-get and run this again." >&2
    exit 1
fi
