#!/usr/bin/env bash
# Installs what building and testing corvid needs from Debian's packages, and nothing when all of
# it is there already (one dpkg-query, well under a second).
#
# Needs: the C++ tool chain and GoogleTest for the native build, MinGW-w64 (posix threads; i686
# for the shipped build, x86-64 for hosts without i386) for the Windows builds, 32- and 64-bit
# Wine, Xvfb, xdotool and ImageMagick for the Wine tests, clang with its sanitizer runtime for the
# fuzz target, Python for the archive tool's checks, and e2fsprogs for the Wine test that reads a
# volume from a file system image with a bad block.
# Runs apt-get through sudo when not root; adds the i386 architecture that wine32 comes from.
#
#   bash scripts/deps.sh          # what building and testing needs
#   bash scripts/deps.sh bench    # and the benchmarks' peers (nsis)
set -euo pipefail

packages=(g++ make cmake libgtest-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine
    wine32:i386 wine64 xvfb xdotool imagemagick clang libclang-rt-14-dev python3
    e2fsprogs)
[ "${1:-}" != bench ] || packages+=(nsis)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "deps: not root and no sudo to install with" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386 &&
    [ "$(dpkg --print-architecture)" != i386 ]; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails one index now and then: try again, then go on with
# the indexes that did arrive (the install below says so if a package is really missing).
for attempt in 1 2 3; do
    "${sudo[@]}" apt-get update -q && break
    echo "deps: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 5))
done
install() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@"; }
install "${missing[@]}" && exit 0
# The 32-bit Wine needs the i386 indexes to match the 64-bit ones; when a mirror lags behind they
# do not, and nothing installs. The Wine tests then run with the 64-bit pair alone.
rest=()
for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
[ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
echo "deps: wine32:i386 cannot be installed now; going on without it (the 64-bit Wine pair)" >&2
[ ${#rest[@]} -eq 0 ] || install "${rest[@]}"
