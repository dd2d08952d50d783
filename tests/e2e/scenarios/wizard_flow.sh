#!/usr/bin/env bash
# The wizard's walk for a description that offers only the standard type and no program items:
# Folder to Ready in one Next press, Back from Ready to the folder page, Esc in the destination
# field, the screen of each page, and the hand-over on Ready: the wizard hides, the background
# window takes its installation look and the progress window opens.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
wizard_dist '[software]
name=CorvidWizardFlow
prggrp=Demo Tools
o_standard=1
Opt1_name=Program
Opt1_standard=1
Opt1_space=102400

[directories]
d0=C:\Demo Tools'
wizard_start

expect_page Welcome Ebn_welcome
drv_is 0 enabled Tleader Btn_back
shot page-welcome
wizard_next
expect_page "Destination folder" Ebn_folder
drv_is 0 enabled Tleader Btn_back
drv_is 'C:\Demo Tools' text Tleader Edt_verz
drv_is '&Browse...' text Tleader Btn_folder
shot page-folder

# Esc in the destination field opens the abort dialog; declining comes back unchanged.
abort_open Edt_verz ESC
drv_ok key Tabbruch Btn_cancel ESC
drv_ok wait-form Tabbruch --hidden 10000
expect_page "Destination folder" Ebn_folder

drv_ok type Tleader Edt_verz 'C:\My Tools'
wizard_next
expect_page "Ready to install" Ebn_start
drv_is 'C:\My_Tools' text Tleader Edt_verz
drv_is 1 enabled Tleader Btn_back
drv_is 'Setup now has everything it needs.' text Tleader Lbl_12
shot page-ready

# Back: no setup type is offered, so the folder page comes back with Back disabled.
wizard_back
expect_page "Destination folder" Ebn_folder
drv_ok wait-text Tleader Btn_back '< &Back'
drv_is 0 enabled Tleader Btn_back
wizard_next
expect_page "Ready to install" Ebn_start

# The hand-over.
drv_is 1 visible Tmain Lbl_1
drv_is 0 visible Tmain Lbl_4
wizard_next
drv_ok wait-form Tleader --hidden 10000
drv_ok wait-form Tcopying 10000
drv_ok wait-visible Tmain Lbl_4 10000
drv_is 'Demo Tools is being installed.' text Tmain Lbl_4
for c in Lbl_1 Lbl_2 Lbl_3 Lbl1_shadow Lbl2_shadow Lbl3_shadow; do
    drv_is 0 visible Tmain "$c"
done
shot handover
exit 0
