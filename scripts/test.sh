#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, preset by preset:
# Windows (both programs built with Qt for Windows, their tests, the zip and
# the installer, and under Wine the programs from both reading a simulated
# meter and programming a name over a pseudo-terminal with
# ../shared/wine-serial; where there is no Qt for Windows, every source
# compiled for Windows, syntax only), the suite as built, the Debian
# package, the suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks included), and each fuzz target for a bounded time.
#   scripts/test.sh          all of it (what CI runs; warnings are errors there)
#   scripts/test.sh --quick  the Windows stage and the plain suite only
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[[ "${1:-}" == "--quick" ]] && quick=true

scripts/setup.sh --tests
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

stage() { printf '\n== test: %s\n' "$*"; }

# The printing tests, here and under Wine, print into this queue.
scripts/pdf-printer.sh || echo "test: no PDF printer, so the real printer tests cannot run" >&2

stage "Windows"
if why=$(scripts/windows-qt.sh); then
    cmake --workflow --preset windows
else
    echo "$why: every source is compiled for Windows, syntax only"
    cmake --preset default >/dev/null
    ctest --preset windows-syntax
fi

stage "suite"
cmake --workflow --preset default
$quick && exit 0

stage "Debian package"
scripts/test-package.sh

stage "suite under the sanitizers"
cmake --workflow --preset asan

stage "fuzz targets"
cmake --workflow --preset fuzz
