#!/usr/bin/env python3
"""Writes Tessarim's default correction tables b5fix.dat and gbfix.dat.

    scripts/gen_fix_tables.py [--out DIR] [--strtbl FILE] [--opencc-dir DIR] [--quiet]

The character tables (data/strtbl) convert one character at a time, so they
go wrong wherever one character stands for several: 头发 becomes 頭發 instead
of 頭髮. A correction table maps what the character tables produce for such a
phrase to its correct form, in the bytes of the target encoding:

  b5fix.dat  Big5, applied after conversion to Traditional. Phrases from
             OpenCC's STPhrases, corrected as `opencc -c s2tw` writes them
             (Taiwan-standard characters, no change of vocabulary).
  gbfix.dat  GBK, applied after conversion to Simplified. Phrases from
             TSPhrases and TWVariantsRevPhrases, and the characters of
             TSCharacters and TWVariantsRev, corrected as `opencc -c tw2s`.

The program applies a table by scanning the text once: at each character the
first entry (in the loader's order, longest key first among keys that begin
alike) whose key matches is replaced and the scan goes on behind it. Beside
the corrections themselves a table therefore holds entries that change
nothing but keep the scan from starting a correction in the middle of a word:

  - a phrase whose characters convert right on their own, but which holds
    (or overlaps the start of) the key of another correction, so that the
    scan takes the phrase whole as OpenCC's longest-match segmentation does;
  - the contexts of WORD_BOUNDARIES, where that segmentation itself splits
    a sentence at the wrong place (开头发言 is 开头 + 发言, not 头发).

CONTEXTS adds what no phrase list holds: contexts where one reading of a
character is certain (三斗面 is 三斗麵, 河水就干了 is 河水就乾了).

A key is text in the target script, so it also matches text already in that
script, where it may mean something else (母後 -> 母后 inside 字母後綴). The
table is therefore checked against right text (data/right-text/, written by
gather_right_text.py): an entry that spoils it at least as often as it puts
it right is refused.

The entries are found by running a model of the program's scan over every
phrase until it converts each one as the reference does. The output depends
only on strtbl, the right text, OpenCC's dictionaries and OpenCC's
converter: running the script twice gives the same bytes.
"""

import argparse
import os
import subprocess
import sys
import tempfile

from gen_data import dump_opencc  # the same OpenCC dictionaries, read the same way

OPENCC_DIR = "/usr/share/opencc"

# Contexts where a correction key spans two words, with "|" at the word
# boundary (Simplified text for b5fix, Traditional for gbfix). Each becomes an
# entry that converts the two words separately.
WORD_BOUNDARIES = {
    "s2tw": [
        "头|发言",  # 开头发言, 带头发言: 头 + 发言, not 头发 (hair)
        "这|只有",  # 这 + 只有 (only), not 这只 (this one, of animals)
        "这|只能",
        "这|只要",
        "被|发",  # 被发送, 被发布: the passive 被; 被髮 lives on in idioms only
        "被|复制",  # 被 + 复制, not 被复 (reply)
        "被|复印",
        "并|为",  # 并为此努力: 并 (and) + 为
        "并|发布",  # 并 + 发布, not 并发 (concurrent)
        "并|发出",
        "并|发送",
        "制|表示",  # 十进制表示: 进制 + 表示, not 制表 (tabulate)
        "参数|里",  # 参数 + 里 (inside), not 数里 (some miles)
        "参数|里面",
        "函数|里",
        "函数|里面",
        "系统|制作",  # 系统 + 制作: not 统制 (control)
        "系统|制造",
        # 表明了, 声明了: the particle 了 after a verb in 明, not 明了 (clear)
        "表明|了",
        "声明|了",
        "查明|了",
        "标明|了",
        "阐明|了",
        "写明|了",
        "讲明|了",
        "发明|了",
        "指明|了",
        "聪明|了",
    ],
    "tw2s": [
    ],
}

# Contexts the phrase lists lack, where one reading of a character is certain:
# (Simplified contexts, the character they decide, its form there). Every
# other character of a context takes the reference's form.
NUMERALS = "一二三四五六七八九十两几半数"
WET = ("水", "河", "湖", "海", "井", "塘", "泉", "泪", "池", "土地", "田地", "大地", "地面",
       "地上", "衣服", "衣裳", "头发", "嗓子", "喉咙", "嘴唇", "油漆", "墨", "泥", "颜料")
