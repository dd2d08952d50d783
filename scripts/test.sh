#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both builds into build/ (native code with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs CTest, unit and Wine tests alike.
# Screenshots of the Wine tests land in build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCORVID_SANITIZE=ON
cmake --build build -j"$(nproc)"
cd build
# Each Wine test copies a 600 MB prefix and runs its own X server: four at a time at most.
jobs=$(nproc)
[ "$jobs" -le 4 ] || jobs=4
ctest --output-on-failure -j"$jobs"
