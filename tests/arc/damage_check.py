#!/usr/bin/env python3
"""Damaged archives against `corvid-arc t`: every byte of small archives changed (three ways),
every truncation, and negative sizes in member headers. Each run must end within the time limit
with exit code 0 (clean) or 1 (damaged) and, for 1, a message on stderr; no crash, no sanitizer
report. Prints a summary of the outcomes.

usage: damage_check.py CORVID_ARC SHARED_ARCHIVE_DIR WORK_DIR
"""
import collections
import concurrent.futures
import os
import subprocess
import sys

TIME_LIMIT = 20  # seconds per run; a clean run takes milliseconds


def make_samples(arc, work):
    """Small archives of each method, plus the shared stored archive."""
    os.makedirs(work, exist_ok=True)
    text = ("The setup copies the files of each component into its folder.\r\n" * 6 +
            "     indented line\r\n" + "x" * 40 + "\x94\x94" + "y" * 9).encode("latin-1")
    names = []
    for name, data in (("t.txt", text), ("b.bin", bytes(range(256)) * 2)):
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        names.append(name)
    samples = [os.path.join(os.path.abspath(sys.argv[2]), "stored.arc")]
    for method in ("rle", "lzh"):
        out = os.path.join(work, "sample-%s.arc" % method)
        subprocess.run([arc, "a", out, "-m", method] + names, cwd=work, check=True)
        samples.append(out)
    return samples


def variants(data):
    for i in range(len(data)):
        for how, value in (("^01", data[i] ^ 0x01), ("^80", data[i] ^ 0x80), ("^FF", data[i] ^ 0xFF)):
            yield "byte %d %s" % (i, how), data[:i] + bytes([value]) + data[i + 1:]
    for n in range(len(data)):
        yield "cut %d" % n, data[:n]
    # Negative name length, expanded size and packed size in the first member header.
    for field, offset, width in (("name length", 21, 2), ("expanded size", 29, 4), ("packed size", 33, 4)):
        if len(data) >= offset + width:
            bad = bytearray(data)
            bad[offset + width - 1] |= 0x80
            yield "negative " + field, bytes(bad)


# Leak checking at the exit of each of these thousands of one-shot runs costs more than the run
# itself; the unit tests check leaks. Memory errors are still caught in every run.
RUN_ENV = dict(os.environ, ASAN_OPTIONS=(os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":"))


def run_one(arc, path, label, data):
    with open(path, "wb") as f:
        f.write(data)
    try:
        p = subprocess.run([arc, "t", path], capture_output=True, timeout=TIME_LIMIT, env=RUN_ENV)
    except subprocess.TimeoutExpired:
        return label, "HANG", ""
    err = p.stderr.decode("utf-8", "replace")
    if "Sanitizer" in err or "runtime error" in err:
        return label, "SANITIZER", err
    if p.returncode == 0:
        return label, "ok", ""
    if p.returncode == 1 and err.strip():
        # The message without the archive path and member name, for the summary.
        msg = err.strip().splitlines()[0].split(": ")[-1]
        return label, "1: " + msg, err
    return label, "EXIT %d" % p.returncode, err


def main():
    arc, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[3])
    samples = make_samples(arc, work)
    bad = []
    summary = collections.Counter()
    total = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for s in samples:
            data = open(s, "rb").read()
            jobs = list(variants(data))
            # One file per worker slot: run in batches so no two runs share a file.
            width = 16
            for start in range(0, len(jobs), width):
                futures = [pool.submit(run_one, arc, os.path.join(work, "case-%d.arc" % j), label, v)
                           for j, (label, v) in enumerate(jobs[start:start + width])]
                for f in futures:
                    label, outcome, err = f.result()
                    total += 1
                    summary[outcome] += 1
                    if outcome in ("HANG", "SANITIZER") or outcome.startswith("EXIT"):
                        bad.append((os.path.basename(s), label, outcome, err[:400]))
    print("%d damaged archives tested with %s t" % (total, os.path.basename(arc)))
    for outcome, n in summary.most_common():
        print("  %6d  %s" % (n, outcome))
    for b in bad[:20]:
        print("FAILED:", *b)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