# what 只 counts: animals, and things that come one of a pair or alone
ONE_OF = ("猫", "狗", "鸟", "鸡", "鸭", "鹅", "羊", "兔", "猪", "牛", "马", "老虎",
          "狮子", "熊", "猴", "虫", "蚂蚁", "蝴蝶", "苍蝇", "蚊子", "老鼠", "青蛙", "鱼",
          "手", "脚", "眼", "耳朵", "鞋", "袜子", "手套", "船", "箱子", "杯子", "碗")
CONTEXTS = {
    "s2tw": [
        # a numeral and 斗 before grain: the dry measure, not a fight
        ([n + "斗" + grain for n in NUMERALS for grain in "米面麦粮豆粟酒"],
         "斗", "斗"),
        # flour and leaven
        ([n + "斗面" for n in NUMERALS] + ["面酵", "细面"] +
         [n + unit + "面" for n in NUMERALS for unit in "斤袋"], "面", "麵"),
        # water that has run dry, things that have dried
        ([wet + adverb + "干了" for wet in WET
          for adverb in ("", "就", "都", "已", "也", "早", "快", "全", "便")] +
         [wet + "还没干" for wet in WET], "干", "乾"),
        (["尽性"], "尽", "盡"),
        # to permit someone
        (["准" + person for person in ("他", "她", "你", "我", "它", "您")],
         "准", "准"),
        ([head + "与发" + after for head in "头须" for after in "皆都全俱"], "发", "髮"),
        # to turn back, as against to rotate
        (["回转过", "回转来", "回转身", "回转头", "回转去"], "回", "回"),
        # a reply, where 回复 may also be "restore"
        (["回复" + after
          for after in ("给", "邮件", "消息", "信", "他", "她", "你", "我", "您")],
         "复", "覆"),
        # this or that one (of animals and single things), not "only"
        ([which + "只" + thing for which in "这那哪每" for thing in ONE_OF],
         "只", "隻"),
        # the Taiwan standard writes 凶 for a violent death
        (["凶杀"], "凶", "凶"),
    ],
    "tw2s": [
    ],
}

# The phrases that are taken whole because a key that starts inside them
# changes what follows them are the two-character words. Longer ones changed
# nothing on 780,000 Han characters of manual pages, and every entry costs
# the scan time.
SHORT_WORD = 2

# Changes no entry may make, whatever the reference does. In Simplified text
# 于 ends a word (位于, 属于, 关于, 对于) far more often than 於 begins a name,
# so a name's entry 于伦 -> 於伦 would spoil 位于伦敦 and 位於倫敦.
FORBIDDEN_CHANGES = {"s2tw": [], "tw2s": [("于", "於")]}

HEADING = b"-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n"


def opencc_convert(config, opencc_dir, texts):
    """Converts each text on its own line with OpenCC's converter."""
    result = subprocess.run(
        ["opencc", "-c", os.path.join(opencc_dir, config + ".json")],
        input="\n".join(texts) + "\n", capture_output=True, text=True, check=True)
    lines = result.stdout.split("\n")[:len(texts)]
    if len(lines) != len(texts):
        raise SystemExit("gen_fix_tables: opencc returned fewer lines than it was given")
    return lines


class CharacterTable:
    """The program's character tables for one direction, read from strtbl."""

    def __init__(self, strtbl, to_traditional):
        self.source_codec, self.target_codec = ("cp936", "cp950") if to_traditional \
            else ("cp950", "cp936")
        self.mapping = {}
        for line in strtbl.split(b"\n"):
            if len(line) < 4:
                continue
            gbk = line[0] * 256 + line[1]
            big5 = [line[i] * 256 + line[i + 1] for i in range(2, len(line) - 1, 2)]
            if to_traditional:
                self.mapping[gbk] = big5[0]
            else:
                for code in big5:
                    self.mapping[code] = gbk
        self.cache = {}

    def char(self, ch):
        """What the tables make of one character; a character they do not
        reach comes through unchanged, as the program's repair step keeps it."""
        result = self.cache.get(ch)
        if result is None:
            result = ch
            try:
                raw = ch.encode(self.source_codec)
            except UnicodeEncodeError:
                raw = b""
            code = self.mapping.get(raw[0] * 256 + raw[1]) if len(raw) == 2 else None
            if code is not None:
                try:
                    result = bytes([code >> 8, code & 0xFF]).decode(self.target_codec)
                except UnicodeDecodeError:
                    pass
            self.cache[ch] = result
        return result

    def convert(self, text):
        return "".join(self.char(ch) for ch in text)


