#!/usr/bin/env bash
# The folder check and the group check in the real wizard: each failure's message text and
# caption, the field afterwards (as typed), the page it stays on and Back; then the normalised
# texts that pass.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
wizard_dist '[software]
name=CorvidWizardChecks
prggrp=Demo Tools
o_standard=1
Opt1_name=Program
Opt1_standard=1
Opt1_space=1024
Opt1_prgitem=1

[directories]
d0=C:\Demo'
wizard_start
wizard_next
expect_page "Destination folder" Ebn_folder

l3='Please correct your entry.'
# Types a destination, presses Next and checks the message and what follows it.
folder_fails() {
    drv_ok type Tleader Edt_verz "$1"
    wizard_next
    expect_box "$2\\r$l3" corvid OK "${3:-}"
    expect_page "Destination folder" Ebn_folder
    drv_is "$1" text Tleader Edt_verz
    drv_is 0 enabled Tleader Btn_back
}
folder_fails 'C:\a?b' 'The folder name holds a character it may not hold:\r? * | " < >' msg-folder-chars
folder_fails 'Demo' 'The folder needs a drive, such as C:\Tools.' msg-folder-nodrive
folder_fails 'C:' 'The folder needs a drive, such as C:\Tools.'
folder_fails '\\server\share\demo' 'The folder must be on a drive from A: to Z:.' msg-folder-network
# The next Next after a missing drive part runs the check again (the wizard stayed on Folder).
drv_ok type Tleader Edt_verz 'tools'
wizard_next
expect_box 'The folder needs a drive, such as C:\Tools.\r'"$l3" corvid OK
drv_ok type Tleader Edt_verz ' d:\demo tools '
wizard_next
expect_page "Program group" Ebn_prggroup
drv_is 'd:\demo_tools' text Tleader Edt_verz
drv_is 'Demo Tools' text Tleader Edt_prggroup
shot page-group

group_fails() {
    drv_ok type Tleader Edt_prggroup "$1"
    wizard_next
    expect_box 'The group name holds a character it may not hold:\r- / ( ) ; : , | " < >\r'"$l3" \
        corvid OK "${2:-}"
    expect_page "Program group" Ebn_prggroup
    drv_is "$1" text Tleader Edt_prggroup
    drv_is 1 enabled Tleader Btn_back
}
group_fails 'Demo (new)' msg-group-chars
group_fails 'Demo-Tools'
group_fails 'a;b'
drv_ok type Tleader Edt_prggroup ' My Tools*? '
wizard_next
expect_page "Ready to install" Ebn_start
drv_is 'My_Tools__' text Tleader Edt_prggroup
wizard_back
expect_page "Program group" Ebn_prggroup
drv_ok type Tleader Edt_prggroup ''
wizard_next
expect_page "Ready to install" Ebn_start
setup_terminate
exit 0
