#!/usr/bin/env python3
"""Every Chinese manual page of Debian's manpages-zh through the command line.

For each page: the detected code; the page converted to GBK and back to UTF-8
with detection left to the program, compared byte for byte with the page; and
the page converted to GBK with the code given, compared with iconv's GBK.
The Traditional pages (zh_TW) go through Big5 and back the same way, their
characters unchanged (/f:d). A page holding characters the code lacks (iconv
refuses it) cannot come back unchanged; the program must then say how many it
replaced. A Simplified character Big5 lacks but GBK holds is written in its
Traditional form, not replaced, so it needs no word.

    bench/manpages_round.py [--every N] build/tessarim [folder of pages]

With --every N only every N-th page is taken (the test suite's sample). Exits
77 when there are no pages (manpages-zh not installed), 1 on any difference.
"""
import collections
import gzip
import os
import subprocess
import sys
import tempfile


def run(*args):
    return subprocess.run(args, capture_output=True, env=ENV)


ENV = dict(os.environ)


def marks_added(text, big5_path):
    """Whether the Big5 page holds more replacement marks than the page."""
    with open(big5_path, "rb") as f:
        written = f.read().decode("cp950", errors="replace")
    page = text.decode("utf-8", errors="replace")
    return sum(written.count(m) for m in "?\u25a1") > sum(page.count(m) for m in "?\u25a1")


def main():
    args = sys.argv[1:]
    every = 1
    if args[:1] == ["--every"]:
        every, args = int(args[1]), args[2:]
    program = os.path.abspath(args[0])
    roots = args[1:] or ["/usr/share/man/zh_CN", "/usr/share/man/zh_TW"]
    pages = sorted(os.path.join(folder, name) for root in roots
                   for folder, _, names in os.walk(root) for name in names)[::every]
    if not pages:
        print("no pages: manpages-zh is not installed (scripts/install-deps.sh test)")
        return 77
    detected = collections.Counter()
    changed, iconv_same, iconv_differs, iconv_refuses, unreported = [], 0, [], [], []
    big5_pages, big5_changed, big5_lacking = 0, [], 0
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, TESSARIM_HOME=work)
        ENV.update(env)
        page_path = os.path.join(work, "page")
        gbk_path = os.path.join(work, "page.gbk")
        back_path = os.path.join(work, "page.back")
        given_path = os.path.join(work, "given.gbk")
        big5_path = os.path.join(work, "page.b5")
        big5_back_path = os.path.join(work, "page.b5.back")
        for page in pages:
            opener = gzip.open if page.endswith(".gz") else open
            with opener(page, "rb") as f:
                text = f.read()
            with open(page_path, "wb") as f:
                f.write(text)
            code = subprocess.run([program, "--detect", page_path], capture_output=True,
                                  env=env).stdout.decode().rsplit(": ", 1)[-1].strip()
            detected[code] += 1
            there = run(program, "/o:GBK", page_path, gbk_path)
            subprocess.run([program, "-q", "/o:UTF8", gbk_path, back_path], env=env, check=False)
            if "/zh_TW/" in page:
                big5_pages += 1
                big5 = run(program, "/o:BIG5", "/f:d", page_path, big5_path)
                subprocess.run([program, "-q", "/o:UTF8", big5_path, big5_back_path], env=env)
                if run("iconv", "-f", "UTF-8", "-t", "CP950", page_path).returncode != 0:
                    big5_lacking += 1
                    if b" replaced by " not in big5.stderr and marks_added(text, big5_path):
                        unreported.append(page)
                else:
                    with open(big5_back_path, "rb") as f:
                        if f.read() != text:
                            big5_changed.append(page)
            reference = run("iconv", "-f", "UTF-8", "-t", "GBK", page_path)
            with open(back_path, "rb") as f:
                if f.read() != text and reference.returncode == 0:
                    changed.append(page)
            if reference.returncode != 0:
                iconv_refuses.append(page)
                if b" replaced by " not in there.stderr:
                    unreported.append(page)
                continue
            subprocess.run([program, "-q", "/i:UTF8", "/o:GBK", page_path, given_path], env=env)
            with open(given_path, "rb") as f:
                if f.read() == reference.stdout:
                    iconv_same += 1
                else:
                    iconv_differs.append(page)
    print(f"pages: {len(pages)}")
    print("detected: " + ", ".join(f"{code} {count}" for code, count in detected.most_common()))
    print(f"GBK and back with detection, changed: {len(changed)}")
    for page in changed[:20]:
        print(f"  {page}")
    print(f"UTF-8 to GBK as iconv writes it: {iconv_same} same, {len(iconv_differs)} differ")
    for page in iconv_differs[:20]:
        print(f"  {page}")
    print(f"holding characters GBK lacks: {len(iconv_refuses)}, "
          f"replacements not reported: {len(unreported)}")
    for page in iconv_refuses[:20]:
        print(f"  {page}")
    print(f"zh_TW pages through Big5 and back: {big5_pages}, changed: {len(big5_changed)}, "
          f"holding characters Big5 lacks: {big5_lacking}")
    for page in big5_changed[:20]:
        print(f"  {page}")
    return 1 if changed or iconv_differs or unreported or big5_changed else 0


if __name__ == "__main__":
    sys.exit(main())
