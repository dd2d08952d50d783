#!/usr/bin/env bash
# The registry, INI and start-up file phases and the completion dialog's two-button layout, after a
# whole installation through the wizard from a source folder whose path has a blank:
# - zsys.re_ imported by the registry editor; associations under HKEY_CLASSES_ROOT pointing at
#   the installed program; INI entries below the Windows directory and elsewhere; registry
#   entries of kinds 1, 2 and 3 (a kind-3 key the system refuses: the message, no log entry);
#   C:\autoexec.bat appended after its backup, C:\config.sys not created; the uninstall
#   registration;
# - msg2, then the dialog with OK and Read-me; Read-me opens the file in the editor and completes;
#   reboot 1 answered with Cancel shows l8;
# - the registration read back by later starts of setup.exe: equal, older and newer versions.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require

E2E_DIST=$E2E_DIR/dist
SRC="$E2E_DIST/source folder"
mkdir -p "$SRC"
cp "$E2E_SETUP" "$SRC/setup.exe"
cp "$E2E_MARKER" "$SRC/uninst.ex_"
e2e_map_drive d "$E2E_DIST"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N

# A key name longer than the registry allows: the system refuses to create it.
LONGKEY=$(printf 'k%.0s' $(seq 300))
write_inf() { # SETUP-VERSION [D0]
    # The wizard's texts, and this test's own.
    sed -e '/^\[language\]/a l7=Restart the computer now?\nl8=Please restart the computer later.\nl21=Tools are installed.\nl63=A newer version is installed already.\nl64=This version is installed already.\nl66=An older version is installed. It must be removed first.' \
        "$CORVID_SOURCE_DIR/tests/e2e/fixtures/wizard/setup.inf" >"$SRC/setup.inf"
    cat >>"$SRC/setup.inf" <<EOF
[vercheck]
version=$1
old=2
[software]
name=Corvid Entries
name_display=Corvid Entries 3.0
prggrp=Tools
o_standard=1
Opt1_name=Program
Opt1_standard=1
Opt1_prgitem=1
readme=readme.txt
readmedir=\\doc
readmestart=2
reboot=1
msg2=Thank you for choosing the tools.
msg2t=Tools
[prggrp]
uninst=0
total=0
[Option_1]
f1=tool.exe
d1=1
[directories]
d0=${2:-C:\\Tools}
d1_1=\\bin\\
[extensions]
total=2
e1=cvd
o1=1
f1=1
n1=Corvid document
[dos]
bkp_a=autoexec.cvd
a1=SET CORVID=C:\\Tools
a3=PATH %PATH%;C:\\Tools\\bin
bkp_c=config.cvd
c1=FILES=40
[ini_1]
name=%SystemRoot%\\corvid\\tools.ini
bkp=tools.bak
s0=Options
k0=Path
v0=C:\\Tools
[ini_2]
name=C:\\Tools\\cfg\\tools.ini
s4=Paths
k4=Data
v4=C:\\Tools\\data
[sysreg]
total=5
k1=1
p1=\\CorvidDoc\\shell
e1=Label
b1=one
k2=2
p2=Software\\Corvid Tools
e2=Level
b2=2
k3=3
p3=SOFTWARE\\Corvid Tools\\Empty
e3=Unset
k4=3
p4=SOFTWARE\\Corvid Tools
e4=Path
b4=C:\\Tools
k5=3
p5=SOFTWARE\\$LONGKEY
e5=x
b5=x
EOF
}
write_inf 3
printf 'read me\r\n' >"$SRC/readme.txt"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvid Import]\r\n"Imported"="yes"\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvid Import\\Sub]\r\n@="default value"\r\n' >"$SRC/zsys.re_"
tools=$(winfile 'C:\Tools')
mkdir -p "$tools/bin"
cp "$E2E_MARKER" "$tools/bin/tool.exe"
autoexec=$'@ECHO OFF\r\nPATH C:\\WINDOWS\r\n\x1A'
printf '%s' "$autoexec" >"$E2E_DRIVE_C/autoexec.bat"
rm -f "$E2E_DRIVE_C/config.sys"

install_walk 'D:\source folder\setup.exe' Tools
setup_pid=$E2E_PID
drv_ok wait-msgbox "No permission to create a key" 30000
expect_eq "kind-3 refusal" "$DRV" $'registry\nNo permission to create a key at the top of\\rHKEY_LOCAL_MACHINE'
drv_ok answer-msgbox OK "No permission"
drv_ok wait-msgbox "Thank you for choosing the tools." 30000
expect_eq "msg2" "$DRV" $'Tools\nThank you for choosing the tools.'
drv_dump
expect_eq "msg2 icon" "$(dump_get '#msgbox' - 14)" icon
drv_ok answer-msgbox OK "Thank you"
drv_ok wait-form Tcomplete --visible 30000
shot_when Tcomplete two-buttons
drv_dump
expect_eq "OK button" "$(dump_get Tcomplete Btn_complete 4 7 8 9 10)" "1 56 54 73 25"
expect_eq "read-me button" "$(dump_get Tcomplete Btn_readme 4 5 7 8 9 10 11)" "1 1 133 54 88 25 Read&Me...."
drv_ok click Tcomplete Btn_readme
e2e_wait_window 'readme' 30 >/dev/null || e2e_fail "Read-me did not open the file in an editor"
drv_ok wait-msgbox "Restart the computer now?" 10000
drv_ok answer-msgbox Cancel "Restart the computer now?"
drv_ok wait-msgbox "Please restart the computer later." 10000
drv_ok answer-msgbox OK "Please restart the computer later."
e2e_wait_pid "$setup_pid" 30 || e2e_fail "the setup did not end after the completion dialog"

