#!/usr/bin/env bash
# The three space warnings on a destination drive that really has little free space: a 4 MiB
# tmpfs mounted by the test as drive T:, filled with a file to set the free space. The folder
# step's warning; the standard type's warning with OK and Cancel (Cancel opens the abort
# dialog); the component step's warning, whose Cancel opens the abort dialog and which lets the
# user on once space was freed. Then drive C:, whose free space (likely above 2 GB) is shown in
# kB of its true value.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require

small=$E2E_DIR/small
e2e_mount_tmpfs "$small" 4m
e2e_map_drive t "$small"

# Leaves $1 bytes free on T:.
leave_free() {
    rm -f "$small/fill"
    local fill=$((4194304 - $1))
    [ $fill -le 0 ] || head -c "$fill" /dev/zero >"$small/fill" || e2e_fail "cannot fill T:"
    expect_eq "free bytes on T:" "$(df -B1 --output=avail "$small" | tail -n 1 | tr -d ' ')" "$1"
}

wizard_dist '[software]
name=CorvidWizardSpace
prggrp=Demo
o_standard=1
o_min=1
o_custom=1
Opt1_name=Program
Opt1_space=1048576
Opt1_standard=1
Opt1_min=1
Opt1_custom=1
Opt2_name=Help
Opt2_space=2097152
Opt2_standard=1
Opt3_name=Samples
Opt3_space=2621440
Opt3_custom=1
Opt3_prgitem=1

[directories]
d0=T:\Demo'
wizard_start
wizard_next
expect_page "Destination folder" Ebn_folder

# 1: less free than the minimal total (1 MiB).
leave_free 524288
wizard_next
expect_box 'There is not enough free space on the destination drive.' 'T: Drive is full' OK warn-folder
expect_page "Destination folder" Ebn_folder
drv_is 0 enabled Tleader Btn_back

# 2: 2 MiB free: the setup-type page shows it; the standard type needs 3 MiB.
leave_free 2097152
wizard_next
expect_page "Setup type" Ebn_configuration
drv_is 2048 text Tleader Lbl_free2z
drv_is 3072 text Tleader Lbl_need2z
shot page-types
wizard_next
expect_box 'There is not enough free space on the destination drive.' 'T: Drive is full' Cancel warn-standard
drv_ok wait-form Tabbruch 10000
shot warn-standard-abort
drv_ok key Tabbruch Btn_cancel ESC
drv_ok wait-form Tabbruch --hidden 10000
expect_page "Setup type" Ebn_configuration
wizard_next
expect_box 'There is not enough free space on the destination drive.' 'T: Drive is full' OK
expect_page "Setup type" Ebn_configuration

# 3: custom needs 3.5 MiB: the component step warns (no blank in its caption) until space is
# free; Cancel shows the abort dialog, declining there returns to the warning.
drv_ok click Tleader cf_custom
wizard_next
expect_page Components Ebn_components
drv_is 3584 text Tleader Lbl_needz
drv_is 2048 text Tleader Lbl_freez
shot page-components
wizard_next
expect_box 'There is not enough free space on the destination drive.' 'T:Drive is full' Cancel warn-components
drv_ok wait-form Tabbruch 10000
shot warn-components-abort
drv_ok key Tabbruch Btn_cancel ESC
drv_ok wait-form Tabbruch --hidden 10000
expect_box 'There is not enough free space on the destination drive.' 'T:Drive is full' OK
drv_ok wait-msgbox 10000
leave_free 4194304
drv_ok answer-msgbox OK 10000
expect_page "Program group" Ebn_prggroup

# 4: drive C: of the prefix, on the build's file system: kB of its true free space.
wizard_back
wizard_back
expect_page "Setup type" Ebn_configuration
wizard_back
expect_page "Destination folder" Ebn_folder
drv_ok type Tleader Edt_verz 'C:\Demo'
before=$(df -B1 --output=avail "$E2E_DRIVE_C" | tail -n 1 | tr -d ' ')
wizard_next
expect_page "Setup type" Ebn_configuration
after=$(df -B1 --output=avail "$E2E_DRIVE_C" | tail -n 1 | tr -d ' ')
drv_ok text Tleader Lbl_free2z
shown=$DRV
e2e_log "C: free: $before to $after bytes; shown $shown kB"
# Other programs write to the same file system meanwhile: allow 1 % beside what df saw.
lo=$(((before < after ? before : after) / 1024)) hi=$(((before > after ? before : after) / 1024))
lo=$((lo - lo / 100 - 1)) hi=$((hi + hi / 100 + 1))
((shown >= lo && shown <= hi)) || e2e_fail "C: shows $shown kB free; df says $lo..$hi kB"
setup_terminate
exit 0
