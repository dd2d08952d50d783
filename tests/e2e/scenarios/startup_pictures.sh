#!/usr/bin/env bash
# Plain pictures: a background picture stretched over the window, a logo, and no wizard picture,
# so the wizard lays itself out 150 pixels narrower.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_pictures

setup_start
drv_ok wait-form Tleader 60000
drv_dump

# Wizard without its side picture: client area 311 wide, buttons and pages moved left.
expect_eq "wizard client size" "$(dump_get Tleader - 9 10)" "311 310"
expect_eq "Next" "$(dump_get Tleader Btn_weiter 7 8 9 10)" "96 278 75 25"
expect_eq "Back" "$(dump_get Tleader Btn_back 7 8)" "20 278"
expect_eq "Exit" "$(dump_get Tleader Btn_exit 7 8)" "220 278"
expect_eq "line" "$(dump_get Tleader strich 7 8 9)" "20 257 316"
for p in Ebn_welcome Ebn_folder Ebn_configuration Ebn_components Ebn_prggroup Ebn_start; do
    expect_eq "$p x" "$(dump_get Tleader "$p" 7)" 4
done
expect_eq "wizard picture" "$(dump_get Tleader Img_Setup 12 13)" "0 0"
drv_ok rect Tleader --window
read -r wx wy ww wh <<<"$DRV"
e2e_log "wizard window at $wx,$wy size $ww x $wh"

# Background: i1 shows the back picture stretched over the whole client area; nothing is tiled.
drv_ok rect Tmain
read -r _ _ cw ch <<<"$DRV"
expect_eq "i1 (visible w h mode)" "$(dump_get Tmain i1 4 12 13 14)" "1 160 120 2"
expect_eq "i1 box" "$(dump_get Tmain i1 7 8 9 10)" "0 0 $cw $ch"
expect_eq "tiles painted" "$(dump_get Tmain - 14)" 0
expect_eq "logo (visible w h)" "$(dump_get Tmain i3 4 12 13)" "1 116 98"
expect_eq "title 1 x" "$(dump_get Tmain Lbl_1 7)" 134
expect_eq "title 3 x" "$(dump_get Tmain Lbl_3 7)" 135
expect_eq "shadow 2 x" "$(dump_get Tmain Lbl2_shadow 7)" 138
expect_eq "shadow 2 visible" "$(dump_get Tmain Lbl2_shadow 4)" 1
expect_eq "info text hidden" "$(dump_get Tmain Lbl_4 4)" 0
shot stretched-with-logo

# Nothing was expanded: no temporary picture.
[ -e "$(winfile 'C:\temp\cvd.bmp')" ] && e2e_fail "C:\\temp\\cvd.bmp exists in uncompressed mode"

abort_open Btn_weiter ESC
abort_terminate
exit 0
