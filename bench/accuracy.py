#!/usr/bin/env python3
"""Measures how well Simplified <-> Traditional conversion agrees with a
phrase-aware reference, on the texts of bench/corpus/.

    bench/accuracy.py [--build build] [--differences N] [--seed S]

For each direction it converts the same text with

  - Tessarim without correction tables (a settings folder whose tables hold
    no entries), GBK -> Big5 and UTF-8 -> UTF-8 /f:t (Big5 -> GBK and /f:s
    the other way);
  - Tessarim with the shipped tables (a fresh settings folder, into which the
    program writes its defaults);
  - autob5 / autogb of zh-autoconvert, a character-table converter,

and counts the Han characters of the reference, `opencc -c s2tw` (or tw2s),
that each result has in the same place. Only the lines that GBK (or Big5)
can hold are used, so that every tool sees the same text.

--differences N writes N places (drawn with the seed) where Tessarim with
its tables and the reference disagree, with context, for judging by hand.
"""
import argparse
import difflib
import os
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")

DIRECTIONS = [
    {
        "name": "Simplified -> Traditional",
        "files": ["prose.zh-cn.txt", "debian-faq.zh-cn.txt", "debian-reference.zh-cn.txt"],
        "samples": [("sample_gbk.txt", "cp936")],
        "codec": "cp936", "target_codec": "cp950", "code": "gbk", "target": "big5",
        "face": "t", "reference": "s2tw", "table": "b5fix.dat",
        "peer": ["autob5", "-i", "gb", "-o", "big5"],
    },
    {
        "name": "Traditional -> Simplified",
        "files": ["prose.zh-tw.txt", "debian-reference.zh-tw.txt"],
        "samples": [("sample_big5.txt", "cp950")],
        "codec": "cp950", "target_codec": "cp936", "code": "big5", "target": "gbk",
        "face": "s", "reference": "tw2s", "table": "gbfix.dat",
        "peer": ["autogb", "-i", "big5", "-o", "gb"],
    },
]

EMPTY_TABLE = b"-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n"


def is_han(ch):
    return "\u4e00" <= ch <= "\u9fff" or "\u3400" <= ch <= "\u4dbf"


def encodable(line, codec):
    try:
        line.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def corpus_text(direction):
    lines = []
    for name in direction["files"]:
        with open(os.path.join(CORPUS, name), encoding="utf-8") as f:
            lines += f.read().split("\n")
    for name, codec in direction["samples"]:
        with open(os.path.join(ROOT, "samples", name), "rb") as f:
            lines += f.read().decode(codec).replace("\r\n", "\n").split("\n")
    return "\n".join(line for line in lines if encodable(line, direction["codec"]))


def run_file(command, source, output, home=None):
    env = dict(os.environ)
    if home:
        env["TESSARIM_HOME"] = home
    result = subprocess.run(command + [source, output], env=env, capture_output=True)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stderr.decode(errors='replace')}")


def read(path, codec):
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    return data.decode(codec, errors="replace")


def agreement(result, reference):
    """(Han characters of the reference found in place, all Han characters, places that differ)."""
    agree = total = 0
    places = []
    for line_no, (ours, ref) in enumerate(zip(result.split("\n"), reference.split("\n"))):
        if len(ours) == len(ref):
            pairs = [(i, i) for i in range(len(ref))]
        else:  # a tool dropped or added characters: align the line
            matcher = difflib.SequenceMatcher(None, ours, ref, autojunk=False)
            pairs = [(b.a + k, b.b + k) for b in matcher.get_matching_blocks() for k in range(b.size)]
        matched = {j: i for i, j in pairs}
        for j, ch in enumerate(ref):
            if not is_han(ch):
                continue
            total += 1
            i = matched.get(j)
            if i is not None and ours[i] == ch:
                agree += 1
            else:
                places.append((line_no, j))
    return agree, total, places


def measure(direction, tessarim, work):
    text = corpus_text(direction)
    source = os.path.join(work, "source." + direction["code"])
    utf8 = os.path.join(work, "source.utf8")
    with open(source, "wb") as f:
        f.write(text.encode(direction["codec"]))
    with open(utf8, "wb") as f:
        f.write(text.encode("utf-8"))
    reference_path = os.path.join(work, "reference.utf8")
    subprocess.run(["opencc", "-c", direction["reference"], "-i", utf8, "-o", reference_path],
                   check=True)
    reference = read(reference_path, "utf-8")

    bare = os.path.join(work, "home-bare")
    shipped = os.path.join(work, "home-shipped")
    os.makedirs(bare)
    os.makedirs(shipped)
    with open(os.path.join(bare, direction["table"]), "wb") as f:
        f.write(EMPTY_TABLE)

    out = os.path.join(work, "out")
    rows = []
    results = {}
    for label, home in (("tessarim, no tables", bare), ("tessarim, shipped tables", shipped)):
        run_file([tessarim, "/i:" + direction["code"], "/o:" + direction["target"]],
                 source, out, home)
        results[label] = read(out, direction["target_codec"])
        rows.append((f"{label}, {direction['code']} -> {direction['target']}", results[label]))
        run_file([tessarim, "/i:utf8", "/o:utf8", "/f:" + direction["face"]], utf8, out, home)
        rows.append((f"{label}, utf-8 /f:{direction['face']}", read(out, "utf-8")))
    with open(source, "rb") as f, open(out, "wb") as o:
        subprocess.run(direction["peer"], stdin=f, stdout=o, check=True)
    rows.append((" ".join(direction["peer"][:1]), read(out, direction["target_codec"])))

    print(f"{direction['name']}: agreement with opencc -c {direction['reference']}")
    for label, result in rows:
        agree, total, _ = agreement(result, reference)
        print(f"  {label:<44} {agree:7d} / {total:<7d} {100 * agree / total:8.3f} %")
    return text, reference, results["tessarim, shipped tables"]


def write_differences(path, count, seed, measured):
    """Places where Tessarim with its tables and the reference disagree."""
    rng = random.Random(seed)
    with open(path, "w", encoding="utf-8") as f:
        for name, (text, reference, ours) in measured.items():
            _, _, places = agreement(ours, reference)
            chosen = sorted(rng.sample(places, min(count, len(places))))
            f.write(f"# {name}: {len(chosen)} of {len(places)} differences\n")
            f.write("# source\ttessarim\treference\n")
            src_lines, ref_lines = text.split("\n"), reference.split("\n")
            our_lines = ours.split("\n")
            for line_no, j in chosen:
                lo, hi = max(0, j - 6), j + 7
                f.write(f"{src_lines[line_no][lo:hi]}\t{our_lines[line_no][lo:hi]}\t"
                        f"{ref_lines[line_no][lo:hi]}\n")
    print(f"Differences written to {path}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--differences", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    tessarim = os.path.join(os.path.abspath(args.build), "tessarim")
    measured = {}
    with tempfile.TemporaryDirectory(prefix="tessarim-accuracy-") as work:
        for direction in DIRECTIONS:
            folder = os.path.join(work, direction["reference"])
            os.makedirs(folder)
            measured[direction["name"]] = measure(direction, tessarim, folder)
            print()
    if args.differences:
        write_differences(os.path.join(HERE, "out", "differences.tsv"), args.differences,
                          args.seed, measured)
    return 0


if __name__ == "__main__":
    sys.exit(main())