def encodable(text, codec):
    try:
        text.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def only_double_byte(text, codec):
    """True when every character is one double-byte code of the codec."""
    try:
        return len(text.encode(codec)) == 2 * len(text)
    except UnicodeEncodeError:
        return False


class FixTable:
    """A model of the program's fix table: entries grouped by first character,
    each group in the loader's order (descending bytes of the whole line)."""

    def __init__(self, codec):
        self.codec = codec
        self.entries = {}  # key -> replacement
        self.groups = None

    def add(self, key, value):
        self.entries[key] = value
        self.groups = None

    def line(self, key):
        return key.encode(self.codec) + b"," + self.entries[key].encode(self.codec)

    def _group(self):
        self.groups = {}
        for key in sorted(self.entries, key=self.line, reverse=True):
            self.groups.setdefault(key[0], []).append(key)

    def remove(self, key):
        del self.entries[key]
        self.groups = None

    def matches(self, text):
        """(position, key) of every entry the scan applies to the text."""
        if self.groups is None:
            self._group()
        i = 0
        while i < len(text):
            for key in self.groups.get(text[i], ()):
                if text.startswith(key, i):
                    yield i, key
                    i += len(key)
                    break
            else:
                i += 1

    def apply(self, text):
        out = []
        done = 0
        for i, key in self.matches(text):
            out.append(text[done:i])
            out.append(self.entries[key])
            done = i + len(key)
        out.append(text[done:])
        return "".join(out)

    def serialize(self):
        lines = sorted(self.line(key) for key in self.entries)
        return HEADING + b"".join(line + b"\r\n" for line in lines)


def wanted_forms(sources, table, codec):
    """{what the tables produce: correct form} for the sources.

    Where several sources come out as the same text, the tables' choice stands
    if it is right for one of them (the character tables list the usual form
    first); otherwise the first source in code order decides.
    """
    by_produced = {}
    for text in sorted(sources):
        produced = table.convert(text)
        if only_double_byte(produced, codec):
            by_produced.setdefault(produced, []).append(sources[text])
    return {produced: produced if produced in corrects else corrects[0]
            for produced, corrects in by_produced.items()}


def damage(fix, samples):
    """{key: [characters it spoils, characters it puts right]} where the scan
    applies the table to the samples, (what the character tables make of a
    text, the right text) pairs."""
    counts = {}
    for produced, right in samples:
        for i, key in fix.matches(produced):
            value = fix.entries[key]
            for j, (was, now) in enumerate(zip(key, value)):
                if was != now:
                    count = counts.setdefault(key, [0, 0])
                    if now == right[i + j]:
                        count[1] += 1
                    elif was == right[i + j]:
                        count[0] += 1
    return counts


def extend_contexts(decided, words):
    """A context whose last character begins a two-character word that the
    tables correct (这只手 of 这只手表) would cut the word: such a context
    also gets an entry that takes the word's second character."""
    second = {}  # first character -> two-character words the tables correct
    for word, correct in words.items():
        if len(word) == 2 and correct[1] != word[1]:
            second.setdefault(word[0], []).append(word)
    extended = dict(decided)
    for key, correct in decided.items():
        for word in second.get(key[-1], ()):
            extended[key + word[1]] = correct + words[word][1]
    return extended


