#!/usr/bin/env bash
# The program group and the completion dialog's single-button layout, after whole installations
# through the wizard:
# 1. a stand-in "Progman" DDE server records the exact texts: the empty topic tried first, then
#    "Progman"; one execute transaction per line, each line ending in CR LF and a null; a "%" and
#    a long system sub-path unchanged. The read-me opens at once (readmestart 1), the dialog shows
#    one centred OK button, waits its 6 seconds for a group window that never comes, `run`
#    starts its program, the work files go, and reboot 2 answered with Cancel shows l8;
# 2. the cd setup type: the items that run from the medium, on the setup's own drive;
# 3. Wine's own program manager makes the group: a Start-menu folder with one shortcut per item
#    whose command is a file (it refuses items with arguments, such as the uninstall item), and
#    the group's window comes forward, which ends the dialog's wait; the group name is longer
#    than 19 characters.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
STANDIN=$CORVID_E2E_PROGRAMS/progman_standin.exe
[ -f "$STANDIN" ] || e2e_fail "no $STANDIN"

E2E_DIST=$E2E_DIR/dist
SRC="$E2E_DIST/source folder"
mkdir -p "$SRC"
cp "$E2E_SETUP" "$SRC/setup.exe"
cp "$E2E_MARKER" "$SRC/uninst.ex_"
e2e_map_drive d "$E2E_DIST"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
marker_install

SUB='corvid tools with a system sub-directory name longer than fifty characters'
write_inf() { # GROUP-NAME READMESTART REBOOT [SETUP-TYPE-KEY]
    # The wizard's texts, and this test's own.
    sed -e '/^\[language\]/a l7=Restart the computer now?\nl8=Please restart the computer later.\nl21=Tools are installed.\nl22=Program group\nl23=File types' \
        "$CORVID_SOURCE_DIR/tests/e2e/fixtures/wizard/setup.inf" >"$SRC/setup.inf"
    cat >>"$SRC/setup.inf" <<EOF
[vercheck]
version=3
[software]
name=Tools
prggrp=$1
${4:-o_standard}=1
Opt1_name=Program
Opt1_standard=1
Opt1_prgitem=1
CP=0
readme=readme.txt
readmedir=\\doc
readmestart=$2
reboot=$3
run=bin\\marker.exe /ran
[prggrp]
total=3
o1=1
f1=1
p1=Tool 50%
o2=2
f2=1
p2=Not selected
o3=1
f3=2
p3=System 100%
[Option_1]
f1=tool.exe
d1=1
f2=sys 100%.exe
d2=2
[directories]
d0=C:\\Tools
d1_1=\\bin\\
d1_2=%SystemRoot%\\$SUB\\
EOF
    printf 'read me\r\n' >"$SRC/readme.txt"
}
tools=$(winfile 'C:\Tools')
mkdir -p "$tools/bin" "$tools/setup" "$E2E_DRIVE_C/windows/$SUB" "$E2E_DRIVE_C/temp"
cp "$E2E_MARKER" "$tools/bin/tool.exe"
cp "$E2E_MARKER" "$tools/bin/marker.exe"
cp "$E2E_MARKER" "$E2E_DRIVE_C/windows/$SUB/sys 100%.exe"
work_files() {
    : >"$tools/setup/compress.tmp"
    : >"$E2E_DRIVE_C/temp/cvd.bmp"
}

# ---- 1: the stand-in program manager
write_inf Tools 1 2
log=$E2E_DRIVE_C/standin.log
# Starts the stand-in program manager with an empty record.
standin_start() {
    rm -f "$log" "$log.stop"
    e2e_start "$STANDIN" 'C:\standin.log' 120
    standin_pid=$E2E_PID
    for _ in $(seq 100); do grep -q ready "$log" 2>/dev/null && break; sleep 0.2; done
    grep -q ready "$log" 2>/dev/null || e2e_fail "the stand-in program manager did not start"
}
standin_stop() {
    : >"$log.stop"
    e2e_wait_pid "$standin_pid" 30 || e2e_fail "the stand-in did not end"
}
standin_start

install_walk 'D:\source folder\setup.exe' Tools
setup_pid=$E2E_PID
started=$SECONDS
e2e_wait_window 'readme' 30 >/dev/null || e2e_fail "the read-me did not open in an editor"
drv_ok wait-form Tcomplete --visible 30000
waited=$((SECONDS - started))
[ $waited -ge 6 ] || e2e_fail "the dialog came after $waited s, without waiting for the group"
shot_when Tcomplete single-button
work_files
drv_dump
expect_eq "label" "$(dump_get Tcomplete Lbl_complete 11)" "Tools are installed. "
expect_eq "OK button" "$(dump_get Tcomplete Btn_complete 4 7 8 9 10 11)" "1 87 54 73 25 &Ok"
expect_eq "read-me button" "$(dump_get Tcomplete Btn_readme 4)" 0
expect_eq "dialog" "$(dump_get Tcomplete - 1 9 10 11)" "Tcomplete 263 85 corvid"
expect_centred Tcomplete

