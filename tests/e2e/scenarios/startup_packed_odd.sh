#!/usr/bin/env bash
# Compressed mode with odd pictures: an archive without the expected member counts as no wizard
# picture (the wizard narrows), a packed logo whose name already ends in "p" still names the
# member logo.bmp, the info picture is loaded into the hidden i2 (no info text), and without a
# background picture the stretched gradient shows. No temporary picture is left.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_packed_odd

setup_start
watch_bar Ttrailer pr_load loading-odd 1 60000
expect_bar_run
drv_ok wait-form Tleader 60000
drv_dump

expect_eq "wizard client size" "$(dump_get Tleader - 9 10)" "311 310"
expect_eq "Next" "$(dump_get Tleader Btn_weiter 7 8)" "96 278"
expect_eq "wizard picture" "$(dump_get Tleader Img_Setup 12 13)" "0 0"
expect_eq "logo (visible w h)" "$(dump_get Tmain i3 4 12 13)" "1 116 98"
expect_eq "title 1 x" "$(dump_get Tmain Lbl_1 7)" 134
expect_eq "wide info picture (visible w h)" "$(dump_get Tmain i2 4 12 13)" "0 200 100"
expect_eq "info picture beside the text" "$(dump_get Tmain i4 12 13)" "0 0"
expect_eq "info text (visible text)" "$(dump_get Tmain Lbl_4 4 11)" "0 _"
expect_eq "gradient (visible w h mode)" "$(dump_get Tmain i1 4 12 13 14)" "1 1 768 2"
expect_pixel "gradient top" Tmain 1000 2 'B >= 250 && R == 0 && G == 0'
shot odd-pictures

expect_temp_files ""

setup_terminate
exit 0
