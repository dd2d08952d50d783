#!/usr/bin/env bash
# A background picture one pixel wide with stretch = 0: nothing is tiled and the window's navy
# colour shows; without a logo the titles stand at the left edge.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist startup_thin

setup_start
drv_ok wait-form Tleader 60000
drv_dump
expect_eq "i1 visible" "$(dump_get Tmain i1 4)" 0
expect_eq "tiles painted" "$(dump_get Tmain - 14)" 0
expect_eq "title 1 x" "$(dump_get Tmain Lbl_1 7)" 13
expect_pixel "navy background" Tmain 1000 600 'R == 0 && G == 0 && B == 128'
expect_pixel "navy background" Tmain 20 400 'R == 0 && G == 0 && B == 128'
shot navy-background

setup_terminate
exit 0
