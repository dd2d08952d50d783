#!/usr/bin/env python3
"""corvid-pack and corvid-inf check as a distributor uses them.

A tree of files (text that packs, random data that does not, empty files and folders, a file
below the Windows directory) is packed in both modes, on one volume and on small volumes in disk
folders. Each distribution must pass `check` without a finding and give the tree back byte for
byte (`check --extract`); the same project must give the same bytes; each file's data must be
what `corvid-arc a` makes of it. Damaged distributions (a volume removed, one cut short, a byte
of an archive changed, an offset moved) must be reported at the key of the damaged file. Bad
projects and bad usage end with their exit codes.

usage: corvid_pack_test.py CORVID_PACK CORVID_INF CORVID_ARC WORK_DIR
"""
import filecmp
import json
import os
import random
import shutil
import struct
import subprocess
import sys

PACK, INF, ARC, WORK = (os.path.abspath(a) for a in sys.argv[1:5])
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def bitmap(w, h):
    row = (w * 3 + 3) & ~3
    pixels = bytes((x * 40 + y) & 0xFF for y in range(h) for x in range(row))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels


def make_tree(root):
    rnd = random.Random(13)
    words = [b"setup", b"component", b"volume", b"archive", b"disk", b"folder", b"Windows"]
    text = lambda n: b" ".join(rnd.choice(words) for _ in range(n)) + b"\r\n"
    write(root + "/prog/readme.txt", text(3000))
    write(root + "/prog/random.bin", rnd.randbytes(700000))
    write(root + "/prog/block.bin", rnd.randbytes(2048 * 3))
    write(root + "/prog/empty.dat", b"")
    write(root + "/prog/bin/tool.exe", b"MZ" + text(20000))
    write(root + "/prog/bin/deep/more/notes.txt", text(500))
    write(root + "/prog/bin/deep/zero", b"")
    os.makedirs(root + "/prog/cache/empty", exist_ok=True)
    write(root + "/help/a.hlp", text(8000))
    write(root + "/help/b.hlp", rnd.randbytes(90000))
    write(root + "/help/skip.txt", b"not packed")
    write(root + "/sys/corvid.dll", rnd.randbytes(5000))
    write(root + "/art/logo.bmp", bitmap(40, 30))
    write(root + "/doc/readme.txt", b"Read me.\r\n")
    write(root + "/zsys.reg", b"REGEDIT4\r\n")


PROJECT = r"""; a test product
[pack]
mode={mode}
registry=tree/zsys.reg

[component1]
name=Program
standard=1
min=1
custom=1
files=tree/prog
files2=tree/sys/corvid.dll -> %SystemRoot%\system\

[component2]
name=Help
standard=1
custom=1
files=tree/help/*.hlp -> \help\

[corvid]
version=220

[software]
name=Pack Test
o_standard=1
o_min=1
o_custom=1
readme=tree/doc/readme.txt

[main]
logo=tree/art/logo.bmp

[prggrp]
f1=\bin\tool.exe
p1=Tool

[extensions]
e1=hlp
n1=Help file
o1=2
f1=a.hlp
"""


def pack(out, mode, extra=(), check_clean=True):
    with open(os.path.join(WORK, "project.ini"), "w") as f:
        f.write(PROJECT.format(mode=mode))
    r = run([PACK, "-q", "-f", "--setup", os.path.join(WORK, "setup.exe"), "--uninstaller",
             os.path.join(WORK, "uncorvid.exe")] + list(extra) + [os.path.join(WORK, "project.ini"), out])
    if r.returncode != 0 or (check_clean and r.stderr):
        fail("corvid-pack %s %s: exit %d: %s" % (mode, " ".join(extra), r.returncode, r.stderr))
    return r


def check(dist, extract=None):
    args = [INF, "check", "--json", dist] + (["--extract", extract] if extract else [])
    r = run(args)
    try:
        report = json.loads(r.stdout)
    except ValueError:
        fail("check %s: no JSON: %s %s" % (dist, r.stdout, r.stderr))
        report = {"findings": []}
    return r.returncode, report


