#!/usr/bin/env bash
# Terminating the installation from the progress window (F3, then the abort dialog's terminate),
# after Esc, F4 and the Exit button opened the dialog and cancelling it let the run go on;
# compression mode 0: once in the directory phase (many directory rows) and once while a big
# file is copied block by block. Each time the run stops, the work files and the read-me copy
# are gone, the log's file total is one more than the files met, no later file is written, and
# the stand-in uninstaller was started with the log and " /silent". Screenshots of both phases.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
# Big files, so that their copy lasts long enough to be seen on a busy machine: where pumps are
# slow the window answers the driver only at pumps up to 100 ms apart, and a look takes two.
big=96000
inst_product $big

# 1: the directory phase, made long by its rows. Esc, F4 and the Exit button open the abort
# dialog as F3 does; cancelling it lets the run go on.
inst_dist 0 1457664 directories total 400000
inst_walk
drv_ok wait-text Tcopying Lbl_o 'Creating directories ...' 20000
shot phase-directories
for way in ESC F4 click; do
    if [ $way = click ]; then drv_ok click Tcopying Btn_exit; else drv_ok key Tcopying $way; fi
    drv_ok wait-form Tabbruch 20000
    drv_ok pos Tcopying Pr_o
    paused=$DRV
    drv_ok click Tabbruch Btn_cancel
    drv_ok wait-form Tabbruch --hidden 20000
    drv_ok wait-pos Tcopying Pr_o $((paused + 1)) --min 30000 # the rows go on
done
inst_terminate
inst_expect_cleaned
# The total covers the directories logged so far, so that the clean-up finds them all.
dirs=$(inst_log_get directories.total)
[ "${dirs:-0}" -ge 1 ] || e2e_fail "directories total: got \"$dirs\", want the directories made"
[ -n "$(inst_log_get "directories.d$dirs")" ] || e2e_fail "no directory entry d$dirs"
[ -z "$(inst_log_get "directories.d$((dirs + 1))")" ] || e2e_fail "entries beyond the total"
expect_eq "files total" "$(inst_log_get files.total)" 1
[ -d "$INST_DEST_HOST/bin/data" ] || e2e_fail "the second row's directory was not made"
[ -e "$INST_DEST_HOST/bin/app.exe" ] && e2e_fail "a file was copied"

# 2: between two blocks of big.txt or big.bin, the seventh and eighth files.
rm -rf "$INST_DEST_HOST" "$E2E_MARKER_FILE"
# The directory rows give the test time to get ready; the key goes in from inside the session.
inst_dist 0 1457664 directories total 30000
inst_walk
drv_ok wait-text Tcopying Lbl_o 'Creating directories ...' 30000
# A bar between 5 and 99 under either big file's name: the copy is fast, so either will do, and
# the previous file's finished bar does not count.
drv_ok wait-pos Tcopying Pr_o 5 --min --max 99 --when 'Lbl_o=Copying: big.*' --key F3 \
    --shot "$(e2e_winpath "$E2E_DIR/files.bmp")" 60000
convert "$E2E_DIR/files.bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-phase-files.png" || e2e_fail "no screenshot"
drv_ok wait-form Tabbruch 20000
drv_ok pos Tcopying Pr_o
upper=$DRV
drv_ok text Tcopying Lbl_o
name=${DRV#Copying: }
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
inst_expect_cleaned
case $name in
big.txt) met=7 next=big/big.bin ;;
big.bin) met=8 next= ;;
*) e2e_fail "the abort dialog opened while $name was copied" ;;
esac
expect_eq "files total" "$(inst_log_get files.total)" $((met + 1))
got=$(stat -c %s "$INST_DEST_HOST/big/$name")
e2e_log "stopped at $upper % of $name with $got bytes written"
cmp -s -n "$got" "$INST_PRODUCT/big/$name" "$INST_DEST_HOST/big/$name" ||
    e2e_fail "the part of $name written differs"
if [ "$upper" -lt 100 ]; then
    [ "$got" -lt $((big * 1024)) ] || e2e_fail "$name was finished after the terminate"
fi
[ -n "$next" ] && [ -e "$INST_DEST_HOST/$next" ] && e2e_fail "the file after the terminate was written"
inst_expect_files 1 2
exit 0
