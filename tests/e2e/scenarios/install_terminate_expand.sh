#!/usr/bin/env bash
# Terminating while a file is expanded (compression mode 1; words.txt, the second file, made
# big so that its expansion takes a while): the key goes in from inside the session the moment
# the expansion shows its progress, the abort dialog opens inside the expansion's progress
# handler, the expansion goes on to its end and the run stops at its next pause point. The file
# is whole, the next file is not written, the work files (compress.tmp too) and the read-me copy
# are gone, the log's file total is one more than the files met, and the stand-in uninstaller
# was started with the log and " /silent".
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product
_inst_text $((8 * 1024 * 1024)) 7 >"$INST_PRODUCT/bin/data/words.txt"
# The directory rows give the test time to get ready after the uninstaller's own expansion.
inst_dist 1 1457664 directories total 5000
inst_walk
drv_ok wait-text Tcopying Lbl_o 'Creating directories ...' 30000
drv_ok wait-pos Tcopying Pr_o 21 --min --when 'Lbl_o=Copying: words.txt' --key F3 --shot "$(e2e_winpath "$E2E_DIR/expansion.bmp")" 60000
convert "$E2E_DIR/expansion.bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-phase-expansion.png" ||
    e2e_fail "no screenshot"
drv_ok wait-form Tabbruch 20000
drv_ok pos Tcopying Pr_o
e2e_log "the abort dialog opened at $DRV % of words.txt"
[ "$DRV" -lt 100 ] || e2e_log "(the expansion had ended before the key was read)"
drv_is 'Copying: words.txt' text Tcopying Lbl_o
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
inst_expect_cleaned
cmp -s "$INST_PRODUCT/bin/data/words.txt" "$INST_DEST_HOST/bin/data/words.txt" ||
    e2e_fail "words.txt is not whole"
[ -e "$INST_DEST_HOST/notes.txt" ] && e2e_fail "the file after the terminate was written"
expect_eq "files total" "$(inst_log_get files.total)" 3
exit 0
