#!/usr/bin/env python3
"""Writes the reference comparison keys that tests/core/CompareKeysTest.cpp checks Run's keys
against, made with Python's own Unicode data, apart from ICU which the program uses:

    scripts/gen-compare-keys.py > tests/data/unicode/compare-keys.tsv

Rows are "option<TAB>text<TAB>key", texts and keys as hex code points separated by spaces.
Rows "nfc-unstable<TAB>code point<TAB>" name the assigned BMP code points that text in NFC
cannot hold in every context: those NFC changes alone, those of a combining class other than
0 (which NFC may reorder), and those that compose with a character before them.
For every assigned code point (surrogates aside) whose one-character key differs from itself
there is a row; the test takes every other one as its own key. The width rows also hold each
halfwidth katakana followed by a halfwidth voiced or semi-voiced sound mark, which compose, and
two combining marks that NFC reorders.
"""
import sys
import unicodedata

ASSIGNED = [c for c in range(0x110000) if unicodedata.category(chr(c)) not in ("Cn", "Cs")]


def white_space(ch):
    # str.isspace also takes the four information separators U+001C..U+001F (by their
    # bidirectional class), which lack the White_Space property.
    return ch.isspace() and not "\x1c" <= ch <= "\x1f"


def width(text):
    def one(ch):
        decomposition = unicodedata.decomposition(ch).split()
        if decomposition and decomposition[0] in ("<wide>", "<narrow>"):
            return "".join(chr(int(h, 16)) for h in decomposition[1:])
        return ch
    return unicodedata.normalize("NFC", "".join(one(ch) for ch in text))


def kana(text):
    # A katakana letter or mark compares as the hiragana of the same name, where one exists.
    def one(ch):
        name = unicodedata.name(ch, "")
        if 0x30A0 <= ord(ch) <= 0x30FF and name.startswith("KATAKANA "):
            try:
                return unicodedata.lookup("HIRAGANA " + name[len("KATAKANA "):])
            except KeyError:
                pass
        return ch
    return "".join(one(ch) for ch in text)


def nfc_unstable():
    # The second characters of the canonical pairs that NFC composes, Hangul jamo included.
    seconds = set()
    for c in ASSIGNED:
        parts = unicodedata.decomposition(chr(c)).split()
        if len(parts) == 2 and not parts[0].startswith("<"):
            pair = "".join(chr(int(h, 16)) for h in parts)
            if unicodedata.normalize("NFC", pair) == chr(c):
                seconds.add(pair[1])
    unstable = []
    for c in ASSIGNED:
        ch = chr(c)
        if c > 0xFFFF:
            break
        composes = ch in seconds or any(
            unicodedata.normalize("NFC", first + ch) != first + ch for first in ("\u1100", "\uAC00"))
        if unicodedata.combining(ch) or unicodedata.normalize("NFC", ch) != ch or composes:
            unstable.append(c)
    return unstable


def hex_text(text):
    return " ".join(f"{ord(ch):04X}" for ch in text)


def main():
    out = sys.stdout
    out.write(f"# Unicode {unicodedata.unidata_version}; assigned code points, surrogates aside:"
              f" {len(ASSIGNED)}\n")
    out.write("# option\ttext\tkey\n")
    for c in ASSIGNED:
        if white_space(chr(c)):
            out.write(f"space\t{c:04X}\t\n")
    for c in nfc_unstable():
        out.write(f"nfc-unstable\t{c:04X}\t\n")
    texts = [chr(c) for c in ASSIGNED]
    halfwidth_kana = [chr(c) for c in range(0xFF66, 0xFF9E)]
    texts_with_marks = [k + m for k in halfwidth_kana for m in ("\uFF9E", "\uFF9F")]
    # Two ideographic tone marks out of their canonical order (classes 228, 218), which NFC sorts.
    texts_with_marks.append("x\u302B\u302A")
    for name, key, extra in (("width", width, texts_with_marks), ("kana", kana, []),
                             ("case", str.casefold, [])):
        for text in texts + extra:
            if key(text) != text:
                out.write(f"{name}\t{hex_text(text)}\t{hex_text(key(text))}\n")


if __name__ == "__main__":
    main()
