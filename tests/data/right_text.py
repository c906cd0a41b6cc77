#!/usr/bin/env python3
"""Checks the shipped correction tables on text whose right form is known.

    right_text.py TESSARIM

1. Text already in the target script (the translations in right-text/,
   packages the generator never read) converted again, with /f:t for
   Traditional and /f:s for Simplified: counts the Han characters the
   conversion changes, and fails when they are more than OpenCC changes on
   the same text (opencc -c s2tw, tw2s).
2. Sentences whose conversion with the tables went wrong once, or where one
   reading is certain: each must come out as written here.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# (file, our typeface, OpenCC's configuration)
RIGHT_TEXTS = [("zh-TW.txt", "t", "s2tw"), ("zh-CN.txt", "s", "tw2s")]

SENTENCES = {
    "t": [
        # keys that once began inside a word and changed what follows it
        ("Linux核心系统", "Linux核心系統"),
        ("万古云霄", "萬古雲霄"),
        ("只对表的格式", "只對表的格式"),
        # contexts that decide a character's reading
        ("三斗面", "三斗麵"),
        ("五斗米", "五斗米"),
        ("面酵", "麵酵"),
        ("河水就干了", "河水就乾了"),
        ("尽心尽性", "盡心盡性"),
        ("不准他们进来，又准他们出去", "不准他們進來，又准他們出去"),
        ("标准他们", "標準他們"),
        ("他的头与发皆白", "他的頭與髮皆白"),
        ("回转过来", "回轉過來"),
        ("凶杀", "凶殺"),
        ("这只猫戴着那只手表", "這隻貓戴著那隻手錶"),
        ("这只是衣服还没干", "這只是衣服還沒乾"),
        # the common readings still win
        ("头发", "頭髮"),
        ("开头发言", "開頭發言"),
        ("干部干活", "幹部幹活"),
        # Traditional text stays as it is
        ("字母後綴", "字母後綴"),
        ("不見復關", "不見復關"),
        ("成長發展", "成長發展"),
    ],
    "s": [
        ("基于单元", "基于单元"),
        ("位於倫敦", "位于伦敦"),
        ("瞭解", "了解"),
    ],
}

HAN = range(0x4E00, 0xA000)


def changed_han(before, after):
    """Han characters of `before` that `after` does not keep in place, line by
    line (both tools keep each line's length)."""
    count = 0
    for old, new in zip(before.split("\n"), after.split("\n")):
        count += sum(1 for a, b in zip(old, new) if a != b and ord(a) in HAN)
        count += abs(len(old) - len(new))
    return count


def tessarim(program, home, face, text, work):
    source, target = os.path.join(work, "in.txt"), os.path.join(work, "out.txt")
    with open(source, "w", encoding="utf-8") as f:
        f.write(text)
    subprocess.run([program, "/i:utf8", "/o:utf8", "/f:" + face, source, target],
                   env=dict(os.environ, TESSARIM_HOME=home), check=True, capture_output=True)
    with open(target, encoding="utf-8-sig") as f:
        return f.read()


def opencc(config, text):
    return subprocess.run(["opencc", "-c", config], input=text, capture_output=True,
                          text=True, check=True).stdout


def main():
    program = sys.argv[1]
    if not shutil.which("opencc"):
        print("SKIPPED: opencc is missing (Debian: opencc)")
        return 0
    failures = []
    with tempfile.TemporaryDirectory() as work:
        home = os.path.join(work, "home")  # empty: the program writes its default tables
        os.makedirs(home)
        for name, face, config in RIGHT_TEXTS:
            with open(os.path.join(HERE, "right-text", name), encoding="utf-8") as f:
                text = f.read()
            ours = changed_han(text, tessarim(program, home, face, text, work))
            peer = changed_han(text, opencc(config, text))
            print(f"{name} /f:{face}: {ours} Han characters changed, opencc -c {config}: {peer}")
            if ours > peer:
                failures.append(f"{name}: {ours} changes, more than OpenCC's {peer}")
        for face, cases in SENTENCES.items():
            results = tessarim(program, home, face, "\n".join(s for s, _ in cases), work)
            for (source, wanted), got in zip(cases, results.split("\n")):
                if got != wanted:
                    failures.append(f"/f:{face} {source}: {got}, wanted {wanted}")
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
