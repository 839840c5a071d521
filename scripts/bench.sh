#!/usr/bin/env bash
# Builds the programs and the benchmarks in Release, measures the programs
# side by side with their floors in one run, prints the table and writes it,
# with the machine it ran on, to build/bench/results.md.
#   scripts/bench.sh                    the whole run (about six minutes once built)
#   scripts/bench.sh --quick            one short round of each, to see that it works
#   scripts/bench.sh --only startup,files   some of: startup, transfer, receive, files
# The programs run on a real X display (Xvfb, the xcb platform), with no
# session bus and so no screen reader; start-up is measured offscreen as well.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target zolbench
results=build/bench/results.md
env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    build/bench/bench/zolbench --platforms xcb,offscreen --results "$results" "$@"
echo "bench: table written to $results"
