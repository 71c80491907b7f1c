#!/usr/bin/env python3
"""Python chardet's verdict on each file named on standard input, one line each ('-' for none)."""
import sys

try:
    import chardet
except ImportError:
    sys.exit(3)
for path in sys.stdin.read().split('\n'):
    if path:
        with open(path, 'rb') as f:
            verdict = chardet.detect(f.read())['encoding']
        print(verdict or '-', flush=True)