def same_tree(a, b):
    cmp = filecmp.dircmp(a, b)
    diffs = cmp.left_only + cmp.right_only + cmp.diff_files + cmp.funny_files
    if diffs:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, cmp.common_files, shallow=False)
    return not mismatch and not errors and all(same_tree(os.path.join(a, d), os.path.join(b, d))
                                                for d in cmp.common_dirs)


def read_inf(path):
    sections, cur = {}, None
    for line in open(path, encoding="latin-1"):
        line = line.strip()
        if line.startswith("["):
            cur = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and cur is not None:
            k, v = line.split("=", 1)
            cur.setdefault(k.strip().lower(), v.strip())
    return sections


def files_of(inf):
    """(component, j, name, volume, offset, length) of every file."""
    out = []
    for k in range(1, 8):
        sec = inf.get("option_%d" % k, {})
        j = 1
        while "f%d" % j in sec:
            out.append((k, j, sec["f%d" % j], int(sec["s%d" % j]), int(sec["p%d" % j]),
                        int(sec["z%d" % j])))
            j += 1
    return out


def expected_tree(root, dest):
    shutil.copytree(root + "/prog", dest)
    os.makedirs(dest + "/help")
    for n in ("a.hlp", "b.hlp"):
        shutil.copy(root + "/help/" + n, dest + "/help/" + n)
    os.makedirs(dest + "/SystemRoot/system")
    shutil.copy(root + "/sys/corvid.dll", dest + "/SystemRoot/system/corvid.dll")


def volume_path(dist, n):
    name = "zdata_%02d.dsk" % n
    for d in [dist] + sorted(os.path.join(dist, x) for x in os.listdir(dist) if x.startswith("disk")):
        if os.path.exists(os.path.join(d, name)):
            return os.path.join(d, name)
    return None


def has_finding(report, section, key, severity="error"):
    return any(f["severity"] == severity and f["section"].lower() == section.lower() and
               f["key"].lower() == key.lower() for f in report["findings"])


