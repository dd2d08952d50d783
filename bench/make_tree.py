#!/usr/bin/env python3
"""Writes a reproducible product tree for the installation benchmark.

    python3 bench/make_tree.py DIR [FILES [MEGABYTES [even]]]  (defaults: 2000 files, 100 MB)

Half of the bytes are text (words from a fixed list, in lines), half incompressible (a seeded
generator's bytes). Files spread over nested sub-directories with sizes from a few hundred bytes
to about a megabyte, so that the tree looks like a real product's; with "even" every file has
the same size (many small files).
"""
import os
import random
import sys

WORDS = ("setup install window file directory program group registry value key section "
         "component archive volume disk space free total custom standard minimal read me "
         "the of and to in is for on with as by this that from at be or an are it").split()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    total = int(float(sys.argv[3]) * 1024 * 1024) if len(sys.argv) > 3 else 100 * 1024 * 1024
    even = len(sys.argv) > 4 and sys.argv[4] == "even"
    rng = random.Random(20261208)
    # Sizes: log-uniform weights scaled so that the sum is the total.
    weights = [1.0 if even else rng.uniform(0, 1) ** 3 for _ in range(files)]
    scale = total / sum(weights)
    sizes = [max(1, int(w * scale)) for w in weights]
    sizes[-1] += total - sum(sizes)
    for n, size in enumerate(sizes):
        sub = os.path.join(root, "d%02d" % (n % 20), "s%d" % (n % 7))
        os.makedirs(sub, exist_ok=True)
        if n % 2 == 0:
            path = os.path.join(sub, "f%04d.txt" % n)
            out = []
            length = 0
            while length < size:
                line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + "\r\n"
                out.append(line)
                length += len(line)
            data = "".join(out).encode()[:size]
        else:
            path = os.path.join(sub, "f%04d.bin" % n)
            data = rng.randbytes(size)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