# The string value NAME (the default value without one) of KEY, or "<none>".
reg_value() {
    local args=(/ve)
    [ -n "${2:-}" ] && args=(/v "$2")
    # A query that fails is asked again: on a busy machine one was seen to fail for a value that
    # was there; a value really missing costs two more queries.
    local try
    for try in 1 2 3; do
        e2e_run 60 reg query "$1" "${args[@]}" && break
        if [ "$try" = 3 ]; then
            echo "<none>"
            return
        fi
    done
    # shellcheck disable=SC2154 # the harness numbers its runs; this one wrote run-N.out
    tr -d '\r' <"$E2E_DIR/run-$_e2e_runs.out" | awk -F'    ' '$3 == "REG_SZ" { print $4; found = 1; exit } END { if (!found) print "<none>" }'
}
expect_reg() { expect_eq "$1 $2" "$(reg_value "$1" "$2")" "$3"; }

# The registry editor runs without being waited for.
for _ in $(seq 40); do
    [ "$(reg_value 'HKCU\Software\Corvid Import' Imported)" = yes ] && break
    sleep 0.5
done
expect_reg 'HKCU\Software\Corvid Import' Imported yes
expect_reg 'HKLM\Software\Corvid Import\Sub' '' 'default value'

expect_reg 'HKCR\.cvd' '' cvdautofile
expect_reg 'HKCR\cvdautofile' '' 'Corvid document'
expect_reg 'HKCR\cvdautofile\DefaultIcon' '' 'C:\Tools\bin\tool.exe,1'
expect_reg 'HKCR\cvdautofile\shell\open\command' '' 'C:\Tools\bin\tool.exe %1'

expect_reg 'HKCR\CorvidDoc\shell' Label one
expect_reg 'HKCU\Software\Corvid Tools' Level 2
expect_reg 'HKLM\SOFTWARE\Corvid Tools' Path 'C:\Tools'
reg_has 'HKLM\SOFTWARE\Corvid Tools\Empty' || e2e_fail "the kind-3 key with no data was not made"
expect_reg 'HKLM\SOFTWARE\Corvid Tools\Empty' Unset '<none>'

uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvid Entries'
expect_reg "$uninstall" UninstallString 'C:\windows\uncorvid.exe C:\Tools\setup\uninst.log'
expect_reg "$uninstall" DisplayName 'Corvid Entries 3.0'
expect_reg "$uninstall" version 3

ini() { tr -d '\r' <"$(winfile "$1")" | tr '\n' '|'; }
expect_eq "INI below Windows" "$(ini 'C:\windows\corvid\tools.ini')" "[Options]|Path=C:\\Tools|"
expect_eq "INI elsewhere" "$(ini 'C:\Tools\cfg\tools.ini')" "[Paths]|Data=C:\\Tools\\data|"
log=$(ini 'C:\Tools\setup\uninst.log')
case "$log" in
*'[ini_1]|s0=Options|k0=Path|v0=C:\Tools|'*) ;;
*) e2e_fail "the log lacks the first INI file's entries: $log" ;;
esac
case "$log" in *'%SystemRoot%'*) e2e_fail "the log names the INI file below Windows: $log" ;; esac
case "$log" in
*'[ini_2]|name=C:\Tools\cfg\tools.ini|s4=Paths|k4=Data|v4=C:\Tools\data|'*) ;;
*) e2e_fail "the log lacks the second INI file: $log" ;;
esac
case "$log" in
*'[sysreg]|remove=0|total=5|k1=1|p1=\CorvidDoc\shell|b1=one|k2=2|'*) ;;
*) e2e_fail "the log lacks the registry entries: $log" ;;
esac
case "$log" in *'k5='*) e2e_fail "the refused kind-3 entry was logged: $log" ;; esac

expect_eq "autoexec.bat backup" "$(cat "$E2E_DRIVE_C/autoexec.cvd")" "$autoexec"
expect_eq "autoexec.bat" "$(cat "$E2E_DRIVE_C/autoexec.bat")" \
    $'@ECHO OFF\r\nPATH C:\\WINDOWS\r\n\r\nSET CORVID=C:\\Tools\r\n\r\nPATH %PATH%;C:\\Tools\\bin\r'
[ -e "$E2E_DRIVE_C/config.sys" ] && e2e_fail "config.sys was created"
[ -e "$E2E_DRIVE_C/config.cvd" ] && e2e_fail "a backup of the missing config.sys was made"

# Later starts read the registration back.
second_start() { # SETUP-VERSION MESSAGE
    write_inf "$1" 'C:\Elsewhere'
    e2e_start 'D:\source folder\setup.exe'
    drv_ok wait-msgbox "$2" 30000
    expect_eq "message for version $1" "$DRV" "corvid"$'\n'"$2"
}
second_start 3 'This version is installed already.'
drv_ok answer-msgbox OK
drv_ok wait-form Tleader 60000
wizard_next
expect_page "Destination folder" Ebn_folder
drv_is 'C:\Tools' text Tleader Edt_verz
setup_terminate
second_start 2 'A newer version is installed already.'
drv_ok answer-msgbox OK
drv_ok wait-form Tleader 60000
setup_terminate
second_start 4 'An older version is installed. It must be removed first.'
drv_ok answer-msgbox Cancel
setup_ends_ok "exit code after the older version's message"
exit 0
