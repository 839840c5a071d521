#!/usr/bin/env bash
# Makes resources/zol.ico, the Windows programs' icon, from the 32-pixel
# picture resources/zol.png, in the sizes Explorer, the taskbar and Alt+Tab
# ask for: 16, 32, 48 and 256 pixels. The picture is drawn pixel by pixel, so
# 32 stays as drawn and 256 is each pixel made eight by eight; 16 and 48 are
# averaged from it. Stripped PNGs and icotool make the same bytes on every
# run: run it again only when the picture changes, and commit the result.
# Needs imagemagick and icoutils (scripts/setup.sh --tests).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
magick=/usr/bin/convert
# png SIZE OPERATION...: the picture at SIZE pixels, 32-bit RGBA.
png() {
    local size=$1
    shift
    "$magick" "$here/resources/zol.png" "$@" -strip -define png:exclude-chunks=date,time \
        "PNG32:$work/$size.png"
}
png 16 -filter box -resize 16x16
png 32
png 48 -filter box -resize 48x48
png 256 -sample 256x256
# The three small ones as bitmaps, as older parts of Windows read them; 256
# as PNG, as Windows Vista and later store it.
icotool -c -o "$here/resources/zol.ico" "$work/16.png" "$work/32.png" "$work/48.png" \
    --raw="$work/256.png"
icotool -l "$here/resources/zol.ico"
