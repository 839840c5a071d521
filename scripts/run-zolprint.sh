#!/usr/bin/env bash
# Installs what is missing, builds, and starts ZOLprint talking to the
# simulated meter on COM1. Choose Communication > Read ZOL (Ctrl+I): about a
# second later the meter sends its sample dump.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target ZOLprint zolmeter

out=$(mktemp)
build/default/meter/zolmeter dump >"$out" &
meter=$!
trap 'kill "$meter" 2>/dev/null; wait "$meter" 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 50); do
    [[ -s "$out" ]] && break
    sleep 0.1
done
device=$(head -n 1 "$out")
if [[ -z "$device" ]]; then
    echo "run-zolprint: the simulated meter did not start" >&2
    exit 1
fi
echo "Simulated meter on $device (COM1)"
ZOL_COM1="$device" build/default/reader/ZOLprint
