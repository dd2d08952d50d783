#!/usr/bin/env bash
# A distribution made by corvid-pack from a tree of real files (several megabytes, sub-folders,
# an empty file and an empty folder, a file below the Windows directory) on floppy-sized disk
# folders (the first one holding setup.exe, setup.inf and the uninstaller beside its volume) installs
# through the real windows with only the first disk mapped at first: each disk prompt is answered
# by mapping the next disk folder, and the installed tree equals the source tree byte for byte.
#
#   CORVID_PACK_TREE=DIR [CORVID_PACK_MODE=0|1] ctest -R pack_install_disks
#                         does the same with a tree kept elsewhere: DIR's files installed below
#                         the destination (mode 1 unless CORVID_PACK_MODE says 0)
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
: "${CORVID_PACK:=$CORVID_BUILD_DIR/tools/corvid-pack}"
[ -x "$CORVID_PACK" ] || e2e_fail "no $CORVID_PACK"

# The product: text that packs and random data that does not.
tree=$E2E_DIR/tree
app=$tree/app
mode=${CORVID_PACK_MODE:-1}
case $mode in 0 | 1) ;; *) e2e_fail "CORVID_PACK_MODE is 0 or 1, not $mode" ;; esac
if [ -n "${CORVID_PACK_TREE:-}" ]; then
    [ -d "$CORVID_PACK_TREE" ] || e2e_fail "no folder $CORVID_PACK_TREE"
    app=$(cd "$CORVID_PACK_TREE" && pwd)
    e2e_log "the tree: $app ($(find "$app" -type f | wc -l) files, $(du -sh "$app" | cut -f1))"
else
python3 - "$tree" <<'PY' || e2e_fail "cannot make the product tree"
import os, random, sys
root = sys.argv[1]
r = random.Random(20)
words = "setup disk volume archive folder program help manual corvid".split()
def put(rel, data):
    p = os.path.join(root, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "wb").write(data)
text = lambda n: "".join(" ".join(r.choice(words) for _ in range(10)) + "\r\n"
                         for _ in range(n // 60)).encode()
put("app/program.exe", r.randbytes(2000000))
put("app/data/big.dat", r.randbytes(1300000))
put("app/data/words.txt", text(1500000))
put("app/data/empty.txt", b"")
put("app/readme.txt", text(20000))
put("app/help/manual.txt", text(300000))
os.makedirs(os.path.join(root, "app/cache"), exist_ok=True)
put("sys/packtest.dll", r.randbytes(40000))
PY
fi
{
    printf '[pack]\nmode=%s\nvolume=floppy\n\n' "$mode"
    printf '[component1]\nname=Program\nstandard=1\nfiles=%s\n' "$app"
    [ -n "${CORVID_PACK_TREE:-}" ] ||
        printf 'files2=tree/sys/packtest.dll -> %%SystemRoot%%\\system\\\n'
    cat <<'INI'

[software]
name=Pack Disks Test
o_standard=1

[directories]
d0=C:\PackTest
INI
} >"$E2E_DIR/project.ini"
dist=$E2E_DIR/dist
"$CORVID_PACK" --disks --setup "$E2E_SETUP" --uninstaller "$E2E_MARKER" "$E2E_DIR/project.ini" \
    "$dist" >"$E2E_DIR/pack.out" 2>&1 || e2e_fail "corvid-pack failed: $(cat "$E2E_DIR/pack.out")"
e2e_log "$(head -1 "$E2E_DIR/pack.out")"
disks=$(find "$dist" -maxdepth 1 -name 'disk*' | wc -l)
[ -n "${CORVID_PACK_TREE:-}" ] || [ "$disks" -ge 3 ] ||
    e2e_fail "want three disks or more, corvid-pack made $disks"
for d in "$dist"/disk*; do
    bytes=$(find "$d" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    [ "$bytes" -le 1457664 ] || e2e_fail "$(basename "$d") holds $bytes bytes, more than a floppy"
done
"$CORVID_BUILD_DIR/tools/corvid-inf" check "$dist" >"$E2E_DIR/check.out" 2>&1 ||
    e2e_fail "check: $(cat "$E2E_DIR/check.out")"

E2E_DIST=$dist/disk1
e2e_map_drive d "$dist/disk1"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
setup_start
drv_ok wait-form Tleader 60000
# Only the standard type and no program items: Welcome, Folder, Ready, then the run.
for i in 1 2 3 4 5 6 7 8; do
    drv visible Tcopying && [ "$DRV" = 1 ] && break
    drv_ok click Tleader Btn_weiter
    sleep 1
done
drv visible Tcopying && [ "$DRV" = 1 ] || e2e_fail "the wizard did not lead to the progress window"

# Each disk is asked for once its first volume is needed (the text l20 that corvid-pack fills in,
# then the number); the next folder answers it.
for n in $(seq 2 "$disks"); do
    prompt="Please insert the disk\"$n\"."
    drv_ok wait-msgbox "$prompt" 90000
    [ "$n" = 2 ] && shot disk-prompt
    e2e_map_drive d "$dist/disk$n"
    drv_ok answer-msgbox OK
    e2e_log "disk $n mapped"
done
# Until the setup ends: a large tree kept elsewhere may take minutes.
for i in $(seq 1 900); do
    kill -0 "$E2E_PID" 2>/dev/null || break
    if drv visible Tcomplete Btn_complete && [ "$DRV" = 1 ]; then
        drv click Tcomplete Btn_complete
    fi
    sleep 1
done
setup_ends_ok "exit code after the installation"

dest=$(winfile 'C:\PackTest')
system=$(winfile 'C:\windows\system')
# The setup's own folder is left out, unless the tree has one of that name too.
exclude=(-x setup)
[ -e "$app/setup" ] && exclude=()
diff -r "${exclude[@]}" "$app" "$dest" >"$E2E_DIR/diff.out" 2>&1 ||
    e2e_fail "the installed tree differs from the source: $(head -5 "$E2E_DIR/diff.out")"
if [ -z "${CORVID_PACK_TREE:-}" ]; then
    cmp -s "$tree/sys/packtest.dll" "$system/packtest.dll" ||
        e2e_fail "packtest.dll was not installed below the Windows directory"
fi
e2e_log "$(find "$dest" -path "$dest/setup" -prune -o -type f -print | wc -l) files installed as they are, over $disks disks"
exit 0
