#!/usr/bin/env bash
# Compression mode 1 with packed background, logo and wizard pictures: the loading screen's bar
# ends at 100, the wizard shows its picture, the background window tiles the back picture with the
# logo beside the titles, and C:\temp\cvd.bmp is left holding the back picture only.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_packed
[ -e "$E2E_DIST/back.bmp" ] && e2e_fail "the fixture holds a plain back picture"

setup_start
# The logo is large, so that its expansion keeps the loading screen up for a while.
watch_bar Ttrailer pr_load loading-screen 36 60000
expect_bar_run
drv_ok wait-form Tleader 60000
drv_dump

# Loading screen: at its end and hidden.
drv_is 0 visible Ttrailer
drv_is 100 pos Ttrailer pr_load

# Wizard with its side picture, at full width.
expect_eq "wizard picture (w h mode)" "$(dump_get Tleader Img_Setup 4 12 13 14)" "1 120 259 2"
expect_eq "wizard client size" "$(dump_get Tleader - 9 10)" "461 310"
expect_eq "Next" "$(dump_get Tleader Btn_weiter 7 8 9 10)" "246 278 75 25"
expect_eq "Back" "$(dump_get Tleader Btn_back 7 8)" "170 278"
expect_eq "Exit" "$(dump_get Tleader Btn_exit 7 8)" "370 278"
expect_eq "side picture box" "$(dump_get Tleader Img_Setup 7 8 9 10)" "8 4 120 259"

# Background: the back picture is tiled by the window's own painting (i1 stays hidden), from the
# top-left corner over the whole screen; the logo stands beside the titles.
expect_eq "i1 visible" "$(dump_get Tmain i1 4)" 0
want_tiles=$(((1024 + 99) / 100 * ((768 + 69) / 70)))
expect_eq "tiles painted" "$(dump_get Tmain - 14)" "$want_tiles"
expect_eq "logo (visible w h)" "$(dump_get Tmain i3 4 12 13)" "1 1600 1200"
expect_eq "logo box" "$(dump_get Tmain i3 7 8 9 10)" "10 9 116 98"
expect_eq "title 1 x" "$(dump_get Tmain Lbl_1 7)" 134
expect_eq "title 2 x" "$(dump_get Tmain Lbl_2 7)" 135
expect_eq "shadow 1 x" "$(dump_get Tmain Lbl1_shadow 7)" 138
# Tiles from the client area's top-left corner: the picture's bands repeat every 100 pixels.
expect_pixel "tile band 1" Tmain 910 600 'R == 0x33 && G == 0x66 && B == 0x99'
expect_pixel "tile band 2" Tmain 940 700 'R == 0x66 && G == 0x99 && B == 0xcc'
expect_pixel "tile band 3" Tmain 968 640 'R == 0x99 && G == 0xcc && B == 0xff'
shot tiled-with-logo

# The temporary picture: the expanded back picture, byte for byte; the other two were deleted.
cvd=$(winfile 'C:\temp\cvd.bmp')
[ -f "$cvd" ] || e2e_fail "C:\\temp\\cvd.bmp is missing"
cmp -s "$cvd" "$E2E_ORIG/back.bmp" || e2e_fail "C:\\temp\\cvd.bmp is not the back picture"
expect_temp_files cvd.bmp

setup_terminate
exit 0
