#!/usr/bin/env bash
# A whole installation in compression mode 1 from a distribution of four small volumes (LZH and
# stored members, files crossing volume ends, an empty file, a file below the Windows directory):
# the wizard's Next through to the progress window, the run to its end; then every file is
# compared byte for byte, the uninstall log key by key, the uninstaller (a stand-in that records
# its command line) is in the Windows directory with its version in the registry, the read-me is
# copied, and nothing was started.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
inst_product
inst_dist 1 16384
[ -f "$E2E_DIST/zdata_03.dsk" ] || e2e_fail "the distribution has fewer than three volumes"

inst_walk
inst_shot Tcopying progress
inst_finish

inst_expect_files 1 2
inst_expected_log 6 1 2 >"$E2E_DIR/log-expected.txt"
inst_expect_log "$E2E_DIR/log-expected.txt"
cmp -s "$E2E_MARKER" "$(winfile 'C:\windows\uncorvid.exe')" || e2e_fail "the uninstaller was not installed"
e2e_run 60 reg query 'HKLM\SOFTWARE\KOVA\corvid' /v uninstall || e2e_fail "no uninstaller version"
grep -q 'REG_SZ.*220' "$E2E_DIR/run-$_e2e_runs.out" || e2e_fail "uninstaller version: $(cat "$E2E_DIR/run-$_e2e_runs.out")"
cmp -s "$INST_PRODUCT/readme.txt" "$INST_DEST_HOST/doc/readme.txt" || e2e_fail "the read-me was not copied"
e2e_wineserver_wait 30
[ -e "$E2E_MARKER_FILE" ] && e2e_fail "the uninstaller was started: $(cat "$E2E_MARKER_FILE")"
exit 0