def set_keys(path, changes):
    """Sets (section, key, value) in a setup.inf written by corvid-pack (CR LF lines)."""
    text = open(path, encoding="latin-1", newline="").read()
    for section, key, value in changes:
        start = text.index("[%s]\r\n" % section) + len(section) + 4
        end = text.find("\r\n[", start)
        end = len(text) if end < 0 else end + 2
        body = text[start:end]
        lines = [l for l in body.split("\r\n") if l and l.split("=", 1)[0].lower() != key.lower()]
        lines.insert(0, "%s=%s" % (key, value))
        text = text[:start] + "\r\n".join(lines) + "\r\n" + ("\r\n" if end < len(text) else "") + text[end:]
    open(path, "w", encoding="latin-1", newline="").write(text)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    tree = os.path.join(WORK, "tree")
    make_tree(tree)
    write(os.path.join(WORK, "setup.exe"), b"MZ" + bytes(3000))
    write(os.path.join(WORK, "uncorvid.exe"), b"MZ" + b"uninstaller " * 400)
    want = os.path.join(WORK, "want")
    expected_tree(tree, want)

    dists = {}
    for mode in ("0", "1"):
        for layout, extra in (("one", []), ("disks", ["--volume", "300k", "--disks"])):
            out = os.path.join(WORK, "dist-%s-%s" % (mode, layout))
            pack(out, mode, extra)
            dists[(mode, layout)] = out
            code, report = check(out, os.path.join(WORK, "got-%s-%s" % (mode, layout)))
            if code != 0 or report["findings"]:
                fail("check of %s: exit %d, %s" % (out, code, report["findings"][:3]))
            if not same_tree(want, os.path.join(WORK, "got-%s-%s" % (mode, layout))):
                fail("the tree installed from %s differs from the source" % out)
    disks = os.listdir(dists[("1", "disks")])
    if sorted(disks)[:2] != ["disk1", "disk2"] or len(disks) < 3:
        fail("mode 1 on 300k volumes made disk folders %s" % disks)
    for d in sorted(disks):
        total = sum(-(-os.path.getsize(os.path.join(dists[("1", "disks")], d, f)) // 512) * 512
                    for f in os.listdir(os.path.join(dists[("1", "disks")], d)))
        if total > 300 * 1024:
            fail("%s holds %d bytes, more than the 300k disk" % (d, total))

    # The same project gives the same bytes.
    again = os.path.join(WORK, "again")
    pack(again, "1", ["--volume", "300k", "--disks", "-j", "1"])
    if not same_tree(dists[("1", "disks")], again):
        fail("packing the same project twice gave different distributions")

    # Each file's data is the archive corvid-arc makes of it.
    dist = dists[("1", "one")]
    inf = read_inf(os.path.join(dist, "setup.inf"))
    stream = open(os.path.join(dist, "zdata_01.dsk"), "rb").read()
    for k, j, name, vol, off, length in files_of(inf):
        if name in ("readme.txt", "b.hlp", "random.bin"):
            src = os.path.join(tree, "prog" if k == 1 else "help")
            mine = os.path.join(WORK, "arc-" + name)
            r = run([ARC, "a", mine, "-m", "stored" if name in ("random.bin", "b.hlp") else "lzh", name], cwd=src)
            if r.returncode != 0 or open(mine, "rb").read() != stream[off:off + length]:
                fail("the data of %s is not what corvid-arc makes of it" % name)

    # Damage, each reported at the key of the damaged file.
    def damaged(name, how, mode="1"):
        d = os.path.join(WORK, "damaged-%s-%s" % (mode, name))
        shutil.rmtree(d, ignore_errors=True)
        shutil.copytree(dists[(mode, "disks")], d)
        inf = read_inf(os.path.join(d, "disk1", "setup.inf"))
        files = files_of(inf)
        expect = how(d, files)
        code, report = check(d)
        if code != 1:
            fail("%s: check exited %d, not 1" % (name, code))
        for section, keys in expect:
            if not any(has_finding(report, section, key) for key in keys):
                fail("%s: no error at [%s] %s; findings: %s" % (name, section, "/".join(keys),
                                                                 report["findings"]))

    def remove_volume(d, files):
        os.remove(volume_path(d, 2))
        starts = [("Option_%d" % k, ["s%d" % j]) for k, j, n, v, o, l in files if v == 2]
        crosses = [("Option_%d" % k, ["z%d" % j]) for k, j, n, v, o, l in files
                   if v == 1 and o + l > os.path.getsize(volume_path(d, 1))]
        return starts + crosses

    def cut_short(d, files):
        path = volume_path(d, 1)
        size = os.path.getsize(path)
        with open(path, "r+b") as f:
            f.truncate(size - 1500)
        return [("Option_%d" % k, ["f%d" % j, "p%d" % j, "z%d" % j]) for k, j, n, v, o, l in files
                if v == 1 and o < size and o + l > size - 1500]

    def change_byte(d, files):
        k, j, n, v, o, l = next(f for f in files if f[2] == "readme.txt")
        path = volume_path(d, v)
        data = bytearray(open(path, "rb").read())
        at = o + min(l, os.path.getsize(path) - o) // 2
        data[at] ^= 0x20
        open(path, "wb").write(bytes(data))
        return [("Option_%d" % k, ["f%d" % j])]

    def move_offset(d, files):
        k, j, n, v, o, l = next(f for f in files if f[2] == "a.hlp")
        path = os.path.join(d, "disk1", "setup.inf")
        text = open(path, encoding="latin-1", newline="").read()
        sec = text.index("[Option_%d]" % k)
        key = "\r\np%d=%d\r\n" % (j, o)
        at = text.index(key, sec)
        text = text[:at] + "\r\np%d=%d\r\n" % (j, o + 9) + text[at + len(key):]
        open(path, "w", encoding="latin-1", newline="").write(text)
        return [("Option_%d" % k, ["p%d" % j])]

    damaged("volume-removed", remove_volume)
    damaged("cut-short", cut_short)
    damaged("byte-changed", change_byte)
    damaged("offset-moved", move_offset)
    # Without archives only the layout tells: data that meets no other is what moved.
    damaged("offset-moved", move_offset, "0")
    damaged("cut-short", cut_short, "0")

    # Description faults, each at its key.
    d = os.path.join(WORK, "faults")
    shutil.rmtree(d, ignore_errors=True)
    shutil.copytree(dists[("1", "one")], d)
    set_keys(os.path.join(d, "setup.inf"), [
        ("corvid", "version", "219"), ("directories", "d1_1", "bin"), ("prggrp", "f1", "99"),
        ("extensions", "o1", "5"), ("software", "Opt2_space", "1"), ("language", "l17", ""),
        ("Option_2", "f1", "[leer]"), ("software", "Opt2_name", "Help")])
    with open(os.path.join(d, "logo.bm_"), "r+b") as f:
        f.seek(60)
        f.write(b"\xff" * 8)
    code, report = check(d)
    for severity, section, key in (("error", "corvid", "version"), ("error", "directories", "d1_1"),
                                   ("error", "prggrp", "f1"), ("error", "extensions", "f1"),
                                   ("warning", "language", "l17"), ("warning", "Option_2", "f1"),
                                   ("error", "main", "logo")):
        if not has_finding(report, section, key, severity):
            fail("no %s at [%s] %s: %s" % (severity, section, key, report["findings"]))
    if code != 1:
        fail("check of a faulty description exited %d" % code)
    d2 = os.path.join(WORK, "space")
    shutil.rmtree(d2, ignore_errors=True)
    shutil.copytree(dists[("0", "one")], d2)
    set_keys(os.path.join(d2, "setup.inf"), [("software", "Opt2_space", "10")])
    code, report = check(d2)
    if code != 4 or not has_finding(report, "software", "Opt2_space", "warning"):
        fail("Opt2_space below the files' size: exit %d, %s" % (code, report["findings"]))

    # Bad projects and bad usage.
    proj = os.path.join(WORK, "bad.ini")

    def refused(text, want_code, want_text):
        open(proj, "w").write(text)
        r = run([PACK, "-q", "--setup", os.path.join(WORK, "setup.exe"), "--uninstaller", "none",
                 proj, os.path.join(WORK, "bad-out")])
        if r.returncode != want_code or want_text not in r.stderr:
            fail("project %r: exit %d, %r; want %d and %r" % (text[:60], r.returncode, r.stderr,
                                                              want_code, want_text))
        shutil.rmtree(os.path.join(WORK, "bad-out"), ignore_errors=True)

    base = "[software]\nuniyes=0\n"
    refused(base + "".join("[component%d]\nname=C\nfiles=tree/doc\n" % k for k in range(1, 9)), 1,
            "seven")
    refused(base + "[component1]\nname=C\nfiles=tree/nothere\n", 1, "no file or folder")
    refused("[component1]\nname=C\nfiles=tree/doc\n", 1, "uniyes")
    with open(os.path.join(WORK, "huge.bin"), "wb") as f:
        f.truncate(2 ** 31)
    refused(base + "[component1]\nname=C\nfiles=huge.bin\n", 1, "32-bit")
    os.remove(os.path.join(WORK, "huge.bin"))
    write(os.path.join(WORK, "odd", "a|b.txt"), b"x")
    refused(base + "[component1]\nname=C\nfiles=odd\n", 1, "a|b.txt")
    for args, code in (([], 2), (["--mode", "3", "p", "o"], 2), (["--help"], 0),
                       (["--volume", "tiny", proj, os.path.join(WORK, "o")], 2)):
        r = run([PACK] + args)
        if r.returncode != code:
            fail("corvid-pack %s: exit %d, want %d" % (" ".join(args), r.returncode, code))
    r = run([PACK, "-q", "--setup", os.path.join(WORK, "setup.exe"), "--uninstaller",
             os.path.join(WORK, "uncorvid.exe"), os.path.join(WORK, "project.ini"), tree])
    if r.returncode != 3 or "not empty" not in r.stderr:
        fail("packing into a folder of other files: exit %d %r" % (r.returncode, r.stderr))
    if run([INF, "check", tree]).returncode != 3:
        fail("check of a folder without setup.inf does not exit 3")

    print("corvid-pack: %d failures" % len(failures))
    return 1 if failures else 0


sys.exit(main())
