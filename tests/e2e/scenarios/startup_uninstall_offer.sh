#!/usr/bin/env bash
# Version 6 over a registered version 5 with [vercheck] old = 1: the uninstall question. No starts
# nothing, Yes starts the registered command; either way the setup goes on: the welcome message
# ([software] msg1), then the wizard, proposing "_" (take = 0 and no d0), over a background window
# that starts minimized (show = 0) and has no title shadows (shadow = 0).
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_offer
E2E_PRODUCT=CorvidVer
marker_install
register_old 5 'C:\windows\marker.exe C:\Apps\Old\setup\uninst.log'
l65="An older version of Demo Tools is installed. Remove it first?"

# Answers the question, then the welcome message, and waits for the wizard.
through_to_wizard() {
    drv_ok wait-msgbox "Remove it first" 30000
    expect_eq "question" "$DRV" $'corvid\n'"$l65"
    drv_dump
    expect_eq "Yes button" "$(dump_get '#msgbox' id:6 4)" 1
    expect_eq "No button" "$(dump_get '#msgbox' id:7 4)" 1
    dump_has '#msgbox' id:1 && e2e_fail "the question has an OK button"
    no_form_visible
    drv_ok answer-msgbox "$1" "Remove it first"

    drv_ok wait-msgbox "close all other programs" 60000
    expect_eq "welcome message" "$DRV" $'Demo notice\nPlease close all other programs first.'
    drv_dump
    expect_eq "welcome message icon" "$(dump_get '#msgbox' - 14)" icon
    dump_has '#msgbox' id:2 && e2e_fail "the welcome message has a Cancel button"
    expect_eq "wizard visible under the welcome message" "$(dump_get Tleader - 4)" 0
    expect_eq "loading screen visible under the welcome message" "$(dump_get Ttrailer - 4)" 0
    drv_ok answer-msgbox OK "close all other programs"
    drv_ok wait-form Tleader 30000
}

# No
setup_start
through_to_wizard No
drv_is "_" text Tleader Edt_verz
state=
for _ in $(seq 20); do
    drv_ok state Tmain
    state=$DRV
    [ "$state" = minimized ] && break
    sleep 0.5
done
expect_eq "background window state" "$state" minimized
drv_dump
expect_eq "title 1 (visible text)" "$(dump_get Tmain Lbl_1 4 11)" "1 Demo Tools"
for s in Lbl1_shadow Lbl2_shadow Lbl3_shadow; do
    expect_eq "$s visible" "$(dump_get Tmain "$s" 4)" 0
done
shot minimized-background
setup_terminate
marker_none "No started the uninstall command"

# Yes
setup_start
through_to_wizard Yes
for _ in $(seq 60); do
    [ -s "$E2E_MARKER_FILE" ] && break
    sleep 0.5
done
[ -s "$E2E_MARKER_FILE" ] || e2e_fail "Yes did not start the uninstall command"
marker_expect 'C:\Apps\Old\setup\uninst.log'
drv_is 1 visible Tleader
setup_terminate
e2e_wineserver_wait 60
expect_eq "times the uninstall command ran" "$(wc -l <"$E2E_MARKER_FILE")" 1
exit 0
