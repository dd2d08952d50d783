#!/usr/bin/env bash
# The install-uninstall round trip of the example distribution (files in sub-folders and below
# the Windows directory, a file type, an INI entry, registry entries with remove = 1, a program
# group, the read-me): a snapshot of the prefix, the installation through the wizard's windows,
# the registered uninstall command (unquoted, interactive: the log asks first), a second
# snapshot. The two differ only by what stays by design: the shared uninstaller and its version
# value.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
rt_demo_begin
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

inst_walk
inst_finish
dest=$(winfile 'C:\Corvid_Demo')
[ -f "$dest/bin/data/words.txt" ] && [ -f "$dest/setup/uninst.log" ] ||
    e2e_fail "the example distribution was not installed"
[ -f "$(winfile 'C:\windows\uncorvid.exe')" ] || e2e_fail "the uninstaller was not installed"
rt_snapshot "$E2E_DIR/installed" || e2e_fail "no snapshot after the installation"
rt_diff "$E2E_DIR/before" "$E2E_DIR/installed" >"$E2E_DIR/installed.diff"
for want in 'Corvid_Demo/bin/data/words.txt' 'windows/system/corviddm.ini' 'windows/corvdemo.ini' \
    '[HKEY_CLASSES_ROOT\.cvdw]' '[HKEY_CURRENT_USER\Software\KOVA\Corvid Demo]' \
    'Start Menu/Programs/Corvid' '[HKEY_LOCAL_MACHINE\Software\KOVA\Corvid Demo]' \
    'Uninstall\Corvid Demo]'; do
    grep -qF -- "$want" "$E2E_DIR/installed.diff" || e2e_fail "the installation made no $want"
done

rt_uninstall_command "Corvid Demo" || e2e_fail "no uninstall command registered"
e2e_log "uninstalling with: ${RT_COMMAND[*]}"
e2e_start "${RT_COMMAND[@]}"
pid=$E2E_PID
drv_ok wait-form Tquestion --visible 30000
drv_is "Remove Corvid Demo and all of its components from your computer?" text Tquestion Lbl_question
shot question
drv_ok click Tquestion Btn_yes
drv_ok wait-msgbox "Corvid Demo has been removed from your computer." 60000
drv_ok answer-msgbox OK
rc=0
e2e_wait_pid "$pid" 30 || rc=$?
expect_eq "uninstaller exit code" "$rc" 0

rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after the uninstallation"
if ! rt_diff "$E2E_DIR/before" "$E2E_DIR/after" >"$E2E_DIR/diff.txt"; then
    cat "$E2E_DIR/diff.txt"
    e2e_fail "the round trip left differences (above)"
fi
exit 0
