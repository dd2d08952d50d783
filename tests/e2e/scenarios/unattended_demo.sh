#!/usr/bin/env bash
# Unattended installations of the example distribution, compared with the snapshot of the
# prefix before them:
#   1. through the wizard's windows with /saveinf and /log; then the registered uninstall
#      command with /silent;
#   2. /verysilent /loadinf with those choices: no window of the process becomes visible while
#      it runs, exit code 0, the prefix the same as after the walk (timestamps aside: the
#      uninstall log's date, the shortcuts' times), the log names every installed file with its
#      size; then the registered uninstall command with /silent /log, exit code 0;
#   3. /verysilent with the second volume held back: exit code 5;
#   4. after 2 and 3 the round trip's empty difference (either leaving anything would show);
#   5. a bad option: exit code 1.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
rt_demo_begin
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

# What the installation added, timestamps aside: without the uninstall log's hash (it holds the
# date) and the shortcuts' (they hold times).
added() {
    rt_diff "$E2E_DIR/before" "$1" |
        sed -E -e 's/^(\+corvid_demo\/setup\/uninst\.log [0-9]+) [0-9a-f]+$/\1/I' \
            -e 's/^(\+.*\.lnk [0-9]+) [0-9a-f]+$/\1/'
}
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

# 2. /verysilent with the saved choices, watched for windows while it runs (the windows already
# visible, if any, are not the setup's).
visible() { timeout 5 xdotool search --onlyvisible --name '.' 2>/dev/null </dev/null | sort; }
visible >"$E2E_DIR/visible-before.txt"
e2e_start 'D:\setup.exe' /verysilent '/loadinf=D:\choices.inf' '/log=D:\setup.log'
pid=$E2E_PID
checks=0
while kill -0 "$pid" 2>/dev/null; do
    shown=$(visible | comm -13 "$E2E_DIR/visible-before.txt" - | head -n 3)
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
# Every file the setup wrote is named in the log with its size, an INI file with its entries.
# (The Start menu's shortcuts are the program manager's.)
tr -d '\r' <"$E2E_DIST/setup.log" >"$E2E_DIR/setup.log"
grep -a -i -E '^\+(corvid_demo|windows)/' "$E2E_DIR/silent.diff" | while read -r path size _; do
    case $size in d | l) continue ;; esac
    win='C:\'$(printf '%s' "${path#+}" | tr / '\\')
    grep -qiF " $win ($size bytes" "$E2E_DIR/setup.log" || grep -qiF "INI $win [" "$E2E_DIR/setup.log" ||
        e2e_fail "the log does not name $win ($size bytes)"
done || exit 1
grep -q 'exit code 0$' "$E2E_DIR/setup.log" || e2e_fail "the log has no exit code"
rc=0
rt_uninstall "Corvid Demo" '/silent /log=D:\uninstall.log' >/dev/null 2>&1 || rc=$?
expect_eq "uninstaller exit code" "$rc" 0
grep -qi 'deleted C:\\Corvid_Demo\\bin\\data\\words.txt' "$E2E_DIST/uninstall.log" ||
    e2e_fail "the uninstaller's log names no removed file"

# 3. The second volume held back.
mkdir -p "$E2E_DIR/held"
mv "$E2E_DIST/zdata_02.dsk" "$E2E_DIR/held/" || e2e_fail "no second volume"
rc=0
e2e_run 180 'D:\setup.exe' /verysilent '/log=D:\held.log' || rc=$?
expect_eq "exit code with a volume missing" "$rc" 5
grep -q 'Cancel (answered unattended)' "$E2E_DIST/held.log" || e2e_fail "the disk prompt is not in the log"
# No waiting here: the setup itself waited for the clean-up before it ended.
mv "$E2E_DIR/held/zdata_02.dsk" "$E2E_DIST/"

# 4.
expect_round_trip "/verysilent with its uninstallation and the terminated /verysilent run"

# 5. A bad option.
rc=0
e2e_run 60 'D:\setup.exe' /verysilent /colour=blue || rc=$?
expect_eq "exit code of a bad option" "$rc" 1
exit 0
