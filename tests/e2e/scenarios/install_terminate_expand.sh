#!/usr/bin/env bash
# Terminating while a file is expanded (compression mode 1; words.txt, the second file, made
# big so that its expansion takes a while, even on a fast run watched from a busy machine): the
# key goes in from inside the session the moment the expansion shows its progress, the abort
# dialog opens inside the expansion's progress handler, the expansion goes on to its end and the
# run stops at its next pause point. The file is whole, the next file is not written, the work
# files (compress.tmp too) and the read-me copy are gone, the log's file total is one more than
# the files met, and the stand-in uninstaller was started with the log and " /silent".
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product
_inst_text $((64 * 1024 * 1024)) 7 >"$INST_PRODUCT/bin/data/words.txt"
# The directory rows give the test time to get ready after the uninstaller's own expansion.
inst_dist 1 1457664 directories total 30000
inst_walk
drv_ok wait-text Tcopying Lbl_o 'Creating directories ...' 30000
drv_ok wait-pos Tcopying Pr_o 21 --min --max 99 --when 'Lbl_o=Copying: words.txt' --key F3 --shot "$(e2e_winpath "$E2E_DIR/expansion.bmp")" 60000
convert "$E2E_DIR/expansion.bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-phase-expansion.png" ||
    e2e_fail "no screenshot"
drv_ok wait-form Tabbruch 20000
drv_ok pos Tcopying Pr_o
pos=$DRV
drv_ok text Tcopying Lbl_o
shown=$DRV
e2e_log "the abort dialog opened at $pos % of \"$shown\""
# The upper gauge runs to 20 while a file's archive is copied into compress.tmp and on to 100
# while it is expanded; --max 99 keeps the previous file's 100 from counting. The key is read at
# the expansion's next pump; on a busy machine words.txt may have been expanded whole by then,
# and the dialog opens while notes.txt's archive is copied (notes.txt is then not made at all)
# or inside its expansion (then whole).
case $shown in
'Copying: words.txt') whole=bin/data/words.txt next=$INST_DEST_HOST/notes.txt total=3 ;;
'Copying: notes.txt') whole=notes.txt next=$(winfile 'C:\windows\system\corvidt.ini') total=4 ;;
*) e2e_fail "the abort dialog opened outside an expansion: $shown" ;;
esac
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
inst_expect_cleaned
if [ "$pos" -le 20 ] && [ ! -e "$INST_DEST_HOST/$whole" ]; then
    [ "$whole" = notes.txt ] || e2e_fail "the key was read before words.txt's expansion"
    e2e_log "terminated while notes.txt's archive was copied: notes.txt not made"
else
    cmp -s "$INST_PRODUCT/$whole" "$INST_DEST_HOST/$whole" || e2e_fail "$whole is not whole"
fi
[ -e "$next" ] && e2e_fail "the file after the terminate was written: $next"
expect_eq "files total" "$(inst_log_get files.total)" $total
exit 0
