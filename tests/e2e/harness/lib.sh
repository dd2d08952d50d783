# shellcheck shell=bash
# The Wine test harness: sourced by every tests/e2e/scenarios/*.sh.
#
# A scenario is a bash script in tests/e2e/scenarios/; the build registers each one as the CTest
# test e2e.<file name> (label e2e, 300 s limit, exit code 77 means skipped). A scenario looks like
#
#   . "$(dirname "$0")/../harness/lib.sh"
#   e2e_begin                               # own prefix, own X server, cleanup on exit
#   e2e_map_drive d "$CORVID_BUILD_DIR/examples/demo"
#   e2e_start "$(e2e_setup_exe)"              # or: e2e_run 60 program.exe args...
#   win=$(e2e_wait_window 'Setup' 30) || e2e_fail "no setup window"
#   e2e_screenshot started
#   [ -f "$E2E_DRIVE_C/some/file" ] || e2e_fail "the file was not installed"
#
# Functions
#   e2e_begin [NAME]          Starts the test: a work folder $E2E_DIR (build/e2e/PAIR/tests/NAME,
#                             emptied), a copy of the pair's shared prefix as $WINEPREFIX, an Xvfb
#                             server as $DISPLAY (screen 1024x768x24), and a trap that stops all of
#                             it however the script ends. NAME defaults to the script's name.
#   e2e_map_drive LETTER DIR  Makes host folder DIR the Windows drive LETTER: (e.g. d -> D:\).
#   e2e_mount_tmpfs DIR SIZE  Mounts a tmpfs of SIZE (mount's size=, e.g. 4m) on DIR (made if
#                             missing), for a small, full or read-only drive; skips the test where
#                             it cannot be mounted. The cleanup unmounts it after the prefix's
#                             processes have ended, however the test ends.
#   e2e_winpath PATH          Prints the Windows name of a host path (through drive Z:).
#   e2e_distribution SRC DEST Makes DEST a distribution folder: the files of SRC (for example
#                             build/examples/demo) with the built setup.exe beside them. Map it with
#                             e2e_map_drive and start D:\setup.exe, so that SourceFolder is D:\.
#   e2e_setup_exe             Prints the path of the pair's setup.exe.
#   e2e_wine ARG...           Runs wine's loader of the pair in the foreground (wine's own
#                             programs too: e2e_wine reg add ..., e2e_wine regedit /s FILE).
#   e2e_run SECONDS EXE [ARG...]
#                             Runs a Windows program under wine and waits for it, at most SECONDS.
#                             Returns its exit code (124 when it was stopped by the limit). Output
#                             goes to $E2E_DIR/run-<n>.out and .err, never through a pipe. A
#                             program that wine could not start at all is started again (twice),
#                             as e2e_until_started OUT ERR COMMAND... does for any such command.
#   e2e_start EXE [ARG...]    Starts a Windows program in the background (same output files);
#                             its process id is in $E2E_PID. The cleanup stops it.
#   e2e_wait_pid PID SECONDS  Waits for a background process to end; returns its exit code, or
#                             124 when it is still running after SECONDS.
#   e2e_wait_window PATTERN SECONDS
#                             Waits for a visible window whose title matches the regular
#                             expression PATTERN; prints its X window id. Returns 1 on timeout.
#   e2e_screenshot NAME       Saves the whole screen as $CORVID_SCREENSHOTS/<test>-NAME.png and
#                             prints the path.
#   e2e_log TEXT...           A line for the test's output.
#   e2e_fail TEXT...          Takes a screenshot, prints TEXT and ends the test as failed.
#   e2e_skip TEXT...          Ends the test as skipped.
#   e2e_wineserver_wait SECONDS
#                             Waits until every process of the prefix has ended.
#
# The Wine pair. Where the host starts 32-bit programs, the tests run the shipped PE32 build in a
# 32-bit prefix ("win32"); where it does not (the 32-bit loader fails with "Exec format error"),
# the x86-64 build of the same sources in a 64-bit prefix ("win64"), with wine64 as the loader
# (the `wine` wrapper would pick the 32-bit one). harness/wine-pair.sh decides; the override
# CORVID_WINE_ARCH=win32|win64 forces a pair, and forcing one the host cannot run fails the test
# with the reason. Each pair has its own prefix and work folders below build/e2e/PAIR/.
#
# Variables (set by the build through CTest; defaults for running a scenario by hand from the
# source tree with the build in ./build)
#   CORVID_SOURCE_DIR, CORVID_BUILD_DIR   source and native build folders
#   CORVID_WIN32_DIR, CORVID_WIN64_DIR    the shipped i386 build and the x86-64 build
#   CORVID_WINE_ARCH                      the pair: win32 or win64 (default: what the host runs)
#   CORVID_WIN_DIR                        set here: the pair's build (setup.exe is in src/win32/)
#   CORVID_E2E_PROGRAMS                   set here: the pair's test programs (tests/e2e/programs)
#   CORVID_PROFQUERY                      the native profile query helper
#   CORVID_SCREENSHOTS                    where screenshots go; default build/screenshots
#   CORVID_E2E_KEEP=1                     keep the test's prefix copy after the test
#   E2E_NAME, E2E_DIR, E2E_DRIVE_C        the test's name, work folder and C: drive folder
#   E2E_PAIR                              the pair in use: win32 or win64
#
# The shared prefix is made once per build (build/e2e/prefix, under a lock so parallel tests and
# parallel runs do not race) and copied for each test, so every test starts from a clean machine.
# Two runs of one test at the same time (two ctest commands on one build) take turns.
# Every wine step is bounded by `timeout`; processes are stopped by their own id and by
# `wineserver -k` with the test's own WINEPREFIX, never by name.

