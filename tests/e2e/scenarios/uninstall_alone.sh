#!/usr/bin/env bash
# uncorvid.exe on its own, on a prefix that the test prepares as an installation would leave it
# (files in sub-folders and below the Windows directory, an association, INI entries, registry
# entries, a program group made through Wine's program manager, the uninstall registration, a
# log written by the test):
# 1. /silent, started with the registered command (unquoted, blanks in the path): no window, and
#    a snapshot of the prefix afterwards differs from the one before only by the shared
#    uninstaller in the Windows directory;
# 2. interactive with [uninstall] ask = 1: the question and the closing message carry the log's
#    texts, the progress window shows, and everything goes;
# 3. a hostile log: nothing outside what it safely names is removed, the report says why, and
#    the log stays.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
UNC=$CORVID_WIN_DIR/src/win32/uncorvid.exe
DDE=$CORVID_E2E_PROGRAMS/dde_command.exe
[ -f "$UNC" ] && [ -f "$DDE" ] || e2e_fail "no uncorvid.exe or dde_command.exe"
WINE="${E2E_WINE[*]}"
C=$E2E_DRIVE_C
crlf() { sed 's/$/\r/'; }

rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

# An installation of PRODUCT into C:\DIR as the setup leaves it. $1 product, $2 folder, $3 ask.
install_fake() {
    local name=$1 dir=$2 ask=$3 d="$C/$2"
    mkdir -p "$d/bin/data" "$d/help" "$d/doc" "$d/setup" "$C/windows/system"
    printf 'tool' >"$d/bin/tool.exe"
    printf 'words' >"$d/bin/data/words.txt"
    printf 'manual' >"$d/help/manual.txt"
    printf 'read me' >"$d/doc/readme.txt"
    printf 'system file' >"$C/windows/system/$name.dll"
    cp "$UNC" "$C/windows/uncorvid.exe"
    printf '[Options]\nPath=C:\\%s\n' "$dir" | crlf >"$d/tools.ini"
    crlf >"$E2E_DIR/$name.reg" <<REG
REGEDIT4

[HKEY_CLASSES_ROOT\\.${name}x]
@="${name}xautofile"

[HKEY_CLASSES_ROOT\\${name}xautofile]
@="$name data"

[HKEY_CLASSES_ROOT\\${name}xautofile\\DefaultIcon]
@="C:\\\\$dir\\\\bin\\\\tool.exe,1"

[HKEY_CLASSES_ROOT\\${name}xautofile\\shell\\open\\command]
@="C:\\\\$dir\\\\bin\\\\tool.exe %1"

[HKEY_CURRENT_USER\\Software\\KOVA\\$name]
"Folder"="C:\\\\$dir"

[HKEY_LOCAL_MACHINE\\Software\\KOVA\\corvid]
"uninstall"="220"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name]
"UninstallString"="C:\\\\windows\\\\uncorvid.exe C:\\\\$dir\\\\setup\\\\uninst.log"
"DisplayName"="$name 1.0"
"version"="220"
REG
    e2e_wine regedit /s "$(e2e_winpath "$E2E_DIR/$name.reg")" >"$E2E_DIR/regedit.out" 2>&1 </dev/null
    e2e_run 60 "$DDE" "[CreateGroup($name Group)]" "[AddItem(C:\\$dir\\bin\\tool.exe,Tool)]" ||
        e2e_fail "the program group was not made (dde_command exit $?)"
    crlf >"$d/setup/uninst.log" <<LOG
[readme]
file=C:\\$dir\\doc\\readme.txt
[important!]
c=corvid
i1=This file is needed to uninstall $name
[files]
total=4
f1=\\bin\\tool.exe
f2=\\bin\\data\\words.txt
f3=\\help\\manual.txt
f4=\\help\\gone.txt
[directories]
total=3
d1=\\bin\\
d2=\\bin\\data\\
d3=\\help\\
[extensions]
total=1
e1=${name}x
[uninstall]
versionname=1.0
version=220
name=$name
language=
directory=C:\\$dir
ask=$ask
prggrp=$name Group
[language]
l11=Keep it
l15=Remove
l10=One moment ...
l55=Remove $name now?
l56=Removing $name
l57=
l58=
l59=
l60=$name is gone.
l61=
[systemroot]
f1=C:\\windows\\system\\$name.dll
total=1
[ini_1]
name=C:\\$dir\\tools.ini
s0=Options
k0=Path
v0=C:\\$dir
[ini_2]
name=$name.ini
s0=Settings
k0=Folder
v0=installed
[sysreg]
remove=1
total=1
k1=2
p1=Software\\KOVA\\$name
b1=C:\\$dir
LOG
    printf '[Settings]\nFolder=installed\n' | crlf >"$C/windows/$name.ini"
}

