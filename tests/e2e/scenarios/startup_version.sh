#!/usr/bin/env bash
# Format version 219 and no pictures: the conflict box, then the loading screen runs to its end and
# the wizard opens on its welcome page without a side picture, over the background window with
# the built-in gradient and the title lines moved to the left edge (no logo).
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_plain
setup_start

drv_ok wait-msgbox conflict 30000
expect_eq "conflict box" "$DRV" $'corvid\nThere is a conflict with setup.inf.\\rOperation may fail.'
drv_dump
expect_eq "conflict box icon" "$(dump_get '#msgbox' - 14)" noicon
dump_has '#msgbox' id:2 && e2e_fail "the conflict box has a Cancel button"
no_form_visible
drv_ok answer-msgbox OK conflict

# Without pictures the bar only jumps between the fixed stations of the loading.
watch_bar Ttrailer pr_load loading-no-pictures 1 60000
expect_bar_run '0|7|15|35|65|90|100'
drv_ok wait-form Tleader 60000
expect_eq "wizard caption" "$DRV" "Welcome"
drv_dump

# The loading screen ran to its end and is hidden again.
drv_is 0 visible Ttrailer
drv_is 100 pos Ttrailer pr_load
drv_is "corvid loading data." text Ttrailer Lbl
drv_is "Please wait..." text Ttrailer Lbl_wait
drv_is "Setup" text Ttrailer
expect_eq "loading screen client size" "$(dump_get Ttrailer - 9 10)" "243 67"
expect_eq "loading text box" "$(dump_get Ttrailer Lbl 7 8 9 10)" "52 8 132 13"
expect_eq "wait text box" "$(dump_get Ttrailer Lbl_wait 7 8 9 10)" "52 22 67 13"
expect_eq "icon box" "$(dump_get Ttrailer img_sp 7 8 9 10)" "9 7 32 32"
expect_eq "bar box" "$(dump_get Ttrailer pr_load 7 8 9 10)" "52 38 174 16"
expect_centred Ttrailer

# The wizard: welcome page, button captions, no side picture, so 150 pixels narrower.
drv_is "&Next >" text Tleader Btn_weiter
drv_is "< &Back" text Tleader Btn_back
drv_is "E&xit" text Tleader Btn_exit
drv_is 0 enabled Tleader Btn_back
drv_ok focus Tleader Btn_weiter 10000
drv_is 1 enabled Tleader Btn_weiter
drv_is 1 visible Tleader Ebn_welcome
drv_is 0 visible Tleader Ebn_folder
drv_is "This program installs Demo Tools on your computer." text Tleader Lbl_1
drv_is "Demo Tools 6" text Tleader Lbl_2
drv_is "Press Next to go on." text Tleader Lbl_3
drv_is 'C:\Demo' text Tleader Edt_verz
drv_ok rect Tleader
read -r _ _ w h <<<"$DRV"
expect_eq "wizard client size" "$w x $h" "311 x 310"
# Centred on the 1024 x 768 screen, on top of other windows, without a system menu.
expect_centred Tleader
drv_ok style Tleader
read -r style exstyle <<<"$DRV"
(((16#$exstyle & 0x8) != 0)) || e2e_fail "the wizard does not stay on top (ex-style $exstyle)"
(((16#$style & 0x80000) == 0)) || e2e_fail "the wizard has a system menu (style $style)"
(((16#$style & 0xC00000) == 0xC00000)) || e2e_fail "the wizard has no caption bar (style $style)"
drv_is "96 278 75 25" rect Tleader Btn_weiter
drv_is "20 278 75 25" rect Tleader Btn_back
drv_is "220 278 85 25" rect Tleader Btn_exit
expect_eq "wizard picture" "$(dump_get Tleader Img_Setup 12 13)" "0 0"

# The background window: full screen, gradient stretched over it, titles at the left edge.
drv_is 1 visible Tmain
drv_is "Demo Setup" text Tmain
drv_ok style Tmain
read -r style _ <<<"$DRV"
(((16#$style & 0x80000) == 0)) || e2e_fail "the background window has a system menu (style $style)"
(((16#$style & 0xC00000) == 0xC00000)) || e2e_fail "the background window has no caption bar ($style)"
drv_is maximized state Tmain
drv_ok rect Tmain --window
read -r _ _ w h <<<"$DRV"
[ "$w" -ge 1024 ] && [ "$h" -ge 768 ] || e2e_fail "background window is $w x $h, not the screen"
drv_ok rect Tmain
read -r _ _ cw ch <<<"$DRV"
drv_is 1 visible Tmain i1
drv_is "0 0 $cw $ch" rect Tmain i1
expect_eq "gradient picture (w h mode)" "$(dump_get Tmain i1 12 13 14)" "1 768 2"
expect_eq "tiles painted" "$(dump_get Tmain - 14)" 0
drv_is "Demo Tools" text Tmain Lbl_1
drv_is "Demo Tools" text Tmain Lbl1_shadow
drv_is "Version 6" text Tmain Lbl_2
drv_is "The demonstration product" text Tmain Lbl_3
for c in "Lbl_1 13" "Lbl_2 14" "Lbl_3 14" "Lbl1_shadow 17" "Lbl2_shadow 16" "Lbl3_shadow 16"; do
    read -r name want <<<"$c"
    drv_ok rect Tmain "$name"
    expect_eq "$name x" "${DRV%% *}" "$want"
    drv_is 1 visible Tmain "$name"
done
# The gradient as the user sees it: pure blue at the top, black at the bottom, at any width.
expect_pixel "gradient top" Tmain 1000 2 'B >= 250 && R == 0 && G == 0'
expect_pixel "gradient middle" Tmain 1000 $((ch / 2)) 'B > 80 && B < 180 && R == 0 && G == 0'
# (sampled on the screen's last rows: the maximized window may reach beyond the screen's edge)
drv_ok rect Tmain
read -r _ cy _ _ <<<"$DRV"
expect_pixel "gradient bottom" Tmain 1000 $((765 - cy)) 'B < 16 && R == 0 && G == 0'
shot gradient-no-logo

setup_terminate
exit 0
