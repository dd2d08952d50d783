#!/usr/bin/env bash
# The harness itself: drive mapping, bounded runs, window waits, and that a test leaves no process
# behind, whether it ends by itself or is killed outright.
. "$(dirname "$0")/../harness/lib.sh"
e2e_begin

# The pair: a host whose 32-bit loader fails picks win64, and forcing win32 there fails with the
# reason; a forced win64 holds; anything else is refused.
pair=$CORVID_SOURCE_DIR/tests/e2e/harness/wine-pair.sh
printf '#!/bin/sh\necho "exec format error" >&2\nexit 126\n' >"$E2E_DIR/no-i386"
chmod +x "$E2E_DIR/no-i386"
got=$(CORVID_WINE_ARCH= CORVID_WINE_LOADER32=$E2E_DIR/no-i386 bash "$pair" 2>&1)
expect() { [ "$2" = "$3" ] || e2e_fail "$1: got \"$2\", want \"$3\""; }
expect "pair without i386" "$got" win64
rc=0
got=$(CORVID_WINE_ARCH=win32 CORVID_WINE_LOADER32=$E2E_DIR/no-i386 bash "$pair" 2>&1) || rc=$?
expect "forced win32 without i386: exit code" "$rc" 1
case $got in *"cannot start 32-bit programs"*"exec format error"*) ;;
*) e2e_fail "forced win32 without i386 says \"$got\"" ;; esac
expect "forced win64" "$(CORVID_WINE_ARCH=win64 bash "$pair" 2>&1)" win64
rc=0
CORVID_WINE_ARCH=win16 bash "$pair" >/dev/null 2>&1 || rc=$?
expect "unknown pair: exit code" "$rc" 2
e2e_log "pair chosen by this host: $(CORVID_WINE_ARCH= bash "$pair"), in use: $E2E_PAIR"

# D: is the mapped folder, C: the prefix's drive_c; exit codes come through.
mkdir -p "$E2E_DIR/dist"
printf 'corvid harness\r\n' >"$E2E_DIR/dist/in.txt"
e2e_map_drive d "$E2E_DIR/dist"
e2e_run 60 cmd /c 'copy D:\in.txt C:\out.txt' || e2e_fail "copy failed (exit $?)"
cmp -s "$E2E_DIR/dist/in.txt" "$E2E_DRIVE_C/out.txt" || e2e_fail "C:\\out.txt is not D:\\in.txt"
rc=0
e2e_run 60 cmd /c 'exit 7' || rc=$?
[ $rc -eq 7 ] || e2e_fail "exit code 7 came through as $rc"

# A run that does not end is stopped at its limit.
rc=0
e2e_run 3 notepad || rc=$?
[ $rc -eq 124 ] || e2e_fail "a program that does not end gave $rc, not 124"

# Windows are found by title.
e2e_start notepad
e2e_wait_window 'Notepad' 30 >/dev/null || e2e_fail "no Notepad window"
shot=$(e2e_screenshot notepad) && [ -s "$shot" ] || e2e_fail "no screenshot"

# A child test that ends normally, and one killed with SIGKILL, leave nothing running: neither
# processes of their prefix nor their X server.
child() {
    cat >"$E2E_DIR/$1.sh" <<CHILD
. "$CORVID_SOURCE_DIR/tests/e2e/harness/lib.sh"
e2e_begin $1
echo "\$_e2e_xvfb_pid" >"$E2E_DIR/$1.xvfb"
e2e_start notepad
e2e_wait_window Notepad 30 >/dev/null || e2e_fail "no Notepad window"
touch "$E2E_DIR/$1.ready"
[ "$2" = wait ] && while :; do sleep 1; done # short sleeps: nothing outlives a kill
exit 0
CHILD
    bash "$E2E_DIR/$1.sh" >"$E2E_DIR/$1.log" 2>&1 </dev/null &
    local pid=$! i
    for ((i = 0; i < 120; i++)); do
        [ -f "$E2E_DIR/$1.ready" ] && break
        sleep 0.5
    done
    [ -f "$E2E_DIR/$1.ready" ] || e2e_fail "child $1 did not get going (see $E2E_DIR/$1.log)"
    [ "$2" = wait ] && kill -9 $pid
    wait $pid 2>/dev/null
}
leftovers() { # processes whose environment names the prefix of test $1
    local prefix=$E2E_ROOT/tests/$1/prefix p
    for p in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qx "WINEPREFIX=$prefix" && echo "${p#/proc/}"
    done
}
for mode in end wait; do
    name=${E2E_NAME}_child_$mode
    child "$name" $mode
    gone=0
    for ((i = 0; i < 30; i++)); do
        if [ -z "$(leftovers "$name")" ] && ! kill -0 "$(cat "$E2E_DIR/$name.xvfb")" 2>/dev/null; then
            gone=1
            break
        fi
        sleep 1
    done
    [ $gone -eq 1 ] || e2e_fail "child ($mode) left processes: $(leftovers "$name") xvfb $(cat "$E2E_DIR/$name.xvfb")"
    [ ! -d "$E2E_ROOT/tests/$name/prefix" ] || e2e_fail "child ($mode) left its prefix copy"
    e2e_log "child ($mode): nothing left after $i s"
done
