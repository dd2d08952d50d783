#!/usr/bin/env bash
# corvid-pack.exe, the Windows build of the packer, makes the same distribution from the same
# project as the native corvid-pack, byte for byte, in both modes and on volumes.
. "$(dirname "$0")/../harness/lib.sh"
e2e_begin
pack_exe=$CORVID_WIN_DIR/tools/corvid-pack.exe
[ -f "$pack_exe" ] || e2e_fail "no $pack_exe"
: "${CORVID_PACK:=$CORVID_BUILD_DIR/tools/corvid-pack}"

python3 - "$E2E_DIR/tree" <<'PY' || e2e_fail "cannot make the product tree"
import os, random, sys
root = sys.argv[1]
r = random.Random(5)
def put(rel, data):
    p = os.path.join(root, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "wb").write(data)
put("bin/tool.exe", r.randbytes(150000))
put("bin/data/words.txt", b"corvid packs volumes\r\n" * 9000)
put("bin/empty.txt", b"")
put("caf\xc3\xa9/notes.txt", b"a folder name outside ASCII\r\n")
put("help/manual.txt", b"manual line\r\n" * 3000)
os.makedirs(os.path.join(root, "bin/cache"), exist_ok=True)
PY
printf 'MZ stand-in' >"$E2E_DIR/setup.exe"
cat >"$E2E_DIR/project.ini" <<'INI'
[pack]
uninstaller=none
setup=setup.exe

[component1]
name=Program
standard=1
files=tree -> \

[software]
name=Windows Packer Test
uniyes=0
o_standard=1
INI
for args in "--mode 1" "--mode 0" "--mode 1 --volume 64k --disks"; do
    name=$(echo "$args" | tr -dc 'a-z0-9')
    # shellcheck disable=SC2086 # the options are words
    e2e_run 120 "$pack_exe" -q $args "$(e2e_winpath "$E2E_DIR/project.ini")" \
        "$(e2e_winpath "$E2E_DIR/win-$name")" || e2e_fail "corvid-pack.exe $args failed"
    # shellcheck disable=SC2086
    "$CORVID_PACK" -q $args "$E2E_DIR/project.ini" "$E2E_DIR/native-$name" ||
        e2e_fail "corvid-pack $args failed"
    diff -r "$E2E_DIR/native-$name" "$E2E_DIR/win-$name" >"$E2E_DIR/diff-$name.txt" ||
        e2e_fail "corvid-pack.exe $args made another distribution: $(head -3 "$E2E_DIR/diff-$name.txt")"
    e2e_log "corvid-pack.exe $args: $(find "$E2E_DIR/win-$name" -type f | wc -l) files as the native packer makes them"
done
exit 0
