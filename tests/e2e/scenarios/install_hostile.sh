#!/usr/bin/env bash
# setup.exe against hostile and damaged distributions, each run unattended with a log, and the
# real uninstaller doing the clean-up. One snapshot before and one after all of them: nothing
# outside the destination C:\Demo and the setup's own entries (the shared uninstaller and its
# version value) changes.
#   a. a symbolic link in the destination, as a folder the product installs into and where a
#      file of the product goes: refused with the link named, nothing written through it;
#   b. ".." in a file name, a directory row and the read-me folder: refused with the place named
#      (the read-me's before anything is written: exit code 2, as a run that installed nothing);
#   c. a volume with a bad block (an ext2 image on a loop device, one block pointer out of the
#      file system): the read error names the file and the volume, and the clean-up removes
#      everything;
#   d. a damaged byte in mode 0's data and in a stored member of mode 1: the checksum message
#      names the file and the volume, no corrupt file is left;
#   e. [extensions] total=2147483647: the run goes on under /silent, its Exit button still
#      terminates it, and its memory does not grow meanwhile.
# A fatal error ends an unattended run with exit code 4, a terminate with 5, once the clean-up
# is over.
#
#   ctest -R e2e.install_hostile --output-on-failure        (from build/)
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
. "$(dirname "$0")/../install/install.sh"
. "$(dirname "$0")/../roundtrip/roundtrip.sh"
e2e_begin
drv_require
C=$E2E_DRIVE_C
# The real uninstaller cleans up, so that what it leaves is what a user would find.
E2E_MARKER=$CORVID_WIN_DIR/src/win32/uncorvid.exe
[ -f "$E2E_MARKER" ] || e2e_fail "no uncorvid.exe"
inst_product
mkdir -p "$C/Outside"
printf 'outside' >"$C/Outside/victim.txt"
# Both modes packed once; each case takes a fresh copy. The packing maps D: before the
# snapshot: Wine records its drives in the registry.
for mode in 0 1; do
    inst_dist $mode 1000000
    cp -a "$E2E_DIST" "$E2E_DIR/packed-$mode" || e2e_fail "cannot keep the distribution"
done
# A fresh copy of the distribution packed in MODE, with the values changed.
dist() { # MODE [SECTION KEY VALUE]...
    rm -rf "$E2E_DIST"
    cp -a "$E2E_DIR/packed-$1" "$E2E_DIST" || e2e_fail "cannot copy the distribution"
    shift
    inst_set "$@"
}
rt_snapshot "$E2E_DIR/before" || e2e_fail "no snapshot before"

# The [Option_1] key of a packed file's row: its data's volume, offset and length.
row_of() { # FILE -> ROW_VOLUME ROW_OFFSET ROW_LENGTH
    local j
    j=$(_inst_files 1 | awk -F'|' -v f="$1" '$1 == f { print NR; exit }')
    ROW_VOLUME=$E2E_DIST/zdata_$(_inst_inf_get Option_1 "s$j").dsk
    ROW_OFFSET=$(_inst_inf_get Option_1 "p$j")
    ROW_LENGTH=$(_inst_inf_get Option_1 "z$j")
}

# Runs the setup unattended on the distribution made last; expects exit code WANT and the text
# SAYS in its log. NAME names the case.
hostile() { # NAME WANT SAYS
    local rc=0 log=$E2E_DIR/$1.log
    e2e_run 120 'D:\setup.exe' /verysilent "/log=$(e2e_winpath "$log")" || rc=$?
    e2e_wineserver_wait 30
    expect_eq "$1: exit code" "$rc" "$2"
    grep -qF -- "$3" "$log" || e2e_fail "$1: the log does not say \"$3\": $(grep -i 'error\|message' "$log")"
    e2e_log "$1: $(grep -F -- "$3" "$log" | head -n 1 | cut -c1-200)"
}

# A failed run's clean-up removes all it made: the destination is gone.
cleaned() { # NAME
    [ ! -e "$INST_DEST_HOST" ] ||
        e2e_fail "$1: the clean-up left $(cd "$INST_DEST_HOST" && find . -mindepth 1 | tr '\n' ' ')"
}

# a. links in the destination
dist 1
mkdir -p "$INST_DEST_HOST"
ln -s "$C/Outside" "$INST_DEST_HOST/bin"
hostile a-folder-link 4 'leads through a link'
# The link stays, and with it the log and the report that say why.
left=$(cd "$INST_DEST_HOST" && find . -mindepth 1 ! -path ./setup ! -path ./setup/uninst.log \
    ! -path ./setup/uninst.txt ! -path ./bin)
[ -z "$left" ] || e2e_fail "a-folder-link: the clean-up left $left"
rm -rf "$INST_DEST_HOST"
dist 0
mkdir -p "$INST_DEST_HOST"
ln -s "$C/Outside/victim.txt" "$INST_DEST_HOST/notes.txt"
hostile a-file-link 4 'leads through a link'
rm -rf "$INST_DEST_HOST"

