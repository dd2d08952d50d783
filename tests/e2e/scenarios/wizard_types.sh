#!/usr/bin/env bash
# Setup types and components in the real wizard, one description after the other: the cd type
# alone; cd with custom; minimal with custom but no standard; custom with the first component
# locked, and Back from Ready after a custom choice without a group page.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require

# Starts the setup on a description whose [software] section holds $1 and walks to the page
# after the folder page.
walk() {
    wizard_dist "[software]
name=CorvidWizardTypes
prggrp=Demo
Opt1_name=Program
Opt1_space=2048
Opt2_name=Help
Opt2_space=1024
Opt3_name=Samples
Opt3_space=4096
$1

[directories]
d0=C:\\Demo"
    wizard_start
    wizard_next
    expect_page "Destination folder" Ebn_folder
    wizard_next
}

# 1: the cd type alone skips the setup-type page and always asks for the group.
walk 'o_cd=1'
expect_page "Program group" Ebn_prggroup
shot cd-alone-group
wizard_back
expect_page "Destination folder" Ebn_folder
drv_is 0 enabled Tleader Btn_back
setup_terminate

# 2: cd with custom: the second button describes the cd type and is the default; custom then
# shows the components, and the group page follows (the cd type is set as well).
walk 'o_cd=1
o_custom=1
Opt1_custom=1
Opt3_custom=1
Opt3_prgitem=1'
expect_page "Setup type" Ebn_configuration
drv_dump
expect_eq "standard button" "$(dump_get Tleader cf_standard 4)" 0
expect_eq "cd button" "$(dump_get Tleader cf_min 4 6 11)" "1 1 &Minimal"
expect_eq "cd text" "$(dump_get Tleader cfl_min 4 11)" "1 Run from the CD."
expect_eq "custom button" "$(dump_get Tleader cf_custom 4 6)" "1 0"
# The folder step shows the standard total, here none.
expect_eq "needed" "$(dump_get Tleader Lbl_need2z 11)" 0
expect_eq "free" "$(dump_get Tleader Lbl_free2z 11)" "$(dump_get Tleader Lbl_freez 11)"
shot cd-custom-types
# Esc on a radio button does nothing.
drv_ok key Tleader cf_min ESC
if drv wait-form Tabbruch 1500; then e2e_fail "Esc on a radio button opened the abort dialog"; fi
drv_ok click Tleader cf_custom
drv_ok wait-text Tleader Lbl_need2z 6
wizard_next
expect_page Components Ebn_components
drv_dump
expect_eq "boxes" "$(dump_get Tleader Opt_1 6) $(dump_get Tleader Opt_2 6) $(dump_get Tleader Opt_3 6)" "1 0 1"
expect_eq "box captions" "$(dump_get Tleader Opt_3 4 11)" "1 Samples"
expect_eq "hidden box" "$(dump_get Tleader Opt_4 4)" 0
shot cd-custom-components
wizard_next
expect_page "Program group" Ebn_prggroup
wizard_back
expect_page Components Ebn_components
setup_terminate

# 3: minimal and custom but no standard: neither visible button is checked; Next takes the
# hidden standard choice, whose set is empty, and no group page is needed.
walk 'o_min=1
o_custom=1
Opt1_min=1
Opt1_custom=1'
expect_page "Setup type" Ebn_configuration
drv_dump
expect_eq "buttons (visible checked)" "$(dump_get Tleader cf_min 4 6) $(dump_get Tleader cf_custom 4 6)" "1 0 1 0"
expect_eq "standard button" "$(dump_get Tleader cf_standard 4 6)" "0 1"
expect_eq "minimal text" "$(dump_get Tleader cfl_min 11)" "Only what is needed to run."
shot min-custom-types
wizard_next
expect_page "Ready to install" Ebn_start
setup_terminate

# 4: custom with the first component locked; Back from Ready without a group page goes to the
# setup-type page.
walk 'o_standard=1
o_custom=1
Opt1_standard=1
Opt1_custom=1
Opt2_custom=1'
expect_page "Setup type" Ebn_configuration
drv_ok click Tleader cf_custom
wizard_next
expect_page Components Ebn_components
drv_ok wait-text Tleader Lbl_needz 3
drv_ok click Tleader Opt_1
drv_is 1 checked Tleader Opt_1
drv_is 3 text Tleader Lbl_needz
drv_ok click Tleader Opt_2
drv_ok wait-text Tleader Lbl_needz 2
drv_is 0 checked Tleader Opt_2
drv_ok click Tleader Opt_3 --mouse
drv_ok wait-text Tleader Lbl_needz 6
shot custom-locked
drv_ok click Tleader Opt_3
wizard_next
expect_page "Ready to install" Ebn_start
wizard_back
expect_page "Setup type" Ebn_configuration
drv_is 1 checked Tleader cf_custom
drv_is 1 enabled Tleader Btn_back
setup_terminate
exit 0
