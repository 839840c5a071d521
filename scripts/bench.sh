#!/usr/bin/env bash
# Builds the programs and the benchmarks in Release, measures the programs
# side by side with their floors in one run, prints the table and writes it,
# with the machine it ran on, to build/bench/results.md.
#   scripts/bench.sh                    the whole run (about two minutes once built)
#   scripts/bench.sh --quick            one short round of each, to see that it works
#   scripts/bench.sh --only startup,files   some of: startup, transfer, receive, files
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target zolbench
results=build/bench/results.md
build/bench/bench/zolbench --results "$results" "$@"
echo "bench: table written to $results"
