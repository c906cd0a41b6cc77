#!/usr/bin/env python3
"""Writes the texts in correct Traditional and correct Simplified Chinese that
the correction tables are checked against: the Chinese translations of
Debian packages' messages (their .mo catalogs under /usr/share/locale).

    scripts/gather_right_text.py [--locale-dir DIR]

Two sets, from different packages, so that the check of the finished tables
runs on text the generator never saw:

  data/right-text/zh-TW.txt, zh-CN.txt   read by scripts/gen_fix_tables.py,
                                         which refuses entries that change
                                         these texts
  tests/data/right-text/zh-TW.txt, ...   converted by the test that counts
                                         the changes made to right text

Each file holds the lines of the translations with at least two Han
characters, in the catalog's order of message ids; the package versions are
listed in data/right-text/README.md. Rerun after a package update only on
purpose: the generator's output depends on these files.
"""
import argparse
import gettext
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# Message catalogs (text domains) of each set. The held-out set holds the GNU
# tools whose zh_TW catalogs showed the tables' damage first.
GUARD = ["apt", "bash", "binutils", "dpkg", "gettext-tools", "git", "glib20", "gnupg2",
         "gsettings-desktop-schemas", "gtk20", "gtk20-properties", "ld", "libc", "make",
         "shadow", "systemd", "wget"]
HELD_OUT = ["coreutils", "diffutils", "findutils", "grep", "sed", "tar"]

HAN = re.compile("[\u4e00-\u9fff]")


def catalog_lines(path):
    with open(path, "rb") as f:
        catalog = gettext.GNUTranslations(f)._catalog
    lines = []
    for msgid in sorted(catalog, key=str):
        if not msgid:  # the catalog's header
            continue
        for line in catalog[msgid].split("\n"):
            line = line.strip()
            if len(HAN.findall(line)) >= 2:
                lines.append(line)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--locale-dir", default="/usr/share/locale")
    args = parser.parse_args()
    for folder, domains in ((os.path.join(ROOT, "data", "right-text"), GUARD),
                            (os.path.join(ROOT, "tests", "data", "right-text"), HELD_OUT)):
        os.makedirs(folder, exist_ok=True)
        for locale in ("zh_TW", "zh_CN"):
            lines = []
            for domain in domains:
                path = os.path.join(args.locale_dir, locale, "LC_MESSAGES", domain + ".mo")
                lines += catalog_lines(path)
            name = locale.replace("_", "-") + ".txt"
            with open(os.path.join(folder, name), "w", encoding="utf-8", newline="\n") as f:
                f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
