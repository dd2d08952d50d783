#!/usr/bin/env bash
# Version 6 while version 9 is registered: the "newer version installed" message; with old = 2 no
# removal is demanded (that needs a newer setup), and the setup goes on with the registered folder
# proposed.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_newer
E2E_PRODUCT=CorvidVer
marker_install
register_old 9 'C:\windows\marker.exe D:\APPS\TOOL\setup\uninst.log'

setup_start
drv_ok wait-msgbox "newer version" 30000
expect_eq "message" "$DRV" $'corvid\nA newer version of Demo Tools is installed already.'
drv_dump
expect_eq "message icon" "$(dump_get '#msgbox' - 14)" noicon
no_form_visible
drv_ok answer-msgbox OK "newer version"
drv_ok wait-form Tleader 60000
if drv wait-msgbox 1000; then e2e_fail "a further message came up: $DRV"; fi
drv_is 'D:\APPS\TOOL' text Tleader Edt_verz

abort_open
drv_is "&Yes" text Tabbruch Btn_terminate
drv_is "&no" text Tabbruch Btn_cancel
abort_terminate
marker_none "the uninstall command was started"
exit 0
