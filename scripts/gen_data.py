#!/usr/bin/env python3
"""Writes Tessarim's built-in conversion data into a folder (default: data/).

    scripts/gen_data.py [--out DIR] [--opencc-dir DIR] [--quiet]

Files written:
  strtbl     GBK -> Big5 mapping text: per line a GBK code followed by one or
             more Big5 codes (two bytes each, lead byte first), LF line ends.
  cp936.tbl  code page 936 (GBK) as Python's cp936 codec carries it
  cp950.tbl  code page 950 (Big5) as Python's cp950 codec carries it
  testtbl1   146 frequent characters in Big5, for encoding detection
  testtbl2   the same characters, position by position, in GBK

Code page layout (all numbers little-endian 16-bit):
  126 x 191 Unicode values, one per lead byte 0x81..0xFE and trail byte
  0x40..0xFE in that order; 0 where the code page has no character.
  Then a count N and N pairs (Unicode value, code) for the encoder wherever
  it differs from inverting the table above (lowest code wins there), so
  one-way mappings such as U+00A2 -> Big5 A246 survive.

The Simplified -> Traditional correspondences come from OpenCC's data
(Debian's libopencc-data), dumped with opencc_dict: STCharacters gives the
candidates of a Simplified character, most usual first; TWVariants turns
them into the forms used in Taiwan, which Big5 holds; TSCharacters tells
which Simplified character a Traditional one goes back to.

The output depends only on these inputs: running the script twice gives the
same bytes.
"""

import argparse
import heapq
import os
import subprocess
import sys
import tempfile

OPENCC_DIR = "/usr/share/opencc"

# Detection samples: the same 146 frequent characters in Big5 and in GBK.
TESTTBL1 = (
    "，：。！？你那手已百千新內外我無只面先很用的一不如在人有中會是國為大十以出日行時上於市台二"
    "長之民業三前成他後及而員將對分法工發表來所五生可因了要下由事與四能也作主理這高天此多家定外者示"
    "（）又且令向心尚做作依個找告始些重幾知得公自正　直付同致特送退意學文說沒看提小子去信章道然現和清"
    "位經開再至題"
)
TESTTBL2 = (
    "，：。！？你那手已百千新内外我无只面先很用的一不如在人有中会是国为大十以出日行时上于市台二"
    "长之民业三前成他后及而员将对分法工发表来所五生可因了要下由事与四能也作主理这高天此多家定外者示"
    "（）又且令向心尚做作依个找告始些重几知得公自正　直付同致特送退意学文说没看提小子去信章道然现和清"
    "位经开再至题"
)

# Simplified characters whose line keeps an order of its own instead of
# OpenCC's. 干 stands for 幹, 乾 and 干 about equally often, so the character
# tables keep the glyph and leave the choice to the phrase fix tables.
PINNED_ORDER = {
    "干": "干幹乾",
}

# Big5 symbols that code page 936 lacks, with the GBK character they go back
# to (and which lists them after its own Big5 form).
BIG5_SYMBOL_FALLBACK = {
    "\u2027": "\uff0e",  # ‧ hyphenation point -> ． fullwidth full stop
    "\u00af": "\uffe3",  # ¯ macron -> ￣ fullwidth macron
    "\u02cd": "\uff3f",  # ˍ modifier low macron -> ＿ fullwidth low line
    "\u2574": "\u2500",  # ╴ light left -> ─ light horizontal
}

LEADS = range(0x81, 0xFF)
TRAILS = range(0x40, 0xFF)


def double_byte_chars(codec):
    """Every double-byte code the codec decodes, with its character."""
    table = {}
    for lead in LEADS:
        for trail in TRAILS:
            try:
                text = bytes([lead, trail]).decode(codec)
            except UnicodeDecodeError:
                continue
            if len(text) == 1:
                table[lead * 256 + trail] = text
    return table


def encoder(codec):
    """Character -> double-byte code, for every BMP character the codec encodes in two bytes."""
    result = {}
    for u in range(0x80, 0x10000):
        if 0xD800 <= u < 0xE000:
            continue
        try:
            raw = chr(u).encode(codec)
        except UnicodeEncodeError:
            continue
        if len(raw) == 2:
            result[chr(u)] = raw[0] * 256 + raw[1]
    return result


def code_page_table(codec):
    decoded = double_byte_chars(codec)
    out = bytearray()
    inverted = {}
    for lead in LEADS:
        for trail in TRAILS:
            code = lead * 256 + trail
            ch = decoded.get(code)
            out += (ord(ch) if ch else 0).to_bytes(2, "little")
            if ch and ch not in inverted:
                inverted[ch] = code
    extras = sorted(
        (ord(ch), code) for ch, code in encoder(codec).items() if inverted.get(ch) != code
    )
    out += len(extras).to_bytes(2, "little")
    for u, code in extras:
        out += u.to_bytes(2, "little") + code.to_bytes(2, "little")
    return bytes(out)


