#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
werror=OFF
[[ -n "${CI:-}" ]] && werror=ON
cmake --preset default -DZOL_WERROR=$werror >/dev/null
cmake --build --preset default -j"$(nproc)"
scripts/pdf-printer.sh || echo "test: no PDF printer, so the real printer test cannot run" >&2
ctest --preset default -j"$(nproc)"
