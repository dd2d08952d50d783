#!/usr/bin/env bash
# Version 5 over a registered version 5 ([vercheck] old = 1): the "installed already" message,
# no uninstall question (that needs a newer setup), and the wizard proposes the registered
# installation's folder as destination.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_same
E2E_PRODUCT=CorvidVer
marker_install
register_old 5 'C:\windows\marker.exe C:\Apps\Old Tools\setup\uninst.log'

setup_start
drv_ok wait-msgbox "installed already" 30000
expect_eq "message" "$DRV" $'corvid\nThis version of Demo Tools is installed already.'
drv_dump
expect_eq "message icon" "$(dump_get '#msgbox' - 14)" noicon
dump_has '#msgbox' id:2 && e2e_fail "the message has a Cancel button"
no_form_visible
drv_ok answer-msgbox OK "installed already"

drv_ok wait-form Tleader 60000
if drv wait-msgbox 1000; then e2e_fail "a further message came up: $DRV"; fi
drv_is 'C:\Apps\Old Tools' text Tleader Edt_verz
drv_is 1 visible Tmain
drv_is 0 visible Ttrailer

setup_terminate
marker_none "the uninstall command was started"
exit 0
