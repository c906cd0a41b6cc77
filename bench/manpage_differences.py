#!/usr/bin/env python3
"""Draws places where Tessarim and `opencc -c s2tw` convert Simplified text
differently, for judging by hand.

    bench/manpage_differences.py [--build build] [--count 100] [--seed 19]

The text is the Simplified Chinese of Debian's manual pages (package
manpages-zh, /usr/share/man/zh_CN): lines with at least eight Han characters,
without roff requests or font escapes, that GBK can hold. Neither the
correction tables' generator nor bench/corpus uses it. Writes
bench/out/manpage-differences.tsv: the source, Tessarim's and OpenCC's
conversion around each place, and the two characters.
"""
import argparse
import glob
import gzip
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
HAN = re.compile("[\u4e00-\u9fff]")
ESCAPES = re.compile(r"\\f[BIRP]|\\\(..|\\[-&e ]|\\\*\(..|\\s[-+]?\d")


def manpage_lines():
    lines = []
    for path in sorted(glob.glob("/usr/share/man/zh_CN/man*/*.gz")):
        try:
            text = gzip.open(path).read().decode("utf-8")
        except (OSError, UnicodeDecodeError):
            continue
        for line in text.split("\n"):
            if line.startswith((".", "'")):
                continue
            line = ESCAPES.sub("", line).strip()
            if len(HAN.findall(line)) >= 8 and line.encode("cp936", errors="ignore").decode(
                    "cp936") == line:
                lines.append(line)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(HERE), "build"))
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--seed", type=int, default=19)
    args = parser.parse_args()
    lines = manpage_lines()
    if not lines:
        sys.exit("no text under /usr/share/man/zh_CN (Debian: manpages-zh)")
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "source.txt")
        with open(source, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        ours_path, peer_path = os.path.join(work, "ours.txt"), os.path.join(work, "peer.txt")
        os.makedirs(os.path.join(work, "home"))
        subprocess.run([os.path.join(args.build, "tessarim"), "/i:utf8", "/o:utf8", "/f:t",
                        source, ours_path], check=True,
                       env=dict(os.environ, TESSARIM_HOME=os.path.join(work, "home")))
        subprocess.run(["opencc", "-c", "s2tw", "-i", source, "-o", peer_path], check=True)
        with open(ours_path, encoding="utf-8-sig") as f:
            ours = f.read().split("\n")
        with open(peer_path, encoding="utf-8") as f:
            peer = f.read().split("\n")
    places = [(n, j) for n, (a, b) in enumerate(zip(ours, peer)) if len(a) == len(b)
              for j, (x, y) in enumerate(zip(a, b)) if x != y and HAN.match(y)]
    total = sum(len(HAN.findall(line)) for line in lines)
    print(f"{len(places)} differing Han characters of {total}")
    chosen = sorted(random.Random(args.seed).sample(places, min(args.count, len(places))))
    os.makedirs(os.path.join(HERE, "out"), exist_ok=True)
    with open(os.path.join(HERE, "out", "manpage-differences.tsv"), "w", encoding="utf-8") as f:
        for n, j in chosen:
            lo, hi = max(0, j - 5), j + 6
            f.write(f"{lines[n][lo:hi]}\t{ours[n][lo:hi]}\t{peer[n][lo:hi]}\t"
                    f"{ours[n][j]}/{peer[n][j]}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
