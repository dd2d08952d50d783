#!/usr/bin/env bash
# The example distribution that the build makes (build/examples/demo, compression mode 1, three
# volumes, packed pictures) installs through the wizard to its end: every product file is in its
# place byte for byte, the read-me is copied and the log counts the files.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
e2e_begin
drv_require
demo=$CORVID_BUILD_DIR/examples/demo
product=$CORVID_SOURCE_DIR/examples/demo/product
[ -f "$demo/zdata_02.dsk" ] || e2e_fail "the example distribution was not made: $demo"
E2E_DIST=$E2E_DIR/dist
e2e_distribution "$demo" "$E2E_DIST"
e2e_map_drive d "$E2E_DIST"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
inst_walk
inst_shot Tcopying progress
inst_finish

# The wizard writes the folder's blank as "_".
dest=$(winfile 'C:\Corvid_Demo')
for f in bin/demo.bat bin/data/words.txt help/manual.txt help/birds.dat; do
    cmp -s "$product/$f" "$dest/$f" || e2e_fail "$f was not installed as it is"
done
cmp -s "$product/SystemRoot/system/corviddm.ini" "$(winfile 'C:\windows\system\corviddm.ini')" ||
    e2e_fail "corviddm.ini was not installed below the Windows directory"
cmp -s "$product/readme.txt" "$dest/doc/readme.txt" || e2e_fail "the read-me was not copied"
INST_DEST_HOST=$dest
expect_eq "files total" "$(inst_log_get files.total)" 5
expect_eq "system files" "$(inst_log_get systemroot.total)" 1
exit 0