def build(phrases, table, codec, boundaries, chars, contexts, right_samples, forbidden=()):
    """The correction table for a direction.

    phrases: {text: correct form} of whole phrases as the reference converts
    them; chars likewise for single characters; contexts likewise, from
    CONTEXTS, above the reference. table: the character table. right_samples:
    (what the character tables make of a text, the right text) pairs.
    forbidden: (character, form) changes no entry may make.
    Returns the FixTable and counts of its kinds of entries.
    """
    fix = FixTable(codec)
    counts = {"characters": 0, "phrases": 0, "contexts": 0, "whole words": 0,
              "word boundaries": 0}

    # Characters whose usual form differs from the character table's choice,
    # then phrases the character tables get wrong.
    words = wanted_forms(phrases, table, codec)
    decided = extend_contexts(
        {table.convert(text): correct for text, correct in contexts.items()}, words)
    words.update(decided)
    for kind, wanted in (("characters", wanted_forms(chars, table, codec)), ("phrases", words)):
        for produced, correct in sorted(wanted.items()):
            if produced != correct:
                fix.add(produced, correct)
                counts["contexts" if produced in decided else kind] += 1

    # Contexts where longest-match segmentation splits the sentence wrongly:
    # each is converted word by word, and its entry takes the place of the
    # phrase entry that would cross the word boundary.
    for produced, correct in boundaries:
        fix.add(produced, correct)
        counts["word boundaries"] += 1

    # Entries that make a forbidden change are refused, and so are entries
    # whose key stands in right text with another meaning (母後 of 字母後綴,
    # 于单 of 基于单元), unless they put right more characters there than
    # they spoil. A single character is the table's usual form, not a claim
    # about its context, and stays.
    refused = {key for key, value in fix.entries.items()
               if any(change in forbidden for change in zip(key, value))}
    for key in refused:
        fix.remove(key)
    while True:
        counts["whole words"] += take_words_whole(fix, words, refused)
        harmful = sorted(key for key, (spoiled, righted) in damage(fix, right_samples).items()
                         if len(key) > 1 and spoiled >= max(1, righted))
        if not harmful:
            break
        for key in harmful:
            fix.remove(key)
            refused.add(key)
    counts["refused"] = len(refused)
    return fix, counts


def take_words_whole(fix, words, refused):
    """Adds the phrases that come out wrong because the scan does not take
    them whole: another entry starts inside them, or starts inside and runs
    past their end while changing characters of the phrase, or, for a phrase
    of up to SHORT_WORD characters, any character (核心 before 心系 -> 心繫
    spoils 核心系統, 萬古 before 古雲 -> 古云 spoils 萬古雲霄). Such a phrase
    gets an entry of its own, so that the scan takes it whole as the
    reference's longest-match segmentation does. Entries added here can
    affect others: repeats until every phrase converts right. Returns how
    many it added."""
    total = 0
    while True:
        crossing = {}  # proper prefix -> keys that begin with it
        for key in fix.entries:
            for n in range(1, len(key)):
                crossing.setdefault(key[:n], []).append(key)
        added = {}
        for produced, correct in sorted(words.items()):
            if produced in fix.entries or produced in refused:
                continue
            if fix.apply(produced) != correct or any(
                    fix.entries[key][:len(produced) - j] != correct[j:]
                    or (fix.entries[key] != key and len(produced) <= SHORT_WORD)
                    for j in range(1, len(produced))
                    for key in crossing.get(produced[j:], ())):
                added[produced] = correct
        if not added:
            return total
        for key, value in added.items():
            fix.add(key, value)
        total += len(added)


def reference_pairs(texts, config, opencc_dir, source_codec, target_codec):
    """{text: reference conversion} for the texts both encodings can hold."""
    texts = sorted(t for t in set(texts) if only_double_byte(t, source_codec))
    converted = opencc_convert(config, opencc_dir, texts)
    return {t: c for t, c in zip(texts, converted)
            if len(c) == len(t) and only_double_byte(c, target_codec)}


def boundary_entries(config, opencc_dir, table):
    """(what the tables produce, correct form) for each listed word boundary:
    the two words are converted on their own and joined."""
    pairs = [context.split("|") for context in WORD_BOUNDARIES[config]]
    converted = opencc_convert(config, opencc_dir, [word for pair in pairs for word in pair])
    return [(table.convert(left + right), converted[2 * i] + converted[2 * i + 1])
            for i, (left, right) in enumerate(pairs)]


