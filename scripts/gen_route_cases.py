#!/usr/bin/env python3
"""Writes tests/data/engine/routes.tsv: one conversion case per source code,
target code and typeface, with input and expected output in hex.

The expectations follow from what each route promises about the text, not
from the engine's steps: Traditional output is the Traditional text,
Simplified output the Simplified one, unchanged output the input's own
characters; Big5 output cannot hold Simplified characters, so those arrive
in their Traditional form. Byte-order marks: the input of a Unicode source
carries one, the output of a Unicode target gets one.
"""
import os

SIMPLIFIED = "我们的国家，后来发展。A1"
TRADITIONAL = "我們的國家，後來發展。A1"
# Simplified characters Big5 lacks, with the form Big5 output gives them.
BIG5_FORM = {"们": "們", "国": "國", "来": "來", "发": "發"}

CODES = ["ULE", "UBE", "UTF8", "GBK", "BIG5", "DEC", "HEX"]
FACES = ["T", "S", "D"]


def encode(text, code, bom):
    if code == "ULE":
        return (b"\xff\xfe" if bom else b"") + text.encode("utf-16-le")
    if code == "UBE":
        return (b"\xfe\xff" if bom else b"") + text.encode("utf-16-be")
    if code == "UTF8":
        return (b"\xef\xbb\xbf" if bom else b"") + text.encode("utf-8")
    if code == "GBK":
        return text.encode("cp936")
    if code == "BIG5":
        return text.encode("cp950")
    fmt = "&#{};" if code == "DEC" else "&#x{:X};"
    return "".join(c if ord(c) < 0x80 else fmt.format(ord(c)) for c in text).encode("ascii")


def main():
    rows = ["# source\ttarget\tface\tinput hex\texpected hex\t(expected text)"]
    for source in CODES[:5]:
        text = TRADITIONAL if source == "BIG5" else SIMPLIFIED
        for target in CODES:
            for face in FACES:
                if face == "T":
                    out = TRADITIONAL
                elif face == "S" and target != "BIG5":
                    out = SIMPLIFIED
                else:
                    out = text
                if target == "BIG5":
                    out = "".join(BIG5_FORM.get(c, c) for c in out)
                source_bytes = encode(text, source, True)
                expected = encode(out, target, target in ("ULE", "UBE", "UTF8"))
                rows.append("\t".join([source, target, face, source_bytes.hex(), expected.hex(), out]))
    path = os.path.join(os.path.dirname(__file__), "..", "tests", "data", "engine", "routes.tsv")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