set -u

_e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${CORVID_SOURCE_DIR:=$(cd "$_e2e_here/../../.." && pwd)}"
: "${CORVID_BUILD_DIR:=$CORVID_SOURCE_DIR/build}"
: "${CORVID_WIN32_DIR:=$CORVID_BUILD_DIR/win32}"
: "${CORVID_WIN64_DIR:=$CORVID_BUILD_DIR/win64}"
: "${CORVID_PROFQUERY:=$CORVID_BUILD_DIR/tests/e2e/corvid_profquery}"
: "${CORVID_SCREENSHOTS:=$CORVID_BUILD_DIR/screenshots}"

# The pair, decided once: the test command exports it for all its tests.
E2E_PAIR_ERROR=
if ! E2E_PAIR=$(bash "$_e2e_here/wine-pair.sh" 2>"${TMPDIR:-/tmp}/corvid-pair.$$"); then
    E2E_PAIR_ERROR=$(cat "${TMPDIR:-/tmp}/corvid-pair.$$")
    E2E_PAIR=${CORVID_WINE_ARCH:-win32}
fi
rm -f "${TMPDIR:-/tmp}/corvid-pair.$$"
if [ "$E2E_PAIR" = win64 ]; then
    CORVID_WIN_DIR=$CORVID_WIN64_DIR
    E2E_WINE=(/usr/lib/wine/wine64)
    export WINELOADER=/usr/lib/wine/wine64
else
    CORVID_WIN_DIR=$CORVID_WIN32_DIR
    E2E_WINE=(wine)
    unset WINELOADER
fi
export WINEARCH=$E2E_PAIR
CORVID_E2E_PROGRAMS=$CORVID_WIN_DIR/tests/e2e
export CORVID_SOURCE_DIR CORVID_BUILD_DIR CORVID_WIN32_DIR CORVID_WIN64_DIR CORVID_WIN_DIR \
    CORVID_E2E_PROGRAMS CORVID_PROFQUERY CORVID_SCREENSHOTS

E2E_ROOT=$CORVID_BUILD_DIR/e2e/$E2E_PAIR
E2E_BASE_PREFIX=$E2E_ROOT/prefix

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The profile reader's case rules are those of code page 1252; fix the locale wine derives it from.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

E2E_NAME=
E2E_DIR=
E2E_DRIVE_C=
E2E_PID=
_e2e_pids=()
_e2e_mounts=() # tmpfs mounts the cleanup undoes
_e2e_prefix= # the test's own prefix; a WINEPREFIX from outside is never stopped or removed
_e2e_xvfb_pid=
_e2e_watchdog_pid=
_e2e_runs=0

e2e_log() { printf '[%s %s] %s\n' "$(date +%H:%M:%S)" "${E2E_NAME:-e2e}" "$*"; }

