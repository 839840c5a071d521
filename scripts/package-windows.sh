#!/usr/bin/env bash
# Builds the Windows installer and zip of both programs with Qt for Windows
# (scripts/windows-qt.sh) and prints their paths on the last two lines:
#   build/windows-package/ZOLprint-<version>-setup.exe
#   build/windows-package/ZOLprint-<version>-windows-x64.zip
# The zip holds one folder: the programs, the Qt and MinGW DLLs and plugins
# they load, Qt's catalogs, the user guide and the licences, as the install
# rules of the Windows build put them (cmake/deployqt.cmake). The installer
# (NSIS, packaging/windows/zolprint.nsi) is made by CPack from that zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
scripts/windows-qt.sh >&2 || exit 1
version=$(sed -nE 's/^project\(ZOLprint VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
zip=build/windows-package/ZOLprint-$version-windows-x64.zip
setup=build/windows-package/ZOLprint-$version-setup.exe
rm -f "$zip" "$setup"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --workflow --preset windows-package >&2
[[ -f $zip ]] || { echo "package-windows: cpack made no $zip" >&2; exit 1; }
[[ -f $setup ]] || { echo "package-windows: cpack made no $setup" >&2; exit 1; }
realpath "$setup" "$zip"
