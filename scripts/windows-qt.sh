#!/usr/bin/env bash
# Makes Qt for Windows (Qt cross-built with MinGW-w64, see
# ../shared/windows-qt/README.md) ready in build/qt, where the windows preset
# looks for it. The bundle is taken from $ZOL_WINDOWS_QT, else from
# ../shared/windows-qt/ beside this clone: a folder holding
# qt-*-mingw-w64-x86_64.tar.xz (unpacked into build/qt once, again when the
# archive changes), or an unpacked Qt (with bin/qt-cmake), used where it is.
# Exits 1 with one line when there is no bundle.
set -euo pipefail
cd "$(dirname "$0")/.."
from=${ZOL_WINDOWS_QT:-../shared/windows-qt}
target=build/qt

if [[ -x "$from/bin/qt-cmake" ]]; then
    mkdir -p build
    [[ -L $target || ! -e $target ]] || rm -rf "$target"
    ln -sfn "$(realpath "$from")" "$target"
    exit 0
fi
archives=("$from"/qt-*-mingw-w64-x86_64.tar.xz)
if [[ ! -f "${archives[0]}" ]]; then
    echo "windows-qt: no Qt for Windows in $from (set ZOL_WINDOWS_QT to the folder holding it)"
    exit 1
fi
archive=$(realpath "${archives[-1]}")
stamp="$archive $(stat -c '%s %Y' "$archive")"
if [[ -f $target/.unpacked-from && "$(cat "$target/.unpacked-from")" == "$stamp" ]]; then
    exit 0
fi
rm -rf "$target" build/qt.unpacking
mkdir -p build/qt.unpacking
tar xJf "$archive" -C build/qt.unpacking
[[ -x build/qt.unpacking/qt/bin/qt-cmake ]] || {
    echo "windows-qt: $archive holds no qt/bin/qt-cmake" >&2
    exit 1
}
mv build/qt.unpacking/qt "$target"
rmdir build/qt.unpacking
echo "$stamp" >"$target/.unpacked-from"
