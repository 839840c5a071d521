#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, default 30) from its seed corpus. New inputs go to a scratch
# folder, so the corpus in the tree stays small and reviewed. A crash leaves
# its input in build/fuzz/crashes/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
cmake --preset fuzz >/dev/null
# The targets link only the logic libraries; the programs need not be built.
mapfile -t targets < <(sed -n 's/^zol_add_fuzzer(\(fuzz_[a-z0-9_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
[[ ${#targets[@]} -gt 0 ]] || { echo "fuzz: no targets in tests/fuzz/CMakeLists.txt" >&2; exit 1; }
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}"
mkdir -p build/fuzz/crashes
for target in build/fuzz/tests/fuzz/fuzz_*; do
    [[ -f $target && -x $target ]] || continue
    [[ -d tests/fuzz/corpus/${target##*/fuzz_} ]] ||
        { echo "fuzz: $target has no seed corpus in tests/fuzz/corpus" >&2; exit 1; }
done
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
for corpus in tests/fuzz/corpus/*/; do
    name=$(basename "$corpus")
    target=build/fuzz/tests/fuzz/fuzz_$name
    [[ -x $target ]] || { echo "fuzz: no target for corpus $name" >&2; exit 1; }
    scratch=$(mktemp -d)
    echo "fuzz: $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
        -artifact_prefix=build/fuzz/crashes/"$name"- "$scratch" "$corpus" 2>&1 | tail -n 4
    rm -rf "$scratch"
done
