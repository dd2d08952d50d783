#!/usr/bin/env bash
# The abort dialog over the wizard (compressed distribution, so C:\temp\cvd.bmp exists): Exit, Esc
# and F4 open it; Esc on either of its buttons returns to the wizard unchanged; terminating by
# its button, by F4 on either button or by Enter ends the program and deletes C:\temp\cvd.bmp,
# and nothing is installed or registered.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_packed
cvd=$(winfile 'C:\temp\cvd.bmp')

start_wizard() {
    rm -f "$cvd"
    setup_start
    drv_ok wait-form Tleader 60000
    [ -f "$cvd" ] || e2e_fail "C:\\temp\\cvd.bmp is missing while the wizard is open"
}

# Opens the abort dialog from the wizard in one of its ways and checks that it is up.
open_abort() {
    if [ "$1" = exit ]; then abort_open; else abort_open "$2" "$1"; fi
    expect_eq "abort caption" "$DRV" "Corvid"
    drv_ok focus Tabbruch Btn_terminate 10000
}

ended_clean() {
    setup_ends_ok
    e2e_wineserver_wait 60
    [ -e "$cvd" ] && e2e_fail "C:\\temp\\cvd.bmp was left after terminating"
    [ -e "$(winfile 'C:\Demo')" ] && e2e_fail "the destination folder was made"
    reg_has 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvidPacked' &&
        e2e_fail "an uninstall registration was written"
    [ -e "$(winfile 'C:\windows\uncorvid.exe')" ] && e2e_fail "the uninstaller was installed"
    return 0
}

# 1: Exit, look at the dialog, Esc back; F4 and Esc again; then Exit and the terminate button.
start_wizard
open_abort exit
drv_dump
expect_eq "abort client size" "$(dump_get Tabbruch - 9 10)" "287 83"
expect_eq "abort icon box" "$(dump_get Tabbruch Image1 7 8 9 10)" "11 10 34 34"
expect_eq "question box" "$(dump_get Tabbruch Lbl_15 7 8 9 10)" "53 10 226 35"
expect_centred Tabbruch
expect_eq "question" "$(dump_get Tabbruch Lbl_15 4 11)" "1 Do you really want to quit the setup?"
expect_eq "terminate button" "$(dump_get Tabbruch Btn_terminate 4 5 7 8 9 10 11)" "1 1 55 50 75 25 Ja"
expect_eq "cancel button" "$(dump_get Tabbruch Btn_cancel 4 5 7 8 9 10 11)" "1 1 133 50 75 25 &nein"
shot abort-dialog
drv_ok key Tabbruch ESC
drv_ok wait-form Tabbruch --hidden 10000
drv_is 1 visible Tleader
drv_ok focus Tleader Btn_exit 10000
drv_is Welcome text Tleader
drv_is 1 visible Tleader Ebn_welcome
drv_is 0 enabled Tleader Btn_back
[ -f "$cvd" ] || e2e_fail "cancelling deleted C:\\temp\\cvd.bmp"
if drv wait-gone 1000; then e2e_fail "the program ended on Esc"; fi
open_abort F4 Btn_weiter
drv_ok key Tabbruch Btn_cancel ESC
drv_ok wait-form Tabbruch --hidden 10000
drv_is 1 visible Tleader
open_abort ESC Btn_exit
drv_ok click Tabbruch Btn_terminate
ended_clean

# 2: F4 on the cancel button terminates.
start_wizard
open_abort exit
drv_ok key Tabbruch Btn_cancel F4
ended_clean

# 3: Enter presses the default button, terminate.
start_wizard
open_abort exit
drv_ok key Tabbruch ENTER
ended_clean
exit 0
