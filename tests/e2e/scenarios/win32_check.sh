#!/usr/bin/env bash
# win32-check.exe, the self-check of the real platform and the view, passes under Wine: its exit
# code is the number of failed checks, each listed in its log.
. "$(dirname "$0")/../harness/lib.sh"
exe=$CORVID_E2E_PROGRAMS/win32_check/win32-check.exe
[ -f "$exe" ] || e2e_fail "no $exe"

e2e_begin
rc=0
e2e_run 120 "$exe" 'C:\log.txt' || rc=$?
log=$E2E_DRIVE_C/log.txt
if [ $rc -ne 0 ]; then
    if [ -s "$log" ]; then
        e2e_log "log of win32-check.exe:"
        cat "$log"
    else
        e2e_log "win32-check.exe wrote no log; its output:"
        cat "$E2E_DIR"/run-1.out "$E2E_DIR"/run-1.err
    fi
    [ $rc -eq 124 ] && e2e_fail "win32-check.exe did not end within 120 s"
    e2e_fail "win32-check.exe: failed checks: $rc"
fi
[ -s "$log" ] || e2e_fail "win32-check.exe passed but wrote no log"
e2e_log "$(tail -n 1 "$log")"
