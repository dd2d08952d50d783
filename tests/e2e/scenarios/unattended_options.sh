#!/usr/bin/env bash
# The choices on the command line, on a distribution of the test's own (two components, the
# standard, custom and cd types, a restart wanted), each run with /log:
#   1. /verysilent /dir= with blanks, /type=custom, /components=, /group= with blanks: the
#      component chosen and no other, in the checked destination, the group made under its
#      checked name; the restart is not made and exit code 3010 says it is needed;
#   2. /silent /norestart /noicons /type=cd: nothing of the product copied, no program group,
#      exit code 3010;
#   3. an invalid /dir=: exit code 2 and nothing written to drive C:;
#   4. a destination drive with too little space (a 64 kB tmpfs as T:, the product needs more):
#      exit code 2, the space message in the log, and nothing written to T:.
# A Unix parent sees only the low 8 bits of a Windows exit code (3010 arrives as 194); the log's
# last line has the whole code.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product
inst_dist 0 1000000 software o_custom 1 software Opt1_custom 1 software Opt2_custom 1 \
    software Opt1_locked 0 software o_cd 1 software reboot 1
programs=$E2E_DRIVE_C/users/Public/Start\ Menu/Programs
[ -d "$programs" ] || programs=$(find "$E2E_DRIVE_C" -type d -path '*Start Menu/Programs' | head -n 1)

# 1.
rc=0
e2e_run 180 'D:\setup.exe' /VERYSILENT '-dir=C:\My Apps\Test' /type=custom /components=2 \
    '/group=Test Group' '/log=D:\one.log' || rc=$?
expect_eq "exit code of a run that needs a restart" "$rc" $((3010 % 256))
tail -n 1 "$E2E_DIST/one.log" | grep -q 'exit code 3010' || e2e_fail "the log does not end with 3010"
dest=$(winfile 'C:\My_Apps\Test')
[ -f "$dest/help/manual.txt" ] || e2e_fail "component 2 was not installed into C:\\My_Apps\\Test"
[ -e "$dest/bin/app.exe" ] && e2e_fail "component 1 was installed though not chosen"
find "$E2E_DRIVE_C" -path '*Start Menu/Programs/Test_Group' | grep -q . ||
    e2e_fail "no program group Test_Group: $(ls "$programs" 2>&1)"
grep -q 'a restart is needed; it was not made' "$E2E_DIST/one.log" || e2e_fail "the log says nothing of the restart"
grep -q 'restart asked of the system' "$E2E_DIST/one.log" && e2e_fail "a restart was asked for"
grep -q 'choices: destination C:\\My_Apps\\Test, setup type custom, components 2,' \
    "$E2E_DIST/one.log" || e2e_fail "the log does not name the choices: $(grep choices "$E2E_DIST/one.log")"

# 2.
rc=0
e2e_run 180 'D:\setup.exe' /silent /norestart /noicons /type=cd '/dir=C:\CdRun' '/log=D:\two.log' ||
    rc=$?
expect_eq "exit code of /silent /norestart" "$rc" $((3010 % 256))
tail -n 1 "$E2E_DIST/two.log" | grep -q 'exit code 3010' || e2e_fail "the log does not end with 3010"
[ -d "$(winfile 'C:\CdRun')" ] || e2e_fail "the cd type made no destination"
[ -e "$(winfile 'C:\CdRun\bin\app.exe')" ] && e2e_fail "the cd type copied the product"
grep -q 'program manager:' "$E2E_DIST/two.log" && e2e_fail "/noicons made a program group"

# 3.
(cd "$E2E_DRIVE_C" && find . | LC_ALL=C sort) >"$E2E_DIR/c-before.txt"
rc=0
e2e_run 120 'D:\setup.exe' /verysilent '/dir=C:\a<b' '/log=D:\three.log' || rc=$?
expect_eq "exit code of an invalid destination" "$rc" 2
grep -q 'answered unattended' "$E2E_DIST/three.log" || e2e_fail "the folder check's message is not in the log"
(cd "$E2E_DRIVE_C" && find . | LC_ALL=C sort) >"$E2E_DIR/c-after.txt"
grep -v -E '^\./(windows/temp|users/[^/]+/(temp|appdata/local/temp))(/|$)' "$E2E_DIR/c-before.txt" >"$E2E_DIR/b"
grep -v -E '^\./(windows/temp|users/[^/]+/(temp|appdata/local/temp))(/|$)' "$E2E_DIR/c-after.txt" >"$E2E_DIR/a"
diff "$E2E_DIR/b" "$E2E_DIR/a" >"$E2E_DIR/c-diff.txt" ||
    e2e_fail "the refused run wrote to drive C: $(cat "$E2E_DIR/c-diff.txt")"

# 4.
small=$E2E_DIR/small
e2e_mount_tmpfs "$small" 64k
e2e_map_drive t "$small"
rc=0
e2e_run 120 'D:\setup.exe' /verysilent '/dir=T:\App' '/log=D:\four.log' || rc=$?
expect_eq "exit code with too little space" "$rc" 2
grep -q '"T: free space".*answered unattended' "$E2E_DIST/four.log" || e2e_fail "the space message is not in the log"
tail -n 1 "$E2E_DIST/four.log" | grep -q 'exit code 2' || e2e_fail "the log does not end with 2"
[ -z "$(ls -A "$small")" ] || e2e_fail "the refused run wrote to T: $(ls -A "$small")"
exit 0
