#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target, tests/fuzz/corpus/<target>/.

Seeds are small inputs in each target's input layout (option bytes first, see
the comment at the top of each tests/fuzz/*Fuzz.cpp) made from the project's
own samples (samples/, tests/data/detect/), so the fuzzers start from real
Chinese text in every code, web pages with charset declarations and
references, the default masks, a settings file and fix tables as people write
them, and the command lines of the usage text.
"""
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus")

ULE, UBE, UTF8, GBK, BIG5, DEC, HEX = range(7)
T, S, D = range(3)


def read(*parts):
    with open(os.path.join(ROOT, *parts), "rb") as f:
        return f.read()


def text(name, chars=160):
    """The first characters of a detection sample, as a str."""
    return read("tests", "data", "detect", name).decode("utf-8")[:chars]


SIMPLIFIED = text("diary-s.txt")
TRADITIONAL = text("diary-t.txt")
MARKET = text("market-s.txt", 120)
PAGE = ('<html><head><META http-equiv="Content-Type" content="text/html; charset=GB2312">'
        "<meta charset=\"x-unicode-2-0-utf-8\"></head><body>")
REFERENCES = "&#20013;&#x4e2d;&#X4E2D;&#65;&#233;&#65535;&#70000;&#abc;&#20013;&#x1F600;& #1;&#12"


def encode(s, code, bom=False):
    if code == ULE:
        return (b"\xff\xfe" if bom else b"") + s.encode("utf-16-le")
    if code == UBE:
        return (b"\xfe\xff" if bom else b"") + s.encode("utf-16-be")
    if code == UTF8:
        return (b"\xef\xbb\xbf" if bom else b"") + s.encode("utf-8")
    return s.encode("cp936" if code == GBK else "cp950", errors="replace")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def stream_flags(face, fix_html=False, bom=False, start=True, refs=True, more=False):
    return face | fix_html << 2 | bom << 3 | start << 4 | refs << 5 | more << 6


def convert_stream():
    cases = {
        "gbk-big5-t": (GBK, BIG5, stream_flags(T), encode(SIMPLIFIED, GBK)),
        "big5-gbk-s": (BIG5, GBK, stream_flags(S), encode(TRADITIONAL, BIG5)),
        "gbk-utf8-bom": (GBK, UTF8, stream_flags(D, bom=True), encode(SIMPLIFIED, GBK)),
        "ule-gbk-s": (ULE, GBK, stream_flags(S), encode(MARKET, ULE, True)),
        "ube-big5-t": (UBE, BIG5, stream_flags(T), encode(MARKET, UBE, True)),
        "utf8-hex": (UTF8, HEX, stream_flags(D), encode(MARKET + "\U0001F600", UTF8, True)),
        "big5-dec": (BIG5, DEC, stream_flags(D), encode(TRADITIONAL[:40], BIG5)),
        "big5-big5-s": (BIG5, BIG5, stream_flags(S), encode(TRADITIONAL[:60], BIG5)),
        "page-gbk-big5": (GBK, BIG5, stream_flags(T, fix_html=True),
                          encode(PAGE + SIMPLIFIED[:40] + REFERENCES, GBK)),
        "page-ule-utf8": (ULE, UTF8, stream_flags(S, fix_html=True, bom=True),
                          encode(PAGE + REFERENCES, ULE, True)),
        "gbk-block-end": (GBK, ULE, stream_flags(D, more=True),
                          encode(SIMPLIFIED[:30], GBK) + b"\xc4&#200"),
        "utf8-block-end": (UTF8, UBE, stream_flags(D, more=True),
                           encode(MARKET[:30], UTF8) + b"\xe4\xbd"),
        "ule-untouched": (ULE, ULE, stream_flags(D, refs=False), encode(MARKET, ULE, True)),
    }
    for name, (source, target, flags, data) in cases.items():
        write("convert_stream", name, bytes([source, target, flags]) + data)


def file_blocks():
    def flags(face, fix_html=False, bom=False, refs=True):
        return face | fix_html << 2 | bom << 3 | refs << 4

    long_simplified = text("diary-s.txt", 600)
    long_traditional = text("diary-t.txt", 600)
    cases = {
        "gbk-big5-t": (GBK, BIG5, flags(T), 0, encode(long_simplified, GBK)),
        "big5-gbk-s": (BIG5, GBK, flags(S), 10, encode(long_traditional, BIG5)),
        "ule-utf8-bom": (ULE, UTF8, flags(D, bom=True), 3,
                         encode(long_simplified + "\U0001F600" * 20, ULE, True)),
        "ube-gbk-refs": (UBE, GBK, flags(D), 7, encode((MARKET + REFERENCES) * 3, UBE, True)),
        "utf8-ube-refs": (UTF8, UBE, flags(T, bom=True), 1,
                          encode((MARKET + REFERENCES) * 3, UTF8, True)),
        "gbk-utf8-refs": (GBK, UTF8, flags(D), 2, encode((SIMPLIFIED + REFERENCES) * 3, GBK)),
        "big5-hex": (BIG5, HEX, flags(D), 4, encode(long_traditional, BIG5)),
    }
    for name, (source, target, fl, block, data) in cases.items():
        write("file_blocks", name, bytes([source, target, fl, block]) + data)


def detect():
    for name in ("diary-s.gbk", "diary-t.big5", "market-s.utf16le", "market-s.utf16be",
                 "market-s.utf8bom", "market-s.txt", "short-s.gbk", "short-t.big5"):
        write("detect", name.replace(".", "-"), read("tests", "data", "detect", name)[:1500])
    write("detect", "ascii", b"plain ASCII text, no Chinese at all\r\n")


def html_refs():
    page = PAGE + "<p>" + REFERENCES + "</p><meta charset=big5></body></html>"
    for index, code in enumerate((GBK, BIG5, UTF8)):
        write("html_refs", "page-bytes-%d" % index, bytes([code << 1]) + page.encode("ascii"))
    write("html_refs", "page-units", bytes([1 | ULE << 1]) + encode(page + MARKET[:20], ULE))


def masks():
    ignore = ("*.exe,*.dll,*.com,*.sys,*.vxd,*.drv,*.zip,*.rar,*.xl?,*.bmp,*.gif,*.jp*g,*.tif*,"
              "*.hlp,*.chm,*.pdf,*.au,*.mid,*.wav,*.mp3,*.class,*.swf,*.pp?,*.doc,*.mdb,*.r*m")
    cases = [(m, "setup" + m.replace("*", "x").replace("?", "s")) for m in ignore.split(",")[:10]]
    cases += [("*.htm*", "index.html"), ("[a-c]x", "bx"), ("(xyz)", "y"), ("#*", "*"),
              ("*.doc", "a.docx"), ("(!abc)d", "xd"), ("!ab", "cb"), ("a?" * 8, "abababab"),
              ("*a*a*a*b", "a" * 40), ("[!a-z]*.txt", "1.txt")]
    for index, (mask, name) in enumerate(cases):
        data = bytes([len(mask)]) + mask.encode() + name.encode() + b"\0" + b".bak"
        write("masks", "mask-%02d" % index, data)


def settings():
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"

    def name(s):
        return bytes(alphabet.index(c) for c in s)

    ini = ("[Data]\r\nLang=2\r\nSound=1\r\nIgnore=*.exe,*.dll,*.zip\r\nFix_UNN=0x1\r\n"
           "ClipFont=SimSun,12,-16777208,134\r\nWaveFile=\"  spaced.wav  \"\r\n\r\n"
           "[SendKeysAfrMsg]\r\nCount=1\r\nKey1=[ENTER]\r\n\r\n[HotKey_0]\r\nVirtkey=12\r\n")
    cases = {
        "replace-value": ("Data", "Fix_UNN", "Ignore", "0", ini.encode()),
        "new-key": ("Data", "AddBOMtoUTF8", "Lang", " spaced ", ini.encode()),
        "new-section": ("HotKey_3", "Enabled", "Virtkey", "1", ini.encode()),
        "bom-and-lf": ("data", "LANG", "sound", "'quoted'",
                       b"\xef\xbb\xbf" + ini.replace("\r\n", "\n").encode()),
        "empty-file": ("Data", "Ignore", "HtmlType", "*.htm*,*.shtm*", b""),
    }
    for case, (section, key, other, value, body) in cases.items():
        data = bytes([len(section), len(key), len(other)]) + name(section) + name(key) + name(other)
        write("settings", case, data + value.encode() + b"\0" + body)


def fix_tables():
    head = "layout\r\nfind,replace\r\n"
    big5 = (head + "台,臺\r\n台灣,臺灣\r\n\"台 北\",\"臺北\"\r\n\"a\"\"b\",c\r\n\"unclosed,x\r\n"
            "abc,xyz\r\n,no key\r\n刪除\r\n").encode("cp950")
    gbk = (head + "发,發\r\n头发,頭髮\r\n\"后 来\" 後來\r\n一,\r\n").encode("cp936")
    single = (head + "们,們\r\n").encode("cp936")
    cases = {
        "big5-table": (0, big5, ("台灣的台北，abc" + TRADITIONAL[:40]).encode("cp950")),
        "gbk-table": (1, gbk, ("头发后来发现一个" + SIMPLIFIED[:40]).encode("cp936")),
        "gbk-one-entry": (1, single, (SIMPLIFIED[:60]).encode("cp936")),
        "headings-only": (0, head.encode(), TRADITIONAL[:20].encode("cp950")),
    }
    for name, (flag, table, sample) in cases.items():
        data = bytes([flag, len(table) >> 8, len(table) & 0xFF]) + table + sample
        write("fix_tables", name, data)


def command_line():
    cases = [
        ["/i:big5", "/o:ule", "/f:s", "test.txt"],
        ["/o:gbk", "a.txt"],
        ["/O:GBK", "/i:xyz", "a.txt", "b.txt"],
        ["/i:xyz", "/i:BIG5", "/o:ULE", "a.txt"],
        ["/i:GBK", "/i:BIG5", "/o:ULE", "a.txt"],
        ["/o:ULE", "*.txt;*.htm", "out/*.u16"],
        ["/o:UTF-8", "a.txt"],
        ["/i:gbk", "/o:big5", "/data/report.txt", "/out/x??.*"],
        ["/o:BIG5", "/f:S", "a.txt"],
        ["/o:gbk", "文件.txt", "输出/*_新.b5"],
        ["/o:utf8", "\"quoted name.txt\"", "noext", "*"],
    ]
    for index, args in enumerate(cases):
        write("command_line", "args-%02d" % index, "\0".join(args).encode("utf-8"))


def main():
    convert_stream()
    file_blocks()
    detect()
    html_refs()
    masks()
    settings()
    fix_tables()
    command_line()


if __name__ == "__main__":
    main()