# b. names that climb out of the destination
dist 0 Option_1 f3 '..\..\Outside\evil.txt'
hostile b-file-name 4 'outside the destination'
cleaned b-file-name
dist 0 directories d1_1 '\..\Outside\'
hostile b-directory 4 'outside the destination'
cleaned b-directory
dist 0 software readmedir '\..\Outside'
rm -rf "$INST_DEST_HOST"
# Checked before anything is written: the run ends as one that installed nothing.
hostile b-readme 2 'places the read-me file at \..\Outside\readme.txt outside the destination'
[ ! -e "$INST_DEST_HOST" ] || e2e_fail "b-readme: the refused run made the destination"

# c. a read error in the middle of words.txt's data
dist 0
row_of words.txt
img=$E2E_DIR/disk.img mnt=$E2E_DIR/disk
if mke2fs -q -F -t ext2 -b 1024 "$img" 2048 >"$E2E_DIR/mke2fs.log" 2>&1 &&
    debugfs -w -R "write $ROW_VOLUME zdata_01.dsk" "$img" >>"$E2E_DIR/mke2fs.log" 2>&1 &&
    python3 - "$img" "$ROW_OFFSET" "$ROW_LENGTH" >>"$E2E_DIR/mke2fs.log" 2>&1 <<'PY'
# Points the block in the middle of the file's data out of the file system: reading it fails
# with EIO, as a bad sector does, while the volume's size stays what it was.
import struct, subprocess, sys
img, offset, length = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
out = subprocess.run(["debugfs", "-R", "stat zdata_01.dsk", img], capture_output=True, text=True).stdout
ind = int(out.split("(IND):")[1].split(",")[0].split()[0])
block = (offset + length // 2) // 1024
assert block >= 12, "the data lies in the direct blocks"
with open(img, "r+b") as f:
    f.seek(ind * 1024 + (block - 12) * 4)
    f.write(struct.pack("<I", 10**6))
PY
then
    mkdir -p "$mnt"
    if mount -o loop,ro "$img" "$mnt" 2>>"$E2E_DIR/mke2fs.log"; then
        _e2e_mounts+=("$mnt")
        ln -sf "$mnt/zdata_01.dsk" "$ROW_VOLUME"
        hostile c-read-error 4 'cannot be read'
        cleaned c-read-error
    else
        e2e_log "c: no loop mount here; the read error is not tried: $(tail -n 1 "$E2E_DIR/mke2fs.log")"
    fi
else
    e2e_log "c: no ext2 image here; the read error is not tried: $(tail -n 1 "$E2E_DIR/mke2fs.log")"
fi

# d. a damaged byte in the middle of a file's data on the medium
flip() { # FILE: the byte in the middle of its data in the volume
    row_of "$1"
    python3 - "$ROW_VOLUME" $((ROW_OFFSET + ROW_LENGTH / 2)) <<'PY' || e2e_fail "cannot damage $1"
import sys
path, at = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(at)
    b = f.read(1)
    f.seek(at)
    f.write(bytes([b[0] ^ 0x5A]))
PY
}
dist 0
flip words.txt
hostile d-mode-0 4 'Damaged medium: the data of words.txt in zdata_01.dsk does not match its checksum'
cleaned d-mode-0
dist 1
flip app.exe # random bytes: stored, not compressed
hostile d-mode-1 4 'Damaged medium: the data of app.exe in zdata_01.dsk does not match its checksum'
cleaned d-mode-1

# e. a count that never ends, terminated through the Exit button
dist 0 extensions total 2147483647
setup_start /silent
drv_ok wait-text Tcopying Lbl_o 'Registering file types ...' 60000
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$E2E_PID/status"; }
cpu() { awk '{ print $14 + $15 }' "/proc/$E2E_PID/stat"; }
rss0=$(rss) cpu0=$(cpu)
# A condition, not a clock: the loop has run for two seconds of processor time.
end=$((SECONDS + 60))
while [ $(($(cpu) - cpu0)) -lt 200 ] && [ $SECONDS -lt $end ]; do sleep 0.2; done
rss1=$(rss)
e2e_log "e: resident memory ${rss0} kB, then ${rss1} kB after $(($(cpu) - cpu0)) ticks of the loop"
[ $((rss1 - rss0)) -lt 1024 ] || e2e_fail "e: memory grew by $((rss1 - rss0)) kB in the loop"
drv_ok click Tcopying Btn_exit
drv_ok wait-form Tabbruch 20000
drv_ok click Tabbruch Btn_terminate
setup_wait_end 60
expect_eq "e: exit code" "$SETUP_RC" 5
e2e_wineserver_wait 30
cleaned e-terminated

rt_snapshot "$E2E_DIR/after" || e2e_fail "no snapshot after"
changes=$(rt_diff "$E2E_DIR/before" "$E2E_DIR/after" | grep -v '^[-+]Demo[/ ]' || true)
if [ -n "$changes" ]; then
    printf '%s\n' "$changes"
    e2e_fail "the hostile distributions changed the machine outside the destination (above)"
fi
expect_eq "the link's target" "$(cat "$C/Outside/victim.txt")" outside
exit 0
