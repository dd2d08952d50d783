#!/usr/bin/env bash
# Destinations the run cannot fill (compression mode 0). A full drive (a 64 kB tmpfs as F:): the
# first file fits, the second does not; the run-time's message shows, nothing after it is
# written, the progress window stays, and its Exit button leads to the terminate, which cleans up
# and starts the stand-in uninstaller. A read-only drive (a tmpfs remounted read-only as R:): the
# first write of the uninstall log is refused with "Kann nicht nach ... schreiben", nothing is
# written, and terminating still hands the log's path to the uninstaller.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require

# Waits for the general error handler's box; checks its text and closes it.
expect_error_box() {
    drv_ok wait-msgbox "$1" 30000
    drv_dump
    expect_eq "error caption" "$(dump_get '#msgbox' - 11)" Setup
    shot "$2"
    drv_ok answer-msgbox OK
    drv_is 1 visible Tcopying
    drv_is 1 enabled Tcopying Btn_exit
}

terminate_by_exit() {
    drv_ok click Tcopying Btn_exit
    drv_ok wait-form Tabbruch 20000
    drv_ok click Tabbruch Btn_terminate
    setup_wait_end 60
    expect_eq "exit code" "$SETUP_RC" 0
}

inst_product
# The components claim little space, so that the wizard lets the small drives pass.
small=(software Opt1_space 1000 software Opt2_space 1000)

# 1: the full drive.
full=$E2E_DIR/full
e2e_mount_tmpfs "$full" 64k
e2e_map_drive f "$full"
INST_DEST='F:\Demo'
inst_dist 0 1457664 "${small[@]}"
INST_DEST_HOST=$full/Demo
inst_walk
expect_error_box 'Festplatte voll' full-drive
[ -e "$full/Demo/notes.txt" ] && e2e_fail "a file after the failing one was written"
[ -e "$full/Demo/help" ] || e2e_fail "the directories were not made"
cmp -s "$INST_PRODUCT/bin/app.exe" "$full/Demo/bin/app.exe" || e2e_fail "the first file is not whole"
expect_eq "files total at the failure" "$(inst_log_get files.total)" 2
terminate_by_exit
inst_expect_cleaned
expect_eq "files total after the terminate" "$(inst_log_get files.total)" 3

# 2: the read-only drive.
rm -f "$E2E_MARKER_FILE"
ro=$E2E_DIR/readonly
e2e_mount_tmpfs "$ro" 1m
mount -o remount,ro "$ro" || e2e_skip "cannot make the tmpfs read-only"
e2e_map_drive r "$ro"
INST_DEST='R:\Demo'
inst_dist 0 1457664 "${small[@]}"
INST_DEST_HOST=$ro/Demo
inst_walk
expect_error_box 'Kann nicht nach R:\Demo\setup\uninst.log schreiben' read-only-drive
[ -z "$(ls -A "$ro")" ] || e2e_fail "something was written on the read-only drive: $(ls -A "$ro")"
terminate_by_exit
inst_expect_cleaned
exit 0