group_dir() { find "$C/users" "$C/ProgramData" -type d -path "*/Programs/$1" 2>/dev/null | head -n 1; }

# 1. silent, with the registered command
install_fake Tools "Demo Tools" 0
[ -n "$(group_dir 'Tools Group')" ] || e2e_fail "Wine's program manager made no group folder"
rc=0
rt_uninstall Tools /silent 60 >"$E2E_DIR/silent.out" 2>&1 || rc=$?
expect_eq "silent exit code" "$rc" 0
e2e_wineserver_wait 20
[ ! -e "$C/Demo Tools" ] || e2e_fail "the destination is still there: $(find "$C/Demo Tools")"
[ -z "$(group_dir 'Tools Group')" ] || e2e_fail "the program group is still there"
rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after"
if ! rt_diff "$E2E_DIR/before" "$E2E_DIR/after" >"$E2E_DIR/diff.txt"; then
    cat "$E2E_DIR/diff.txt"
    e2e_fail "the uninstallation left differences (above)"
fi
grep -q '^+windows/uncorvid.exe' <(diff "$E2E_DIR/before/files.txt" "$E2E_DIR/after/files.txt" | sed 's/^> /+/') ||
    e2e_fail "the shared uninstaller did not stay"

# 2. interactive
install_fake Two "Demo Two" 1
e2e_start 'C:\windows\uncorvid.exe' 'C:\Demo' 'Two\setup\uninst.log'
pid=$E2E_PID
drv_is "Uninstall Two" wait-form Tquestion --visible 30000
drv_is "Remove Two now?" text Tquestion Lbl_question
drv_is "Remove" text Tquestion Btn_yes
drv_is "Keep it" text Tquestion Btn_no
shot question
drv_ok click Tquestion Btn_yes
drv_ok wait-msgbox "Two is gone." 30000
shot done
drv_ok answer-msgbox OK
rc=0
e2e_wait_pid "$pid" 30 || rc=$?
expect_eq "interactive exit code" "$rc" 0
[ ! -e "$C/Demo Two" ] || e2e_fail "the interactive run left the destination"
[ ! -e "$C/windows/system/Two.dll" ] || e2e_fail "the interactive run left the system file"

# 3. a hostile log
mkdir -p "$C/Hostile/setup" "$C/Hostile/bin" "$C/Other"
printf 'keep' >"$C/keep.txt"
printf 'keep' >"$C/Other/keep.txt"
printf 'keep' >"$C/windows/keep.dll"
printf 'ours' >"$C/Hostile/bin/ours.txt"
crlf >"$C/Hostile/setup/uninst.log" <<'LOG'
[readme]
file=C:\Other\keep.txt
[files]
total=5
f1=\..\keep.txt
f2=C:\keep.txt
f3=\bin\..\..\Other\keep.txt
f4=\. .\keep.txt
f5=\bin\ours.txt
[systemroot]
total=2
f1=C:\windows\..\keep.txt
f2=C:\Other\keep.txt
[directories]
total=2
d1=\..\
d2=\bin\
[uninstall]
name=
directory=C:\Hostile
prggrp=..\..
LOG
rc=0
e2e_run 60 "$UNC" 'C:\Hostile\setup\uninst.log' /silent || rc=$?
expect_eq "hostile exit code" "$rc" 1
for f in keep.txt Other/keep.txt windows/keep.dll Hostile/setup/uninst.log; do
    [ -f "$C/$f" ] || e2e_fail "$f was removed"
done
[ ! -e "$C/Hostile/bin" ] || e2e_fail "the sound entries of the hostile log were not removed"
report=$C/Hostile/setup/uninst.txt
[ -f "$report" ] || e2e_fail "no report beside the hostile log"
expect_eq "refused entries" "$(grep -c '^REFUSED' "$report")" 9
exit 0
