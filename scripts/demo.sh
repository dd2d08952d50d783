#!/usr/bin/env bash
# The main job: installs what is missing, builds everything into build/ and starts setup.exe under
# Wine on the example distribution, which the build makes from examples/demo/ into
# build/examples/demo/ and which appears as drive D: with setup.exe beside its setup.inf.
#
# With a display ($DISPLAY set) the setup opens a real window and this script waits until it ends.
# Without one (or with --headless) it runs under Xvfb, waits for the setup's first window, saves a
# screenshot and prints its path (build/screenshots/demo-setup.png).
#
# With --silent it installs the example distribution unattended (setup.exe /verysilent, with a
# text log) in a prefix of its own under Xvfb, and prints the installed tree, the log and the
# setup's exit code.
#
#   bash scripts/demo.sh [--headless | --silent]
#
# Hosts that cannot start 32-bit programs run the x86-64 build in a 64-bit Wine prefix instead
# (CORVID_WINE_ARCH=win32|win64 forces one; tests/e2e/harness/lib.sh explains the pairs).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
headless=0 silent=0
if [ "${1:-}" = --silent ]; then silent=1; fi
if [ "${1:-}" = --headless ] || [ -z "${DISPLAY:-}" ]; then headless=1; fi

bash scripts/deps.sh
CORVID_WINE_ARCH=$(bash tests/e2e/harness/wine-pair.sh)
export CORVID_WINE_ARCH
cmake -S . -B build -DCORVID_SANITIZE=ON
cmake --build build -j"$(nproc)"

set +eu
export CORVID_BUILD_DIR=$root/build CORVID_SOURCE_DIR=$root
. tests/e2e/harness/lib.sh
dist=$root/build/demo/dist
e2e_distribution "$root/build/examples/demo" "$dist"

if [ $silent -eq 1 ]; then
    e2e_begin demo-silent
    echo "demo: wine pair $E2E_PAIR ($(e2e_pair_text))"
    e2e_map_drive d "$dist"
    rm -f "$dist/setup.log"
    echo 'demo: D:\setup.exe /verysilent /log=D:\setup.log'
    rc=0
    e2e_run 300 'D:\setup.exe' /verysilent '/log=D:\setup.log' || rc=$?
    # Where it went, as the log says (the folder check turns blanks into underscores).
    dest=$(sed -n 's/.*installation into [A-Za-z]:\\\(.*\)\r$/\1/p' "$dist/setup.log" 2>/dev/null |
        tr '\\' /)
    dest=$E2E_DRIVE_C/$dest
    echo "demo: installed tree ($dest):"
    (cd "$dest" 2>/dev/null && find . -type f -printf '%8s  %p\n' | sort -k2) || echo "  (nothing)"
    echo "demo: the setup's log (build/demo/dist/setup.log):"
    cat "$dist/setup.log" 2>/dev/null || echo "  (no log)"
    echo "demo: setup.exe /verysilent ended with exit code $rc"
    exit $rc
fi

if [ $headless -eq 1 ]; then
    # The background window's caption, or a message box of the start-up ("corvid").
    caption=$("$root/build/tools/corvid-inf" get "$dist/setup.inf" language l29 Setup)
    e2e_begin demo
    echo "demo: wine pair $E2E_PAIR ($(e2e_pair_text))"
    e2e_map_drive d "$dist"
    e2e_start 'D:\setup.exe'
    e2e_wait_window "^($caption|corvid)\$" 60 >/dev/null ||
        e2e_fail "no window of setup.exe within 60 s (wine's output: $E2E_DIR/run-1.err)"
    sleep 5 # let the loading screen pass and the wizard paint
    shot=$(e2e_screenshot setup) || e2e_fail "no screenshot"
    echo "screenshot: $shot"
    exit 0
fi

# A real display: a prefix of its own that stays between runs, so that what the setup installed
# can be looked at afterwards (build/demo/prefix/drive_c).
e2e_make_prefix || exit 1
export WINEPREFIX=$root/build/demo/prefix-$E2E_PAIR
[ -d "$WINEPREFIX" ] || cp -a "$E2E_BASE_PREFIX" "$WINEPREFIX" || exit 1
e2e_map_drive d "$dist"
trap 'timeout 20 wineserver -k >/dev/null 2>&1 </dev/null' EXIT
echo "demo: setup.exe runs on display $DISPLAY (wine pair $E2E_PAIR, $(e2e_pair_text));" \
    "the script ends when the setup ends"
e2e_wine 'D:\setup.exe' >"$root/build/demo/wine.out" 2>"$root/build/demo/wine.err" </dev/null
rc=$?
echo "demo: setup.exe ended (exit code $rc)"
exit $rc
