#!/usr/bin/env bash
# Builds the Debian package of both programs from the release preset (the
# programs alone: no tests, no benchmark) and prints the package's path on the
# last line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --package
build=build/release
# A package left from an earlier version would otherwise be taken for this one.
rm -f "$build"/zolprint_*.deb
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Built as Debian builds its own packages: its compiler and linker flags, with
# all of its hardening (fortified functions, stack protector, read-only
# relocations bound at start, position-independent program). Given on every
# configure, so that a build folder made earlier without them cannot lend the
# package its flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
{
    cmake --preset release -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" &&
        cmake --build --preset release &&
        cpack --preset release
} >"$log" 2>&1 || {
    cat "$log" >&2
    echo "package: the release build or cpack failed" >&2
    exit 1
}

debs=("$build"/zolprint_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
    echo "package: cpack made no single zolprint_*.deb in $build" >&2
    exit 1
fi
realpath "${debs[0]}"
