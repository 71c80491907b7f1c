#!/usr/bin/env python3
"""Writes the EUC-JP reference table the tests compare the EUC-JP codec against.

    scripts/gen-eucjp-reference.py > tests/data/eucjp/eucjp-decode.tsv

Every byte sequence of one to three bytes that Python's own "euc_jp" codec decodes to a single
UTF-16 code unit, one "bytes<TAB>utf16" row each. Python's tables are independent of glibc's,
which the codec draws on; the test lists where the two differ and why.
"""


def sequences():
    yield from (bytes([b]) for b in range(256))
    yield from (bytes([0x8E, b]) for b in range(0xA1, 0xFF))
    rows = range(0xA1, 0xFF)
    yield from (bytes([a, b]) for a in rows for b in rows)
    yield from (bytes([0x8F, a, b]) for a in rows for b in rows)


def main():
    print("# bytes\tutf16: every sequence Python's euc_jp codec decodes to one code unit")
    for code in sequences():
        try:
            text = code.decode("euc_jp")
        except UnicodeDecodeError:
            continue
        units = text.encode("utf-16-le")
        if len(units) == 2:
            print(f"{code.hex().upper()}\t{int.from_bytes(units, 'little'):04X}")


if __name__ == "__main__":
    main()
