#!/usr/bin/env python3
"""corvid-arc on the shared vectors: `t` passes, `x` writes every member with its SHA-256 and
date, `l` lists them, and re-packing the expanded files by each method gives archives that
`t` passes and `x` expands to the same bytes.

usage: arc_vectors.py CORVID_ARC SHARED_ARCHIVE_DIR WORK_DIR
"""
import hashlib
import os
import shutil
import subprocess
import sys
import time


def run(args, **kw):
    p = subprocess.run(args, capture_output=True, timeout=120, **kw)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def dos_time(t):
    lt = time.localtime(t)
    return ((lt.tm_year - 1980) << 25 | lt.tm_mon << 21 | lt.tm_mday << 16 |
            lt.tm_hour << 11 | lt.tm_min << 5 | lt.tm_sec // 2)


def main():
    arc = os.path.abspath(sys.argv[1])
    shared = os.path.abspath(sys.argv[2])
    work = os.path.abspath(sys.argv[3])
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    failures = []
    rows = [l.rstrip("\n").split("\t") for l in open(os.path.join(shared, "MANIFEST.tsv")) if l.strip()]
    archives = sorted({r[0] for r in rows})
    for a in archives:
        path = os.path.join(shared, a)
        rc, out, err = run([arc, "t", path])
        if rc != 0:
            failures.append("t %s: %d %s" % (a, rc, err))
        rc, out, err = run([arc, "l", path])
        members = [r for r in rows if r[0] == a]
        if rc != 0 or any(m[1] not in out for m in members):
            failures.append("l %s: %d %s" % (a, rc, err))
        dest = os.path.join(work, a + ".x")
        rc, out, err = run([arc, "x", path, "-o", dest])
        if rc != 0:
            failures.append("x %s: %d %s" % (a, rc, err))
            continue
        for m in members:
            f = os.path.join(dest, *m[1].split("\\"))
            data = open(f, "rb").read() if os.path.isfile(f) else None
            if data is None or len(data) != int(m[3]) or hashlib.sha256(data).hexdigest() != m[4]:
                failures.append("x %s %s: wrong bytes" % (a, m[1]))
            elif dos_time(os.path.getmtime(f)) != int(m[5], 16):
                failures.append("x %s %s: date %x, not %s" % (a, m[1], dos_time(os.path.getmtime(f)), m[5]))
        # Re-pack what came out, by each method, and expand again.
        names = [m[1].replace("\\", "/") for m in members]
        for method in ("stored", "rle", "lzh"):
            packed = os.path.join(work, "%s.%s.arc" % (a, method))
            rc, out, err = run([arc, "a", packed, "-m", method] + names, cwd=dest)
            if rc != 0:
                failures.append("a %s %s: %d %s" % (a, method, rc, err))
                continue
            rc, out, err = run([arc, "t", packed])
            if rc != 0:
                failures.append("t %s %s: %d %s" % (a, method, rc, err))
            again = packed + ".x"
            rc, out, err = run([arc, "x", packed, "-o", again])
            for m in members:
                f = os.path.join(again, *m[1].split("\\"))
                if not os.path.isfile(f) or hashlib.sha256(open(f, "rb").read()).hexdigest() != m[4]:
                    failures.append("re-pack %s %s %s: wrong bytes" % (a, method, m[1]))
    # A requested member that is missing is reported with its own exit code.
    rc, out, err = run([arc, "x", os.path.join(shared, "stored.arc"), "nothing.txt", "-o",
                        os.path.join(work, "none")])
    if rc != 4:
        failures.append("x of a missing member: exit %d" % rc)
    rc, out, err = run([arc, "t", os.path.join(work, "no-such.arc")])
    if rc != 3 or "no-such.arc" not in err:
        failures.append("t of a missing archive: exit %d %s" % (rc, err))
    rc, out, err = run([arc, "q"])
    if rc != 2:
        failures.append("bad usage: exit %d" % rc)
    for f in failures:
        print("FAILED:", f)
    print("%d archives, %d members: %s" % (len(archives), len(rows), "failures" if failures else "all OK"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
