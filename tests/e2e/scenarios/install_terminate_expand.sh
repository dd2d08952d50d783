#!/usr/bin/env bash
# Terminating while a big file is expanded (compression mode 1): the expansion goes on to its
# end, the run stops at its next pause point, the file is whole, the next file is not written,
# the work files (compress.tmp too) and the read-me copy are gone, the log's file total is one
# more than the files met, and the stand-in uninstaller was started with the log and " /silent".
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product 6000
inst_dist 1 1457664
inst_walk
drv_ok wait-text Tcopying Lbl_o 'Copying: big.txt' 30000
# The key goes in at once from inside the session: the expansion takes well under a second.
drv_ok wait-pos Tcopying Pr_o 21 --min --key F3 --shot "$(e2e_winpath "$E2E_DIR/expansion.bmp")" 30000
convert "$E2E_DIR/expansion.bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-phase-expansion.png" ||
    e2e_fail "no screenshot"
drv_ok wait-form Tabbruch 20000
drv_ok pos Tcopying Pr_o
e2e_log "the abort dialog opened at $DRV % of big.txt"
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
inst_expect_cleaned
cmp -s "$INST_PRODUCT/big/big.txt" "$INST_DEST_HOST/big/big.txt" || e2e_fail "big.txt is not whole"
[ -e "$INST_DEST_HOST/big/big.bin" ] && e2e_fail "the file after the terminate was written"
expect_eq "files total" "$(inst_log_get files.total)" 8
inst_expect_files 1 2
exit 0
