#!/usr/bin/env bash
# The round trip of a terminated installation: the example distribution with its second volume
# held back, so that the run asks for the next disk in the file phase; Cancel, then terminate in
# the abort dialog. The setup starts the installed uncorvid.exe silently on the log written so
# far; once it is done, a snapshot of the prefix differs from the one before the installation
# only by what stays by design (the shared uninstaller and its version value, the setup's
# picture folder C:\temp).
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
rt_demo_begin
held=$E2E_DIR/held
mkdir -p "$held"
mv "$E2E_DIST/zdata_02.dsk" "$held/" || e2e_fail "no second volume"
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

inst_walk
drv_ok wait-msgbox "Please insert the next disk." 60000
dest=$(winfile 'C:\Corvid_Demo')
[ -f "$dest/setup/uninst.log" ] || e2e_fail "the run asked for the disk before it wrote its log"
files=$(find "$dest" -type f ! -path '*/setup/*' | wc -l)
e2e_log "files in the destination when the disk was asked for: $files"
[ "$files" -ge 1 ] || e2e_fail "no file was installed before the prompt"
drv_ok answer-msgbox Cancel
drv_ok wait-form Tabbruch 20000
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
# The silent uninstaller runs on its own after the setup ended.
e2e_wineserver_wait 60 || e2e_fail "the uninstaller did not end"
[ ! -e "$dest" ] || e2e_fail "the silent uninstall left the destination: $(find "$dest" | head)"

rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after"
if ! rt_diff "$E2E_DIR/before" "$E2E_DIR/after" >"$E2E_DIR/diff.txt"; then
    cat "$E2E_DIR/diff.txt"
    e2e_fail "the terminated installation's round trip left differences (above)"
fi
for f in files.txt registry.txt; do diff "$E2E_DIR/before/$f" "$E2E_DIR/after/$f"; done |
    grep -q '^> windows/uncorvid.exe' || e2e_fail "the setup installed no uncorvid.exe"
exit 0
