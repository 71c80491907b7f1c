#!/usr/bin/env python3
"""Writes the encoding guess's benchmark corpus: snippets of real Japanese text (japanese_text.py)
in every encoding the program reads, normal and with half-width katakana, in four size buckets.

    bench/guess/make-corpus.py OUT [--set corpus|held-out] [--per-cell N] [--seed S]

Files are OUT/ENCODING/VARIANT/BUCKET/NNNN.txt, where ENCODING is one of ansi (code page 932),
euc-jp, utf-8, utf-8-nobom, utf-16le, utf-16le-nobom, VARIANT is normal or half-width, and BUCKET
the file's size in bytes (mark included): 8-32, 32-128, 128-1024, 1024-8192. Every snippet holds
at least one character outside ASCII (and, in the half-width variant, one half-width katakana).
"""
import argparse
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import japanese_text  # noqa: E402

# The codec, the mark and the line end: files in code page 932 and UTF-16LE, written on
# Windows, end their lines in CR LF.
ENCODINGS = {
    'ansi': ('cp932', b'', '\r\n'),
    'euc-jp': ('euc_jp', b'', '\n'),
    'utf-8': ('utf-8', b'\xef\xbb\xbf', '\n'),
    'utf-8-nobom': ('utf-8', b'', '\n'),
    'utf-16le': ('utf-16-le', b'\xff\xfe', '\r\n'),
    'utf-16le-nobom': ('utf-16-le', b'', '\r\n'),
}
BUCKETS = [(8, 32), (32, 128), (128, 1024), (1024, 8192)]


def snippet(rng, docs, codec, mark, line_end, low, high, variant):
    """A piece of a random document starting at a line, as bytes of a size in [low, high)."""
    size = int(math.exp(rng.uniform(math.log(low), math.log(high))))
    while True:
        kind = rng.choice(sorted(docs))
        lines = rng.choice(docs[kind])
        start = rng.randrange(len(lines))
        text = line_end.join(lines[start:start + 2 + high // 8]) + line_end
        if variant == 'half-width':
            text = japanese_text.half_width(text)
        data = bytearray(mark)
        for c in text:
            encoded = c.encode(codec)
            if len(data) + len(encoded) > size:
                break
            data += encoded
        if len(data) < max(low, size - 4):
            continue
        chosen = data[len(mark):].decode(codec)
        if not any(c >= '\x80' for c in chosen):
            continue
        if variant == 'half-width' and not any('\uFF61' <= c <= '\uFF9F' for c in chosen):
            continue
        return bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('out')
    parser.add_argument('--set', default='corpus', choices=sorted(japanese_text.SOURCES))
    parser.add_argument('--per-cell', type=int, default=100)
    parser.add_argument('--seed', type=int, default=20)
    args = parser.parse_args()
    docs = japanese_text.documents(args.set)
    rng = random.Random(args.seed)
    count = 0
    for encoding, (codec, mark, line_end) in ENCODINGS.items():
        for variant in ('normal', 'half-width'):
            for low, high in BUCKETS:
                folder = os.path.join(args.out, encoding, variant, f'{low}-{high}')
                os.makedirs(folder, exist_ok=True)
                for n in range(args.per_cell):
                    with open(os.path.join(folder, f'{n:04d}.txt'), 'wb') as f:
                        f.write(snippet(rng, docs, codec, mark, line_end, low, high, variant))
                    count += 1
    print(f'{count} files in {args.out}')


if __name__ == '__main__':
    main()