# Makes the shared prefix unless this build has one already. The lock is held while it is made,
# so a second caller waits and then finds it ready.
e2e_make_prefix() {
    mkdir -p "$E2E_ROOT"
    local stamp="$E2E_BASE_PREFIX/.corvid-ready" want
    "${E2E_WINE[@]}" --version >"$E2E_ROOT/wine-version.$$" 2>/dev/null </dev/null
    # The stamp names what the prefix was made with; a change of the making below changes it too.
    want="$(cat "$E2E_ROOT/wine-version.$$"), with windows/system"
    rm -f "$E2E_ROOT/wine-version.$$"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then return 0; fi
    exec 9>"$E2E_ROOT/prefix.lock"
    if ! flock -w 600 9; then
        echo "e2e: waited too long for the prefix lock" >&2
        return 1
    fi
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
        exec 9>&-
        return 0
    fi
    local tmp="$E2E_ROOT/prefix.new" rc=0 started=$SECONDS
    rm -rf "$tmp" "$E2E_BASE_PREFIX"
    e2e_log "making the $E2E_PAIR wine prefix ($want)"
    (
        unset DISPLAY
        export WINEPREFIX=$tmp
        timeout -k 10 300 "${E2E_WINE[@]}" wineboot -i >"$E2E_ROOT/prefix.log" 2>&1 </dev/null
        rc=$?
        # wineboot returns before the prefix is written out; wait for its wineserver to end.
        timeout 60 wineserver -w >>"$E2E_ROOT/prefix.log" 2>&1 </dev/null
        timeout 20 wineserver -k >>"$E2E_ROOT/prefix.log" 2>&1 </dev/null
        exit $rc
    ) 9>&- || rc=$?
    if [ $rc -ne 0 ] || [ ! -d "$tmp/drive_c/windows/system32" ]; then
        echo "e2e: wineboot failed (exit $rc); see $E2E_ROOT/prefix.log" >&2
        tail -n 20 "$E2E_ROOT/prefix.log" >&2
        exec 9>&-
        return 1
    fi
    # Windows always has its 16-bit system folder; some Wine builds' 64-bit prefixes lack it, and
    # a setup that places a file there would otherwise leave a folder the round trip counts.
    mkdir -p "$tmp/drive_c/windows/system"
    echo "$want" >"$tmp/.corvid-ready"
    mv "$tmp" "$E2E_BASE_PREFIX"
    e2e_log "prefix ready in $((SECONDS - started)) s"
    exec 9>&-
}

_e2e_cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    local p
    for p in "${_e2e_pids[@]}"; do kill "$p" 2>/dev/null; done
    if [ -n "$_e2e_prefix" ] && [ -d "$_e2e_prefix" ]; then
        WINEPREFIX=$_e2e_prefix timeout 20 wineserver -k >/dev/null 2>&1 </dev/null
        WINEPREFIX=$_e2e_prefix timeout 20 wineserver -w >/dev/null 2>&1 </dev/null
    fi
    for p in "${_e2e_pids[@]}"; do kill -9 "$p" 2>/dev/null; done
    for p in "${_e2e_mounts[@]}"; do
        mountpoint -q "$p" && { umount "$p" 2>/dev/null || umount -l "$p" 2>/dev/null; }
    done
    if [ -n "$_e2e_xvfb_pid" ]; then
        kill "$_e2e_xvfb_pid" 2>/dev/null
        wait "$_e2e_xvfb_pid" 2>/dev/null
    fi
    if [ -n "$_e2e_watchdog_pid" ]; then kill "$_e2e_watchdog_pid" 2>/dev/null; fi
    if [ -n "$_e2e_prefix" ] && [ "${CORVID_E2E_KEEP:-0}" != 1 ]; then rm -rf "$_e2e_prefix"; fi
    if [ -n "$_e2e_owner" ]; then rm -f "$_e2e_owner"; fi
    if [ $rc -eq 0 ]; then
        e2e_log "passed"
    elif [ $rc -eq 77 ]; then
        e2e_log "skipped"
    else
        e2e_log "FAILED (exit $rc); files in $E2E_DIR"
    fi
    exit $rc
}