def context_pairs(config, opencc_dir):
    """{text: correct form} of CONTEXTS: the reference's form, with the
    decided character in its decided form."""
    decided = {}  # text -> {character: its form there}
    for texts, char, form in CONTEXTS[config]:
        for text in texts:
            decided.setdefault(text, {})[char] = form
    texts = sorted(decided)
    return {text: "".join(decided[text].get(c, t) for c, t in zip(text, reference))
            for text, reference in zip(texts, opencc_convert(config, opencc_dir, texts))}


def right_samples(folder, locale, back_config, opencc_dir, table, source_codec, target_codec):
    """(what the character tables make of it, the right text) pairs for the
    lines of the texts in correct target script (folder/*<locale>.txt): once
    converted back to the source script first, once as it stands (converting
    text that is already in the target script must leave it as it is)."""
    lines = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(locale + ".txt"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                lines += [line for line in f.read().split("\n") if encodable(line, target_codec)]
    samples = []
    for line, source in zip(lines, opencc_convert(back_config, opencc_dir, lines)):
        if len(source) == len(line) and encodable(source, source_codec):
            samples.append((table.convert(source), line))
        samples.append((table.convert(line), line))
    return samples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--out", default=os.path.join(here, "..", "data"))
    parser.add_argument("--strtbl", default=os.path.join(here, "..", "data", "strtbl"))
    parser.add_argument("--opencc-dir", default=OPENCC_DIR)
    parser.add_argument("--right-text", default=os.path.join(here, "..", "data", "right-text"))
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()

    with open(args.strtbl, "rb") as f:
        strtbl = f.read()
    with tempfile.TemporaryDirectory() as work:
        dicts = {name: dump_opencc(name, args.opencc_dir, work) for name in (
            "STPhrases", "STCharacters", "TWVariants", "TSPhrases", "TSCharacters",
            "TWVariantsRev", "TWVariantsRevPhrases")}

    s2tw_phrases = reference_pairs(
        dicts["STPhrases"], "s2tw", args.opencc_dir, "cp936", "cp950")
    s2tw_chars = reference_pairs(
        list(dicts["STCharacters"]) + list(dicts["TWVariants"]), "s2tw", args.opencc_dir,
        "cp936", "cp950")
    to_traditional = CharacterTable(strtbl, True)
    b5fix, b5counts = build(
        s2tw_phrases, to_traditional, "cp950",
        boundary_entries("s2tw", args.opencc_dir, to_traditional), s2tw_chars,
        context_pairs("s2tw", args.opencc_dir),
        right_samples(args.right_text, "zh-TW", "tw2s", args.opencc_dir,
                      to_traditional, "cp936", "cp950"),
        FORBIDDEN_CHANGES["s2tw"])

    tw2s_phrases = reference_pairs(
        list(dicts["TSPhrases"]) + list(dicts["TWVariantsRevPhrases"]), "tw2s",
        args.opencc_dir, "cp950", "cp936")
    tw2s_chars = reference_pairs(
        list(dicts["TSCharacters"]) + list(dicts["TWVariantsRev"]), "tw2s",
        args.opencc_dir, "cp950", "cp936")
    to_simplified = CharacterTable(strtbl, False)
    gbfix, gbcounts = build(
        tw2s_phrases, to_simplified, "cp936",
        boundary_entries("tw2s", args.opencc_dir, to_simplified), tw2s_chars,
        context_pairs("tw2s", args.opencc_dir),
        right_samples(args.right_text, "zh-CN", "s2tw", args.opencc_dir,
                      to_simplified, "cp950", "cp936"),
        FORBIDDEN_CHANGES["tw2s"])

    os.makedirs(args.out, exist_ok=True)
    for name, fix in (("b5fix.dat", b5fix), ("gbfix.dat", gbfix)):
        content = fix.serialize()
        path = os.path.join(args.out, name)
        try:
            with open(path, "rb") as f:
                if f.read() == content:
                    continue
        except FileNotFoundError:
            pass
        with open(path, "wb") as f:
            f.write(content)

    if not args.quiet:
        for name, fix, counts in (("b5fix.dat", b5fix, b5counts),
                                  ("gbfix.dat", gbfix, gbcounts)):
            detail = ", ".join(f"{kind} {n}" for kind, n in counts.items())
            print(f"{name}: {len(fix.entries)} entries ({detail})")


if __name__ == "__main__":
    sys.exit(main())
