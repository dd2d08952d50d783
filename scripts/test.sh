#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both builds into build/ (native code with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs CTest, unit and Wine tests alike.
# Screenshots of the Wine tests land in build/screenshots/.
#
#   bash scripts/test.sh
#   CORVID_WINE_ARCH=win64 bash scripts/test.sh   # force the Wine pair (win32 or win64)
#   CORVID_WIN64=ON bash scripts/test.sh          # also make the x86-64 build where it is not needed
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# The Wine pair, decided once for the whole run (tests/e2e/harness/lib.sh explains the pairs).
pair=$(bash tests/e2e/harness/wine-pair.sh)
export CORVID_WINE_ARCH=$pair
case $pair in
win32) echo "test: Wine pair win32: a 32-bit prefix and the shipped PE32 build" ;;
win64) echo "test: Wine pair win64: a 64-bit prefix and the x86-64 build (this host cannot start 32-bit programs)" ;;
esac
cmake -S . -B build -DCORVID_SANITIZE=ON -DCORVID_WIN64="${CORVID_WIN64:-AUTO}"
cmake --build build -j"$(nproc)"
cd build
# Each Wine test copies a 600 MB prefix and runs its own X server: four at a time at most.
jobs=$(nproc)
[ "$jobs" -le 4 ] || jobs=4
ctest --output-on-failure -j"$jobs"
