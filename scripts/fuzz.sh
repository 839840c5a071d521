#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, default 30) from its seed corpus: they are the tests of the
# fuzz preset (tests/fuzz/CMakeLists.txt). A crash leaves its input in
# build/fuzz/crashes/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset fuzz -DZOL_FUZZ_SECONDS="${FUZZ_SECONDS:-30}" >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
ctest --preset fuzz
