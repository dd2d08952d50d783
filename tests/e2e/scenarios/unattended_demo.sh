#!/usr/bin/env bash
# Unattended installations of the example distribution, each compared with the snapshot of the
# prefix before it:
#   1. through the wizard's windows with /saveinf and /log; then the registered uninstall
#      command with /silent;
#   2. /verysilent /loadinf with those choices: no window of the process becomes visible while
#      it runs, exit code 0, the prefix the same as after the walk (the uninstall log's dates
#      aside), the log names every installed file; then the registered uninstall command with
#      /silent /log leaves the round trip's empty difference, exit code 0;
#   3. /verysilent with the second volume held back: exit code 5, and once the setup has ended
#      the clean-up's empty difference;
#   4. a bad option: exit code 1, no window.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
WINE="${E2E_WINE[*]}"
rt_demo_distribution
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

# What the installation added, without the uninstall log's line (it holds the date).
added() { rt_diff "$E2E_DIR/before" "$1" | grep -a -v -i '^+corvid_demo/setup/uninst\.log '; }
expect_round_trip() { # WHAT
    rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after $1"
    if ! rt_diff "$E2E_DIR/before" "$E2E_DIR/after" >"$E2E_DIR/diff.txt"; then
        cat "$E2E_DIR/diff.txt"
        e2e_fail "$1 left differences (above)"
    fi
}

# 1. Through the wizard.
inst_walk '/saveinf=D:\choices.inf' '/log=D:\walk.log'
inst_finish
rt_snapshot "$E2E_DIR/walked" || e2e_fail "no snapshot after the walk"
added "$E2E_DIR/walked" >"$E2E_DIR/walked.diff"
grep -q '^+Corvid_Demo/bin/data/words.txt ' "$E2E_DIR/walked.diff" ||
    e2e_fail "the walk installed nothing"
grep -q '^type=standard' "$E2E_DIST/choices.inf" || e2e_fail "no choices saved: $(cat "$E2E_DIST/choices.inf")"
rc=0
rt_uninstall "Corvid Demo" /silent >/dev/null 2>&1 || rc=$?
expect_eq "silent uninstall after the walk" "$rc" 0
expect_round_trip "the walk and its uninstallation"

# 2. /verysilent with the saved choices, watched for windows while it runs.
e2e_start 'D:\setup.exe' /verysilent '/loadinf=D:\choices.inf' '/log=D:\setup.log'
pid=$E2E_PID
checks=0
while kill -0 "$pid" 2>/dev/null; do
    shown=$(timeout 5 xdotool search --onlyvisible --name '.' 2>/dev/null </dev/null | head -n 3)
    [ -z "$shown" ] || e2e_fail "a window became visible: $(for w in $shown; do xdotool getwindowname "$w"; done)"
    checks=$((checks + 1))
    sleep 0.2
done
rc=0
e2e_wait_pid "$pid" 5 || rc=$?
e2e_log "no visible window in $checks checks during the run"
[ "$checks" -ge 1 ] || e2e_fail "the run ended before it could be watched"
expect_eq "/verysilent exit code" "$rc" 0
rt_snapshot "$E2E_DIR/silent" || e2e_fail "no snapshot after /verysilent"
added "$E2E_DIR/silent" >"$E2E_DIR/silent.diff"
if ! diff "$E2E_DIR/walked.diff" "$E2E_DIR/silent.diff" >"$E2E_DIR/walk-vs-silent.txt"; then
    cat "$E2E_DIR/walk-vs-silent.txt"
    e2e_fail "/verysilent left another prefix than the walk (above)"
fi
# Every file installed is named in the log with its size.
tr -d '\r' <"$E2E_DIST/setup.log" >"$E2E_DIR/setup.log"
grep -a '^+' "$E2E_DIR/silent.diff" | grep -a -v '^+\[' | while read -r path size _; do
    case $size in d | l) continue ;; esac
    win='C:\'$(printf '%s' "$path" | tr / '\\')
    grep -qiF "file $win ($size bytes" "$E2E_DIR/setup.log" || e2e_fail "the log does not name $win ($size bytes)"
done || exit 1
grep -q 'exit code 0$' "$E2E_DIR/setup.log" || e2e_fail "the log has no exit code"
rc=0
rt_uninstall "Corvid Demo" '/silent /log=D:\uninstall.log' >/dev/null 2>&1 || rc=$?
expect_eq "uninstaller exit code" "$rc" 0
grep -qi 'deleted C:\\Corvid_Demo\\bin\\data\\words.txt' "$E2E_DIST/uninstall.log" ||
    e2e_fail "the uninstaller's log names no removed file"
expect_round_trip "/verysilent and its uninstallation"

# 3. The second volume held back.
mkdir -p "$E2E_DIR/held"
mv "$E2E_DIST/zdata_02.dsk" "$E2E_DIR/held/" || e2e_fail "no second volume"
rc=0
e2e_run 180 'D:\setup.exe' /verysilent '/log=D:\held.log' || rc=$?
expect_eq "exit code with a volume missing" "$rc" 5
grep -q 'Cancel (answered unattended)' "$E2E_DIST/held.log" || e2e_fail "the disk prompt is not in the log"
e2e_wineserver_wait 60 || e2e_fail "the prefix's processes did not end"
expect_round_trip "the terminated /verysilent installation"
mv "$E2E_DIR/held/zdata_02.dsk" "$E2E_DIST/"

# 4. A bad option.
rc=0
e2e_run 60 'D:\setup.exe' /verysilent /colour=blue || rc=$?
expect_eq "exit code of a bad option" "$rc" 1
exit 0
