"""Real Japanese text from what Debian packages install, for measuring and training the encoding
guess: manual pages, documentation and SKK dictionaries, as lists of documents (lists of lines).

Two disjoint sets of sources, so that what the guess learned from is never what it is checked on:
  corpus:   manpages-ja, aptitude-doc-ja, skkdic (SKK-JISYO.L)
  held-out: manpages-ja-dev, debian-edu-doc-ja, skkdic-extra (the name and place dictionaries)
Only characters that code page 932 (Python's 'cp932') and the program's EUC-JP (glibc's
EUC-JP-MS) both hold, each as the same character, are kept: lines with any other are dropped, so
that every snippet is valid text in all the encodings it is written in.
"""
import glob
import gzip
import html
import re
import subprocess
import unicodedata

SOURCES = {
    'corpus': [
        ('man', '/usr/share/man/ja/man[1-8]/*.gz', 'manpages-ja'),
        ('html', '/usr/share/doc/aptitude/html/ja/*.html', 'aptitude-doc-ja'),
        ('skk', '/usr/share/skk/SKK-JISYO.L', 'skkdic'),
    ],
    'held-out': [
        ('man', '/usr/share/man/ja/man[23]/*.gz', 'manpages-ja-dev'),
        ('html', '/usr/share/doc/debian-edu-doc-ja/*.html', 'debian-edu-doc-ja'),
        ('skk', '/usr/share/skk/SKK-JISYO.[gjp]*', 'skkdic-extra'),
    ],
}


def _dpkg_files(package):
    out = subprocess.run(['dpkg', '-L', package], capture_output=True, text=True)
    if out.returncode != 0:
        raise SystemExit(f'{package} is not installed: apt-get install {package}')
    return set(out.stdout.split('\n'))


def _man_lines(path):
    text = gzip.open(path, 'rb').read().decode('utf-8', 'replace')
    lines = []
    for line in text.split('\n'):
        if line.startswith(('.', "'")):
            continue
        line = re.sub(r'\\f(\[[^]]*\]|\(..|.)', '', line)
        line = re.sub(r'\\\((..)', '', line)
        line = line.replace('\\-', '-').replace('\\&', '').replace('\\e', '\\').replace('\\ ', ' ')
        lines.append(line)
    return lines


def _html_lines(path):
    text = open(path, encoding='utf-8', errors='replace').read()
    text = re.sub(r'(?is)<(script|style)[^>]*>.*?</\1>', '', text)
    text = html.unescape(re.sub(r'<[^>]*>', '', text))
    return [line.strip() for line in text.split('\n') if line.strip()]


def _skk_documents(path):
    text = open(path, 'rb').read().decode('euc_jis_2004', 'replace')
    lines = [line for line in text.split('\n') if line and not line.startswith(';')]
    # A dictionary is one long document: cut it into pieces of a few thousand lines.
    return [lines[i:i + 2000] for i in range(0, len(lines), 2000)]


def documents(which):
    """The documents of one set of sources, in a fixed order, by kind: {'man': [lines, ...], ...}."""
    docs = []
    for kind, pattern, package in SOURCES[which]:
        owned = _dpkg_files(package)
        for path in sorted(p for p in glob.glob(pattern) if p in owned):
            if kind == 'man':
                docs.append((kind, _man_lines(path)))
            elif kind == 'html':
                docs.append((kind, _html_lines(path)))
            else:
                docs.extend((kind, lines) for lines in _skk_documents(path))
    kept = _common_characters_only([lines for _, lines in docs])
    by_kind = {}
    for (kind, _), lines in zip(docs, kept):
        if lines is not None:
            by_kind.setdefault(kind, []).append(lines)
    return by_kind


def _common_characters_only(docs):
    seen = sorted({c for doc in docs for line in doc for c in line})
    kept = set()
    euc = []
    for c in seen:
        try:
            if c.encode('cp932').decode('cp932') != c:
                continue
            euc.append((c, c.encode('euc_jp')))
        except UnicodeEncodeError:
            continue
    # What glibc's EUC-JP-MS reads from Python's EUC-JP bytes, one character a line.
    read = subprocess.run(['iconv', '-c', '-f', 'EUC-JP-MS', '-t', 'UTF-8'],
                          input=b'\n'.join(b for _, b in euc), capture_output=True).stdout
    for (c, _), back in zip(euc, read.decode('utf-8').split('\n')):
        if back == c and (c >= ' ' or c == '\t') and c != '\x7f':
            kept.add(c)
    out = []
    for doc in docs:
        lines = [line for line in doc if all(c in kept for c in line)]
        out.append(lines if any(any(c >= '\x80' for c in line) for line in lines) else None)
    return out


def _half_width_map():
    # Every character JIS X 0201's katakana half holds, from the full-width form NFKC gives it.
    table = {}
    for code in range(0xFF61, 0xFFA0):
        half = chr(code)
        table[unicodedata.normalize('NFKC', half)] = half
    for code in range(0xFF76, 0xFF8F):  # voiced and semi-voiced: two half-width characters
        for mark in '\uFF9E\uFF9F':
            full = unicodedata.normalize('NFKC', chr(code) + mark)
            if len(full) == 1:
                table[full] = chr(code) + mark
    table['\u30F4'] = '\uFF73\uFF9E'  # ヴ
    return table


HALF_WIDTH = _half_width_map()


def half_width(text):
    """The text as old business data keeps it: katakana and its punctuation in half-width forms."""
    return ''.join(HALF_WIDTH.get(c, c) for c in text)