want=$(
    cat <<'EOF'
ready
wildconnect
connect Progman
execute 99 [CreateGroup(Tools)][AddItem(C:\\windows\\uncorvid.exe C:\\Tools\\setup\\uninst.log,Uninstall Tools)]\r\n\0
execute 45 [AddItem(C:\\Tools\\bin\\\\tool.exe,Tool 50%)]\r\n\0
EOF
)
want+=$'\n'"execute $((51 + ${#SUB})) [AddItem(C:\\\\windows\\\\$SUB\\\\\\\\sys 100%.exe,System 100%)]\\r\\n\\0"
expect_eq "what the program manager received" "$(tr -d '\r' <"$log")" "$want"

drv_ok click Tcomplete Btn_complete
drv_ok wait-msgbox "Restart the computer now?" 10000
drv_dump
dump_has '#msgbox' id:2 || e2e_fail "the restart question has no Cancel button"
drv_ok answer-msgbox Cancel "Restart the computer now?"
drv_ok wait-msgbox "Please restart the computer later." 10000
drv_ok answer-msgbox OK "Please restart the computer later."
e2e_wait_pid "$setup_pid" 30 || e2e_fail "the setup did not end after the completion dialog"
[ -e "$tools/setup/setup.tmp" ] && e2e_fail "setup.tmp is left"
[ -e "$tools/setup/compress.tmp" ] && e2e_fail "compress.tmp is left"
[ -e "$E2E_DRIVE_C/temp/cvd.bmp" ] && e2e_fail "C:\\temp\\cvd.bmp is left"
[ -e "$tools/doc/readme.txt" ] || e2e_fail "the read-me copy is gone"
marker_expect '/ran'
standin_stop

# ---- 2: the cd setup type: the items run from the setup's own drive
write_inf Tools 0 0 o_cd
printf '[prggrp_run]\nv1=\\bin\\app.exe\np1=App\n' >>"$SRC/setup.inf"
standin_start
install_walk 'D:\source folder\setup.exe' Tools
setup_pid=$E2E_PID
drv_ok wait-form Tcomplete --visible 30000
want=$(
    cat <<'EOF'
ready
wildconnect
connect Progman
execute 99 [CreateGroup(Tools)][AddItem(C:\\windows\\uncorvid.exe C:\\Tools\\setup\\uninst.log,Uninstall Tools)]\r\n\0
execute 32 [AddItem(D:\\bin\\app.exe,App)]\r\n\0
execute 26 [AddItem(D:_,noname2])]\r\n\0
EOF
)
expect_eq "what the program manager received for the cd type" "$(tr -d '\r' <"$log")" "$want"
drv_ok click Tcomplete Btn_complete
e2e_wait_pid "$setup_pid" 30 || e2e_fail "the setup did not end after the completion dialog"
standin_stop

# ---- 3: Wine's program manager, a group name longer than 19 characters
group='CorvidToolsForTheLongNameTest'
write_inf "$group" 0 0
install_walk 'D:\source folder\setup.exe' "$group"
setup_pid=$E2E_PID
e2e_wait_window "^$group\$" 30 >/dev/null || e2e_fail "the group's window did not open"
drv_ok wait-form Tcomplete --visible 30000
shot group-window
drv_ok key Tcomplete Btn_complete F4
e2e_wait_pid "$setup_pid" 30 || e2e_fail "F4 on OK did not end the setup"

menu=$(find "$E2E_DRIVE_C/users" -type d -path '*/Start Menu/Programs' | head -n 1)
[ -d "$menu/$group" ] || e2e_fail "no group folder in the Start menu: $(ls "$menu")"
expect_eq "shortcuts" "$(cd "$menu/$group" && ls | tr '\n' '|')" "System 100%.lnk|Tool 50%.lnk|"
# A shortcut's target path stands in it as text.
points_at() {
    strings -n 6 "$menu/$group/$1" | grep -qixF "$2" ||
        e2e_fail "$1 does not point at $2: $(strings -n 6 "$menu/$group/$1" | tr '\n' ' ')"
}
points_at 'Tool 50%.lnk' 'C:\Tools\bin\tool.exe'
points_at 'System 100%.lnk' "C:\\windows\\$SUB\\sys 100%.exe"
exit 0
