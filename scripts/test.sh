#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: every source of
# both programs compiled for Windows (syntax only), the suite as built,
# the Debian package (its files, dependencies, and an install and removal
# when run as root), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (leaks included), and each fuzz target for a
# bounded time.
#   scripts/test.sh          all of it (what CI runs)
#   scripts/test.sh --quick  the Windows compile check and the plain suite only
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[[ "${1:-}" == "--quick" ]] && quick=true

scripts/setup.sh --tests
werror=OFF
[[ -n "${CI:-}" ]] && werror=ON
jobs=$(nproc)

stage() { printf '\n== test: %s\n' "$*"; }

# The Windows check needs only the configured suite's compile_commands.json,
# so it comes before the build and a Windows-only error shows at once.
stage "Windows compile check"
cmake --preset default -DZOL_WERROR=$werror >/dev/null
JOBS=$jobs scripts/windows-compile.sh build/default

stage "suite"
cmake --build --preset default -j"$jobs"
scripts/pdf-printer.sh || echo "test: no PDF printer, so the real printer test cannot run" >&2
ctest --preset default -j"$jobs"
$quick && exit 0

stage "Debian package"
scripts/test-package.sh

stage "suite under the sanitizers"
cmake --preset asan -DZOL_WERROR=$werror >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

stage "fuzz targets"
scripts/fuzz.sh
