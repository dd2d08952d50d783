#!/usr/bin/env bash
# Prints the Wine pair this host runs the end-to-end tests with: "win32" (a 32-bit prefix and the
# shipped PE32 build) where the 32-bit Wine loader starts, otherwise "win64" (a 64-bit prefix and
# the x86-64 build of the same sources).
#
#   bash tests/e2e/harness/wine-pair.sh          # win32 or win64 on standard output
#   CORVID_WINE_ARCH=win64 bash .../wine-pair.sh # forces a pair; win32 on a host that cannot
#                                                # start 32-bit programs fails with a message
#
# Exit codes: 0 a pair was chosen, 1 the forced pair cannot run here, 2 an unknown override.
# CORVID_WINE_LOADER32 and CORVID_WINE_LOADER64 name other loaders (the harness's own test uses
# them to stand for a host that cannot start 32-bit programs).
set -u
loader32=${CORVID_WINE_LOADER32:-/usr/lib/wine/wine}
loader64=${CORVID_WINE_LOADER64:-/usr/lib/wine/wine64}

# The 32-bit loader fails with "Exec format error" on kernels without IA-32 emulation.
runs_i386() { [ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1 </dev/null; }

case "${CORVID_WINE_ARCH:-}" in
"")
    if runs_i386; then echo win32; else echo win64; fi
    ;;
win32)
    if ! runs_i386; then
        echo "CORVID_WINE_ARCH=win32, but this host cannot start 32-bit programs ($loader32" \
            "does not run: $("$loader32" --version 2>&1 </dev/null | tail -n 1)); use win64 or" \
            "leave CORVID_WINE_ARCH unset" >&2
        exit 1
    fi
    echo win32
    ;;
win64)
    if [ ! -x "$loader64" ]; then
        echo "CORVID_WINE_ARCH=win64, but $loader64 is missing (scripts/deps.sh installs wine64)" >&2
        exit 1
    fi
    echo win64
    ;;
*)
    echo "CORVID_WINE_ARCH must be win32 or win64, not \"$CORVID_WINE_ARCH\"" >&2
    exit 2
    ;;
esac