def dump_opencc(name, opencc_dir, workdir):
    """Reads one OpenCC dictionary as {key: [values]}."""
    text_path = os.path.join(workdir, name + ".txt")
    subprocess.run(
        ["opencc_dict", "-i", os.path.join(opencc_dir, name + ".ocd2"), "-o", text_path,
         "-f", "ocd2", "-t", "text"],
        check=True, stdout=subprocess.DEVNULL)
    table = {}
    with open(text_path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            key, values = line.split("\t")
            table[key] = values.split(" ")
    return table


def build_strtbl(gbk, big5, big5_code, st, tw, ts):
    """Returns the ordered lines as (GBK code, [Big5 codes]) and the number of same-character lines."""
    def taiwan(t):
        return tw.get(t, [t])[0]

    def in_big5(chars):
        codes = []
        for ch in chars:
            code = big5_code.get(ch)
            if code is not None and code not in codes:
                codes.append(code)
        return codes

    lines = {}          # GBK code -> [Big5 codes]
    simplified = set()  # GBK codes whose character has Traditional forms of its own
    for g in sorted(gbk):
        ch = gbk[g]
        forms = st.get(ch)
        if forms and forms != [ch]:
            simplified.add(g)
            if ch in PINNED_ORDER:
                candidates = list(PINNED_ORDER[ch])
            else:
                candidates = []
                for t in forms:
                    candidates += [taiwan(t), t]
            codes = in_big5(candidates)
        else:
            codes = in_big5([ch]) or in_big5([taiwan(ch)])
        if codes:
            lines[g] = codes

    gbk_code = {ch: g for g, ch in gbk.items()}

    # Where each Big5 character should go back to: its Simplified form when
    # OpenCC names one that GBK holds, else the same character.
    def back_target(t):
        for s in ts.get(t, []):
            if s in gbk_code and gbk_code[s] in lines:
                return gbk_code[s]
        if t in BIG5_SYMBOL_FALLBACK:
            return gbk_code[BIG5_SYMBOL_FALLBACK[t]]
        return gbk_code.get(t)

    # Every Big5 code, duplicates of a character included, goes back somewhere.
    big5_char = big5
    for b, t in sorted(big5_char.items()):
        target = back_target(t)
        if target is None or target not in lines:
            continue
        if b not in lines[target]:
            lines[target].append(b)

    # A Big5 code listed after the first place of a line serves only the way
    # back; keep it on its target line alone.
    for g, codes in lines.items():
        lines[g] = [codes[0]] + [b for b in codes[1:] if back_target(big5_char[b]) == g]

    # Order: plain lines first, Simplified ones after, each in code order; then
    # move every target line behind the other lines that list the same Big5
    # code, because the last line listing a code decides where it goes back.
    order = [g for g in sorted(lines) if g not in simplified] + sorted(simplified & lines.keys())
    position = {g: i for i, g in enumerate(order)}
    must_follow = {g: set() for g in order}
    listed_by = {}
    for g in order:
        for b in lines[g]:
            listed_by.setdefault(b, []).append(g)
    for b, owners in listed_by.items():
        target = back_target(big5_char[b])
        if target in owners:
            for g in owners:
                if g != target:
                    must_follow[target].add(g)
    waiting = {g: len(must_follow[g]) for g in order}
    followers = {g: [] for g in order}
    for g, before in must_follow.items():
        for f in before:
            followers[f].append(g)
    ready = [(position[g], g) for g in order if waiting[g] == 0]
    heapq.heapify(ready)
    result = []
    while ready:
        _, g = heapq.heappop(ready)
        result.append(g)
        for f in followers[g]:
            waiting[f] -= 1
            if waiting[f] == 0:
                heapq.heappush(ready, (position[f], f))
    if len(result) != len(order):
        raise SystemExit("gen_data: the reverse mapping has a cycle; cannot order strtbl")
    same = sum(1 for g in result if big5_char[lines[g][0]] == gbk[g])
    return [(g, lines[g]) for g in result], same


def encode_sample(text, codec):
    raw = text.encode(codec)
    assert len(raw) == 2 * len(text), codec
    return raw


def write_if_changed(path, content):
    try:
        with open(path, "rb") as f:
            if f.read() == content:
                return
    except FileNotFoundError:
        pass
    with open(path, "wb") as f:
        f.write(content)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "data"))
    parser.add_argument("--opencc-dir", default=OPENCC_DIR)
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()

    gbk = double_byte_chars("cp936")
    big5 = double_byte_chars("cp950")
    big5_code = encoder("cp950")
    with tempfile.TemporaryDirectory() as work:
        st = dump_opencc("STCharacters", args.opencc_dir, work)
        tw = dump_opencc("TWVariants", args.opencc_dir, work)
        ts = dump_opencc("TSCharacters", args.opencc_dir, work)

    lines, same = build_strtbl(gbk, big5, big5_code, st, tw, ts)
    strtbl = bytearray()
    for g, codes in lines:
        strtbl += g.to_bytes(2, "big")
        for b in codes:
            strtbl += b.to_bytes(2, "big")
        strtbl += b"\n"

    os.makedirs(args.out, exist_ok=True)
    write_if_changed(os.path.join(args.out, "strtbl"), bytes(strtbl))
    write_if_changed(os.path.join(args.out, "cp936.tbl"), code_page_table("cp936"))
    write_if_changed(os.path.join(args.out, "cp950.tbl"), code_page_table("cp950"))
    write_if_changed(os.path.join(args.out, "testtbl1"), encode_sample(TESTTBL1, "cp950"))
    write_if_changed(os.path.join(args.out, "testtbl2"), encode_sample(TESTTBL2, "cp936"))

    if args.quiet:
        return
    back = {}
    for g, codes in lines:
        for b in codes:
            back[b] = g
    in_gb2312 = sum(1 for g in back.values() if 0xA1 <= g >> 8 <= 0xF7 and g & 0xFF >= 0xA1)
    counts = {}
    for _, codes in lines:
        counts[len(codes)] = counts.get(len(codes), 0) + 1
    print(f"strtbl: {len(lines)} lines, {len(strtbl)} bytes")
    for n in sorted(counts):
        print(f"  lines with {n} Big5 code{'s' if n > 1 else ''}: {counts[n]}")
    print(f"  same-character lines: {same}; other lines: {len(lines) - same}")
    print(f"  Big5 codes listed: {len(back)}; going back into GB2312: {in_gb2312}, "
          f"into the GBK extension: {len(back) - in_gb2312}")


if __name__ == "__main__":
    sys.exit(main())
