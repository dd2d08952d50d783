#!/usr/bin/env bash
# Version 6 over a registered version 5 with [vercheck] old = 2: the request to remove the old
# version first. Cancel ends the setup and starts nothing; OK starts the registered uninstall
# command and ends the setup. Neither shows any other window.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_old
E2E_PRODUCT=CorvidVer
marker_install
register_old 5 'C:\windows\marker.exe C:\Apps\Old\setup\uninst.log'
l66="An older version of Demo Tools is installed. It must be removed first."

# Cancel
setup_start
drv_ok wait-msgbox "must be removed" 30000
expect_eq "request" "$DRV" $'corvid\n'"$l66"
drv_dump
expect_eq "request icon" "$(dump_get '#msgbox' - 14)" noicon
expect_eq "OK button" "$(dump_get '#msgbox' id:1 4 11)" "1 OK"
expect_eq "Cancel button" "$(dump_get '#msgbox' id:2 4 11)" "1 Cancel"
expect_eq "forms made before the request" "$(form_names)" "Tmain"
no_form_visible
shot old-version-request
drv_ok answer-msgbox Cancel "must be removed"
setup_ends_ok "exit code after Cancel"
marker_none "Cancel started the uninstall command"

# OK
setup_start
drv_ok wait-msgbox "must be removed" 30000
no_form_visible
drv_ok answer-msgbox OK "must be removed"
setup_ends_ok "exit code after OK"
e2e_wineserver_wait 60
[ -f "$E2E_MARKER_FILE" ] || e2e_fail "OK did not start the uninstall command"
marker_expect 'C:\Apps\Old\setup\uninst.log'
[ "$(printf '%s\n' "$MARKER_RAN" | wc -l)" -eq 1 ] ||
    e2e_fail "the uninstall command ran more than once: $MARKER_RAN"
[ -e "$(winfile 'C:\temp\cvd.bmp')" ] && e2e_fail "C:\\temp\\cvd.bmp was left"
exit 0
