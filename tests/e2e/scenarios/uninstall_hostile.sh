#!/usr/bin/env bash
# uncorvid.exe /silent against hostile uninstall logs, checked by snapshots before and after all
# of them: nothing outside the logs' own destinations changes.
# 1. a log whose [uninstall] directory names a system folder (the log lies elsewhere), and one
#    copied away from its destination: nothing is removed, the report says why;
# 2. a symbolic link inside the destination leading into the Windows directory, a file of the
#    log named through it, and a link where the report goes: the link's target stays as it was;
# 3. names that climb out (".."), device names and a bare INI name outside the Windows
#    directory: refused, while the sound entries go;
# 4. the short names Wine itself gives: a destination below the Windows directory, removed by a
#    copy of the uninstaller there, whose log names the log and that uninstaller by their short
#    names (and the shared one as UNCORV~1.EXE): all of them stay, the sound entry goes.
#
#   ctest -R e2e.uninstall_hostile --output-on-failure        (from build/)
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
UNC=$CORVID_WIN_DIR/src/win32/uncorvid.exe
[ -f "$UNC" ] || e2e_fail "no uncorvid.exe"
C=$E2E_DRIVE_C
crlf() { sed 's/$/\r/'; }
cp "$UNC" "$C/windows/uncorvid.exe"
mkdir -p "$C/windows/system32" "$C/Other"
printf 'system' >"$C/windows/system32/victim.dll"
printf 'system' >"$C/windows/win.com.keep"
printf 'keep' >"$C/Other/keep.txt"

# Runs the uninstaller on LOG (a Windows path) and expects EXIT.
hostile() {
    local log=$1 exit=$2 own=$3 rc=0
    e2e_run 60 "$UNC" "$log" /silent || rc=$?
    expect_eq "$own exit code" "$rc" "$exit"
}

# 1. a foreign destination
mkdir -p "$C/Foreign/setup"
crlf >"$C/Foreign/setup/uninst.log" <<'LOG'
[files]
total=1
f1=\victim.dll
[uninstall]
directory=C:\windows\system32
LOG

# 2. links in the destination
mkdir -p "$C/Linked/setup"
ln -s "$C/windows/system32" "$C/Linked/bin"
ln -s "$C/windows/win.com.keep" "$C/Linked/setup/uninst.txt"
crlf >"$C/Linked/setup/uninst.log" <<'LOG'
[files]
total=1
f1=\bin\victim.dll
[directories]
total=1
d1=\bin\
[uninstall]
directory=C:\Linked
LOG

# 3. names that climb out, devices, INI files elsewhere
mkdir -p "$C/Names/setup" "$C/Names/bin"
printf 'ours' >"$C/Names/bin/ours.txt"
printf '[A]\r\nB=C\r\n' >"$C/Other/other.ini"
crlf >"$C/Names/setup/uninst.log" <<'LOG'
[files]
total=5
f1=\..\Other\keep.txt
f2=\bin\..\..\Other\keep.txt
f3=\con
f4=\nul.txt
f5=\bin\ours.txt
[systemroot]
total=1
f1=C:\windows\..\Other\keep.txt
[ini_1]
name=C:\Other\other.ini
s0=A
k0=B
[uninstall]
directory=C:\Names
LOG
# 4. short names, as Wine's cmd spells them
short_name() { # WINDOWS-PATH (without blanks) -> SHORT
    e2e_run 30 cmd /c for %I in "($1)" do @echo %~sI || e2e_fail "cmd could not shorten $1"
    SHORT=$(tr -d '\r' <"$E2E_DIR/run-$_e2e_runs.out" | tail -n 1)
    [ -n "$SHORT" ] && [ "$SHORT" != "$1" ] || e2e_fail "Wine gives $1 no short name: \"$SHORT\""
    e2e_log "short name of $1: $SHORT"
}
short_dest=$C/windows/HostileProduct
mkdir -p "$short_dest/setup"
cp "$UNC" "$short_dest/UninstallTool.exe"
printf 'ours' >"$short_dest/ours.txt"
short_name 'C:\windows\HostileProduct\setup\uninst.log'
short_log=$SHORT
short_name 'C:\windows\HostileProduct\UninstallTool.exe'
short_tool=$SHORT
crlf >"$short_dest/setup/uninst.log" <<LOG
[files]
total=1
f1=\\ours.txt
[systemroot]
total=3
f1=$short_log
f2=C:\\windows\\UNCORV~1.EXE
f3=$short_tool
[uninstall]
directory=C:\\windows\\HostileProduct
LOG

# One snapshot before and one after all of them: only the logs' own destinations may change.
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"
hostile 'C:\Foreign\setup\uninst.log' 1 Foreign
hostile 'C:\Linked\setup\uninst.log' 1 Linked
hostile 'C:\Names\setup\uninst.log' 1 Names
rc=0
e2e_run 60 'C:\windows\HostileProduct\UninstallTool.exe' 'C:\windows\HostileProduct\setup\uninst.log' /silent || rc=$?
expect_eq "Short exit code" "$rc" 1
e2e_wineserver_wait 20
rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after"
changes=$(rt_diff "$E2E_DIR/before" "$E2E_DIR/after" |
    grep -v "^[-+]\(Foreign\|Linked\|Names\|windows/HostileProduct\)[/ ]" || true)
if [ -n "$changes" ]; then
    printf '%s\n' "$changes"
    e2e_fail "the uninstaller changed the machine outside the logs' destinations (above)"
fi
[ -f "$C/windows/system32/victim.dll" ] || e2e_fail "a system file was removed"
grep -q "does not lie in that folder" "$C/Foreign/setup/uninst.txt" ||
    e2e_fail "the report does not say why the foreign destination was refused"
expect_eq "the link's target" "$(cat "$C/windows/win.com.keep")" "system"
[ -L "$C/Linked/setup/uninst.txt" ] || e2e_fail "the link where the report goes was replaced"
[ -f "$C/Other/keep.txt" ] || e2e_fail "a name that climbs out removed a file"
expect_eq "the INI file elsewhere" "$(tr -d '\r' <"$C/Other/other.ini")" "$(printf '[A]\nB=C')"
[ ! -e "$C/Names/bin" ] || e2e_fail "the sound entry of the log was not removed"
[ -f "$short_dest/setup/uninst.log" ] || e2e_fail "the log named by its short name was removed"
[ -f "$short_dest/UninstallTool.exe" ] || e2e_fail "the uninstaller named by its short name was removed"
[ -f "$C/windows/uncorvid.exe" ] || e2e_fail "the shared uninstaller was removed"
[ ! -e "$short_dest/ours.txt" ] || e2e_fail "the sound entry of the short-named log was not removed"
grep -q "the uninstall log itself goes last" "$short_dest/setup/uninst.txt" ||
    e2e_fail "the report does not say why the log stays"
exit 0
