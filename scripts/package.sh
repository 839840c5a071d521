#!/usr/bin/env bash
# Builds the Debian package of both programs from a release build without the
# tests, and prints the package's path on the last line.
#   scripts/package.sh           build folder build/package
#   ZOL_PACKAGE_BUILD=DIR scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --package
build=${ZOL_PACKAGE_BUILD:-build/package}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZOL_BUILD_TESTS=OFF -DZOL_FUZZ=OFF \
      -DZOL_SANITIZE=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
# A package left from an earlier version would otherwise be taken for this one.
rm -f "$build"/zolprint_*.deb
(cd "$build" && cpack -G DEB >/dev/null)

debs=("$build"/zolprint_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
    echo "package: cpack made no single zolprint_*.deb in $build" >&2
    exit 1
fi
realpath "${debs[0]}"
