#!/usr/bin/env bash
# The disk prompt (compression mode 0, volumes of 16 kB, the first file crosses into volume 02,
# which is held back). First Cancel: the abort dialog; cancelling it asks again; Cancel and then
# terminate: the run stops, the work files go, the stand-in uninstaller is started with the log
# and " /silent", and the log counts the file met plus one. Then a second installation: the
# prompt's caption and text, OK asks again while the volume is missing, the volume is put back,
# OK goes on and every file is installed byte for byte.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product
inst_dist 0 16384
held=$E2E_DIR/held
mkdir -p "$held"
mv "$E2E_DIST/zdata_02.dsk" "$held/" || e2e_fail "no second volume"
prompt='Please insert the disk"2".'

# 1: Cancel, cancel the abort dialog, Cancel again, terminate.
inst_walk
drv_ok wait-msgbox "$prompt" 30000
drv_ok answer-msgbox Cancel
drv_ok wait-form Tabbruch 20000
drv_ok click Tabbruch Btn_cancel
drv_ok wait-msgbox "$prompt" 20000
drv_ok answer-msgbox Cancel
drv_ok wait-form Tabbruch 20000
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
expect_eq "exit code" "$SETUP_RC" 0
inst_expect_cleaned
expect_eq "files total after the terminate" "$(inst_log_get files.total)" 2
[ -e "$INST_DEST_HOST/notes.txt" ] && e2e_fail "a file after the prompt was installed"

# 2: OK while the volume is missing asks again; with the volume back OK goes on.
rm -f "$E2E_MARKER_FILE"
inst_walk
drv_ok wait-msgbox "$prompt" 30000
drv_dump
expect_eq "prompt caption" "$(dump_get '#msgbox' - 11)" corvid
expect_eq "prompt text" "$(dump_get '#msgbox' id:65535 11)" "$prompt"
dump_has '#msgbox' id:1 && dump_has '#msgbox' id:2 || e2e_fail "the prompt lacks OK or Cancel"
expect_eq "prompt icon" "$(dump_get '#msgbox' - 14)" icon
shot disk-prompt
drv_ok answer-msgbox OK
drv_ok wait-msgbox "$prompt" 20000
mv "$held/zdata_02.dsk" "$E2E_DIST/"
drv_ok answer-msgbox OK
inst_finish
inst_expect_files 1 2
inst_expected_log 6 1 2 >"$E2E_DIR/log-expected.txt"
inst_expect_log "$E2E_DIR/log-expected.txt"
e2e_wineserver_wait 30
[ -e "$E2E_MARKER_FILE" ] && e2e_fail "the uninstaller was started: $(cat "$E2E_MARKER_FILE")"
exit 0
