#!/usr/bin/env python3
"""Runs two builds of the command line on the same inputs and reports every
difference in output bytes, messages or exit status.

    scripts/compare_builds.py OLD_TESSARIM NEW_TESSARIM [--work DIR]

The inputs are the texts of bench/corpus in GBK, Big5, UTF-8, UTF-16LE and
UTF-16BE, a copy of them all several blocks long, and random bytes dense in
lead bytes, "?", line ends and numeric references; each goes to every code
with every typeface. Each build has a settings folder of its own, so both
start from the built-in correction tables. For a change meant to be fast and
nothing else: exits 1 when anything differs.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CODES = {"gbk": "cp936", "big5": "cp950", "utf8": "utf-8", "ule": "utf-16-le", "ube": "utf-16-be"}
FACES = (["/f:t"], ["/f:s"], ["/f:d"], [])


def inputs(folder):
    corpus = os.path.join(ROOT, "bench", "corpus")
    texts = [open(os.path.join(corpus, n), "rb").read().decode("utf-8")
             for n in sorted(os.listdir(corpus)) if n.endswith(".txt")]
    texts.append("".join(texts) * 8)  # several blocks of 1,024,000 bytes
    for i, text in enumerate(texts):
        for code, codec in CODES.items():
            path = os.path.join(folder, f"text{i}.{code}")
            with open(path, "wb") as f:
                f.write(text.encode(codec, errors="replace"))
            yield path, code
    rng = random.Random(5)
    for i in range(6):
        path = os.path.join(folder, f"random{i}")
        with open(path, "wb") as f:
            f.write(bytes(rng.choice(b"\xa4\xa1\x40\xb0\xc4\xe3?\r\n a&#;x1F") for _ in range(300000)))
        yield path, "gbk" if i % 2 else "big5"


def run(binary, home, source, target, arguments, output):
    if os.path.exists(output):
        os.remove(output)
    result = subprocess.run([binary] + arguments + [source, output],
                            env=dict(os.environ, TESSARIM_HOME=home), capture_output=True)
    written = open(output, "rb").read() if os.path.exists(output) else None
    messages = result.stdout.replace(os.path.basename(output).encode(), b"OUTPUT")
    return result.returncode, messages, result.stderr, written


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--work")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="tessarim-compare-")
    folders = {name: os.path.join(work, name) for name in ("in", "home-old", "home-new")}
    for folder in folders.values():
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    runs = differences = 0
    for source, code in list(inputs(folders["in"])):
        for target in CODES:
            for face in FACES:
                arguments = [f"/i:{code}", f"/o:{target}"] + face
                old = run(args.old, folders["home-old"], source, target, arguments,
                          os.path.join(work, "old.out"))
                new = run(args.new, folders["home-new"], source, target, arguments,
                          os.path.join(work, "new.out"))
                runs += 1
                if old != new:
                    differences += 1
                    print(f"differs: {' '.join(arguments)} {os.path.basename(source)}")
    if not args.work:
        shutil.rmtree(work)
    print(f"{runs} runs, {differences} differing")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
