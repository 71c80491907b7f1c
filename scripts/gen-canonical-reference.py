#!/usr/bin/env python3
"""Writes the tables of codes that are not their character's canonical code, which the tests
compare the program's own (core/encoding/CanonicalCodes.cpp) against.

    scripts/gen-canonical-reference.py cp932 > tests/data/cp932/cp932-canonical.tsv
    scripts/gen-canonical-reference.py euc-jp > tests/data/eucjp/eucjp-canonical.tsv

A code's canonical code is what encoding the character it reads as writes. Both encodings are
read and written by glibc's converters ("CP932", "EUC-JP-MS"), called through ctypes rather
than through the program's tables. (Python's own "cp932" codec is no reference here: it writes
the NEC-selected IBM extensions in rows ED and EE, where Windows writes the IBM rows FA to FC.)
One "bytes<TAB>canonical" row for every code of one to three bytes that reads as one UTF-16
code unit and is not canonical.
"""
import ctypes
import ctypes.util
import sys


class Iconv:
    """One glibc converter: the whole of a byte string converted, or None."""

    _libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    _libc.iconv_open.restype = ctypes.c_void_p
    _libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    _libc.iconv.restype = ctypes.c_size_t
    _pointer, _size = ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)
    _libc.iconv.argtypes = [ctypes.c_void_p, _pointer, _size, _pointer, _size]

    def __init__(self, to, source):
        self.cd = self._libc.iconv_open(to.encode(), source.encode())

    def __call__(self, data):
        self._libc.iconv(self.cd, None, None, None, None)
        source, target = ctypes.create_string_buffer(data, len(data)), ctypes.create_string_buffer(16)
        in_at, in_left = ctypes.c_char_p(ctypes.addressof(source)), ctypes.c_size_t(len(data))
        out_at, out_left = ctypes.c_char_p(ctypes.addressof(target)), ctypes.c_size_t(16)
        failed = self._libc.iconv(self.cd, ctypes.byref(in_at), ctypes.byref(in_left),
                                  ctypes.byref(out_at), ctypes.byref(out_left))
        if failed == ctypes.c_size_t(-1).value or in_left.value:
            return None
        return target.raw[:16 - out_left.value]


def codes():
    yield from (bytes([a]) for a in range(256))
    yield from (bytes([a, b]) for a in range(256) for b in range(256))
    yield from (bytes([0x8F, a, b]) for a in range(0xA1, 0xFF) for b in range(0xA1, 0xFF))


def main():
    if sys.argv[1:] == ["cp932"]:
        decode, encode = Iconv("UTF-16LE", "CP932"), Iconv("CP932", "UTF-16LE")
    elif sys.argv[1:] == ["euc-jp"]:
        decode, encode = Iconv("UTF-16LE", "EUC-JP-MS"), Iconv("EUC-JP-MS", "UTF-16LE")
    else:
        sys.exit("usage: gen-canonical-reference.py cp932|euc-jp")
    print("# bytes\tcanonical: every code whose character is written as another code")
    for code in codes():
        units = decode(code)
        if units is None or len(units) != 2:
            continue
        written = encode(units)
        if written is not None and written != code and decode(written) == units:
            print(f"{code.hex().upper()}\t{written.hex().upper()}")


if __name__ == "__main__":
    main()
