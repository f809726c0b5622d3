#!/usr/bin/env python3
"""Writes a seeded, realistic tree for the backup benchmarks.

Files spread over nested folders (a few levels deep, 5-40 entries a folder);
sizes from 0 bytes to a few MiB, most of them small, as in a home folder;
plus one large file. The same seed gives the same tree.

  gen_tree.py DIR [--files N] [--big-mib M] [--seed S] [--max-kib K] [--shape mixed|deep|flat]
  gen_tree.py DIR --touch PERCENT [--seed S]   # rewrite PERCENT of the files
"""
import argparse
import os
import random
import sys

BLOCK = 4 << 20


def pick_size(rng, max_kib):
    cap = max(1, max_kib << 10)
    roll = rng.random()
    if roll < 0.02:
        return 0
    if roll < 0.72:
        return rng.randint(1, min(16 << 10, cap))
    if roll < 0.97:
        return rng.randint(min(16 << 10, cap), min(256 << 10, cap))
    return rng.randint(min(256 << 10, cap), cap)


def write_bytes(path, size, data, offset):
    with open(path, "wb") as out:
        left = size
        while left > 0:
            start = offset % (len(data) - 1)
            n = min(left, len(data) - start)
            out.write(data[start:start + n])
            left -= n
            offset += n


def folders(rng, root, count):
    """Nested folder paths, about one per 25 files, up to 6 levels deep."""
    result = [root]
    while len(result) < count:
        parent = rng.choice(result)
        if parent.count(os.sep) - root.count(os.sep) >= 6:
            continue
        result.append(os.path.join(parent, "dir%04d" % len(result)))
    return result


def chains(root, count, depth):
    """`count` chains of `depth` nested folders below root; every folder of
    every chain holds files."""
    result = []
    for c in range(count):
        path = root
        for level in range(depth):
            path = os.path.join(path, "chain%03d" % c if level == 0 else "level%02d" % level)
            result.append(path)
    return result


def generate(args):
    rng = random.Random(args.seed)
    data = random.Random(args.seed + 1).randbytes(BLOCK)
    os.makedirs(args.dir, exist_ok=True)
    if args.shape == "deep":
        dirs = chains(args.dir, 100, 20)
    elif args.shape == "flat":
        dirs = [args.dir]
    else:
        dirs = folders(rng, args.dir, max(1, args.files // 25))
    for d in dirs:
        os.makedirs(d, exist_ok=True)
    total = 0
    for i in range(args.files):
        d = dirs[i % len(dirs)] if args.shape != "mixed" else rng.choice(dirs)
        ext = rng.choice([".txt", ".doc", ".jpg", ".c", ".h", ".pdf", ".png", ".odt", ""])
        size = pick_size(rng, args.max_kib)
        write_bytes(os.path.join(d, "file%06d%s" % (i, ext)), size, data, rng.randrange(BLOCK))
        total += size
    if args.big_mib > 0:
        big = os.path.join(args.dir, "large-video.bin")
        write_bytes(big, args.big_mib << 20, data, 12345)
        total += args.big_mib << 20
    print("%d files + %s, %.1f MiB" % (args.files, "one of %d MiB" % args.big_mib if args.big_mib else "no large file",
                                        total / (1 << 20)))


def touch(args):
    rng = random.Random(args.seed + 7)
    paths = []
    for top, _dirs, names in os.walk(args.dir):
        for name in names:
            if name != "large-video.bin":
                paths.append(os.path.join(top, name))
    paths.sort()
    chosen = rng.sample(paths, max(1, len(paths) * args.touch // 100))
    for path in chosen:
        with open(path, "ab") as out:
            out.write(b"changed\n")
    print("changed %d of %d files" % (len(chosen), len(paths)))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("dir")
    parser.add_argument("--files", type=int, default=20000)
    parser.add_argument("--big-mib", type=int, default=1024)
    parser.add_argument("--max-kib", type=int, default=3072)
    parser.add_argument("--seed", type=int, default=42)
    parser.add_argument("--touch", type=int, default=0, help="percent of files to change")
    parser.add_argument("--shape", choices=["mixed", "deep", "flat"], default="mixed",
                        help="mixed: nested folders up to six levels; deep: 100 chains of 20 folders, "
                             "files in every one; flat: every file in one folder")
    args = parser.parse_args()
    if args.touch:
        touch(args)
    else:
        generate(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
