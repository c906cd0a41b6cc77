#!/usr/bin/env python3
"""The correction-table generator's rules on small made-up inputs: which
entries it refuses, which words it takes whole, and that contexts win over
the reference. Needs only python3 and data/strtbl."""
import os
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))

from gen_fix_tables import CharacterTable, build  # noqa: E402

with open(os.path.join(ROOT, "data", "strtbl"), "rb") as f:
    TABLE = CharacterTable(f.read(), True)


def table_for(phrases, right_texts=(), contexts=None):
    """Builds a Big5 table; right_texts are (Simplified, right Traditional)."""
    samples = [(TABLE.convert(source), right) for source, right in right_texts]
    return build(phrases, TABLE, "cp950", [], {}, contexts or {}, samples)[0]


def convert(fix, simplified):
    return fix.apply(TABLE.convert(simplified))


class Generator(unittest.TestCase):
    def test_entry_that_spoils_right_text_is_refused(self):
        # 母后 (empress dowager) against 字母後綴, in both the Simplified form
        # and the Traditional text converted again
        fix = table_for({"母后": "母后", "头发": "頭髮"},
                        [("字母后缀", "字母後綴"), ("字母後綴", "字母後綴")])
        self.assertEqual(convert(fix, "字母后缀"), "字母後綴")
        self.assertEqual(fix.apply("字母後綴"), "字母後綴")
        self.assertEqual(convert(fix, "头发"), "頭髮")

    def test_entry_that_rights_more_than_it_spoils_stays(self):
        right = [("回复邮件", "回覆郵件"), ("回复来信", "回覆來信"),
                 ("回复原状", "回復原狀")]
        fix = table_for({"回复": "回覆"}, right)
        self.assertEqual(convert(fix, "回复"), "回覆")
        fix = table_for({"回复": "回覆"}, right + [("回复原状", "回復原狀")])
        self.assertEqual(convert(fix, "回复"), "回復")

    def test_short_word_is_taken_whole_before_a_key_that_changes_what_follows(self):
        fix = table_for({"核心": "核心", "心系": "心繫",
                         "万古": "萬古", "古云": "古云"})
        self.assertEqual(convert(fix, "核心系统"), "核心系統")
        self.assertEqual(convert(fix, "万古云霄"), "萬古雲霄")
        self.assertEqual(convert(fix, "心系灾区"), "心繫災區")
        self.assertEqual(convert(fix, "古云"), "古云")

    def test_context_wins_over_the_reference_and_keeps_words_whole(self):
        fix = table_for({"凶杀": "兇殺", "标准": "標準"},
                        contexts={"凶杀": "凶殺", "准他": "准他"})
        self.assertEqual(convert(fix, "凶杀"), "凶殺")
        self.assertEqual(convert(fix, "准他们"), "准他們")
        self.assertEqual(convert(fix, "标准他们"), "標準他們")


if __name__ == "__main__":
    unittest.main()