# Two runs of the same test in one build (two ctest commands at once) take turns for its folder.
# The owner is a process id in a file, not a held lock, so that a killed run's orphans cannot
# keep the folder; the lock only guards the look at the owner.
_e2e_owner=
_e2e_take_folder() {
    local owner=$E2E_ROOT/tests/$E2E_NAME.owner end=$((SECONDS + 280)) pid
    while :; do
        exec 8>"$E2E_ROOT/tests/$E2E_NAME.lock"
        flock -w 30 8
        pid=$(cat "$owner" 2>/dev/null)
        if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then
            echo $$ >"$owner"
            exec 8>&-
            _e2e_owner=$owner
            return 0
        fi
        exec 8>&-
        [ $SECONDS -lt $end ] || e2e_skip "another run of $E2E_NAME (process $pid) kept its folder"
        sleep 1
    done
}

e2e_begin() {
    E2E_NAME=${1:-$(basename "$0" .sh)}
    E2E_DIR=$E2E_ROOT/tests/$E2E_NAME
    local tool
    for tool in "${E2E_WINE[0]}" wineserver Xvfb timeout flock import xdotool; do
        command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/deps.sh installs it)"
    done
    [ -z "$E2E_PAIR_ERROR" ] || e2e_fail "$E2E_PAIR_ERROR"
    [ -d "$CORVID_WIN_DIR" ] || e2e_fail "no $E2E_PAIR Windows build in $CORVID_WIN_DIR" \
        "(the x86-64 one is made with cmake -DCORVID_WIN64=ON)"
    mkdir -p "$E2E_ROOT/tests" "$CORVID_SCREENSHOTS"
    _e2e_take_folder
    rm -rf "$E2E_DIR"
    mkdir -p "$E2E_DIR"
    trap _e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    e2e_make_prefix || e2e_fail "no wine prefix"
    _e2e_prefix=$E2E_DIR/prefix
    export WINEPREFIX=$_e2e_prefix
    # A shared hold on the prefix lock: nobody remakes the prefix while it is being copied.
    exec 9>"$E2E_ROOT/prefix.lock"
    flock -s -w 600 9 || e2e_fail "waited too long for the prefix lock"
    cp -a "$E2E_BASE_PREFIX" "$WINEPREFIX" || e2e_fail "cannot copy the prefix"
    exec 9>&-
    E2E_DRIVE_C=$WINEPREFIX/drive_c

    # Xvfb picks a free display itself and writes its number once it accepts clients.
    local dfile=$E2E_DIR/xvfb.display
    : >"$dfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dfile" \
        >"$E2E_DIR/xvfb.log" 2>&1 </dev/null &
    _e2e_xvfb_pid=$!
    local i
    for ((i = 0; i < 100; i++)); do
        [ -s "$dfile" ] && break
        kill -0 "$_e2e_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$dfile" ] || e2e_fail "Xvfb did not start; see $E2E_DIR/xvfb.log"
    export DISPLAY=:$(tr -dc 0-9 <"$dfile")

    # Should this shell be killed outright (CTest's own time limit), the watchdog still stops
    # the X server and the prefix's processes.
    local me=$$ prefix=$WINEPREFIX xvfb=$_e2e_xvfb_pid
    (
        trap '' INT
        while kill -0 "$me" 2>/dev/null; do sleep 2; done
        WINEPREFIX=$prefix timeout 20 wineserver -k
        kill "$xvfb"
        [ "${CORVID_E2E_KEEP:-0}" = 1 ] || rm -rf "$prefix"
    ) >/dev/null 2>&1 </dev/null &
    _e2e_watchdog_pid=$!
    e2e_log "wine pair $E2E_PAIR ($(e2e_pair_text)); prefix $WINEPREFIX, display $DISPLAY"
}

e2e_map_drive() {
    local letter dir
    letter=$(printf '%s' "$1" | tr 'A-Z' 'a-z')
    dir=$(cd "$2" && pwd) || e2e_fail "no folder $2"
    ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
}

e2e_mount_tmpfs() {
    [ "$(id -u)" -eq 0 ] || e2e_skip "mounting a small drive needs root"
    mkdir -p "$1" || e2e_fail "cannot make $1"
    mount -t tmpfs -o "size=$2,mode=0777" corvid-e2e "$1" || e2e_skip "cannot mount a tmpfs here"
    _e2e_mounts+=("$1")
}

e2e_winpath() {
    local p
    p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    printf 'Z:%s\n' "${p//\//\\}"
}

e2e_setup_exe() { printf '%s\n' "$CORVID_WIN_DIR/src/win32/setup.exe"; }

e2e_wine() { "${E2E_WINE[@]}" "$@"; }

# What the pair is, in words.
e2e_pair_text() {
    if [ "$E2E_PAIR" = win64 ]; then
        echo "64-bit prefix, x86-64 build"
    else
        echo "32-bit prefix, PE32 build"
    fi
}

e2e_distribution() {
    local exe
    exe=$(e2e_setup_exe)
    [ -f "$exe" ] || e2e_fail "no $exe"
    rm -rf "$2"
    mkdir -p "$2"
    cp -a "$1"/. "$2"/ && cp "$exe" "$2"/ || e2e_fail "cannot make the distribution $2"
}

# True when wine could not start a program at all (its exit code RC, its output files OUT and
# ERR): on a loaded machine, wine's start now and then reports an internal error while the
# prefix's services come up. Such a program never ran; starting it again checks nothing less.
e2e_never_started() { # RC OUT ERR
    [ "$1" -ne 0 ] && [ ! -s "$2" ] && grep -q '^ShellExecuteEx failed: Internal error' "$3" 2>/dev/null
}

# Runs COMMAND... (which writes OUT and ERR) and, while wine did not start it at all, again,
# twice at most; returns its exit code.
e2e_until_started() { # OUT ERR COMMAND...
    local out=$1 err=$2 rc tries=0
    shift 2
    while :; do
        rc=0
        "$@" || rc=$?
        e2e_never_started $rc "$out" "$err" && [ $tries -lt 2 ] || return $rc
        tries=$((tries + 1))
        e2e_log "a program did not start ($(tail -n 1 "$err")); starting it again"
        sleep 1
    done
}

_e2e_run_once() { # LIMIT OUT EXE [ARG...]
    local limit=$1 out=$2
    shift 2
    timeout -k 10 "$limit" "${E2E_WINE[@]}" "$@" >"$out.out" 2>"$out.err" </dev/null
}

e2e_run() {
    local limit=$1 rc=0
    shift
    _e2e_runs=$((_e2e_runs + 1))
    local out=$E2E_DIR/run-$_e2e_runs
    printf '%s\n' "$*" >"$out.cmd"
    e2e_until_started "$out.out" "$out.err" _e2e_run_once "$limit" "$out" "$@" || rc=$?
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
        e2e_log "$(basename "$1") did not end within $limit s"
        rc=124
    fi
    return $rc
}

e2e_start() {
    _e2e_runs=$((_e2e_runs + 1))
    local out=$E2E_DIR/run-$_e2e_runs
    printf '%s\n' "$*" >"$out.cmd"
    "${E2E_WINE[@]}" "$@" >"$out.out" 2>"$out.err" </dev/null &
    E2E_PID=$!
    _e2e_pids+=("$E2E_PID")
}

e2e_wait_pid() {
    local pid=$1 limit=$2 end=$((SECONDS + $2))
    while kill -0 "$pid" 2>/dev/null; do
        if [ $SECONDS -ge $end ]; then
            e2e_log "process $pid still runs after $limit s"
            return 124
        fi
        sleep 0.2
    done
    wait "$pid"
}

e2e_wait_window() {
    local pattern=$1 end=$((SECONDS + $2)) id
    while [ $SECONDS -lt $end ]; do
        id=$(timeout 5 xdotool search --onlyvisible --name "$pattern" 2>/dev/null </dev/null | head -n 1)
        if [ -n "$id" ]; then
            printf '%s\n' "$id"
            return 0
        fi
        sleep 0.3
    done
    return 1
}

e2e_screenshot() {
    local file=$CORVID_SCREENSHOTS/$E2E_NAME-$1.png
    if timeout 20 import -display "$DISPLAY" -window root "$file" >/dev/null 2>&1 </dev/null; then
        printf '%s\n' "$file"
    else
        e2e_log "screenshot $1 failed"
        return 1
    fi
}

e2e_wineserver_wait() {
    timeout "$1" wineserver -w >/dev/null 2>&1 </dev/null
}

e2e_fail() {
    e2e_log "FAIL: $*"
    if [ -n "${DISPLAY:-}" ] && [ -n "$_e2e_xvfb_pid" ]; then
        local shot
        shot=$(e2e_screenshot failure) && e2e_log "screen at the failure: $shot"
    fi
    exit 1
}

e2e_skip() {
    e2e_log "SKIP: $*"
    exit 77
}
