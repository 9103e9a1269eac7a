#!/usr/bin/env python3
"""Builds general_legacy.keys, the key table of the General (legacy) text sort order.

Usage:
    python3 src/mdb/index/sort_order/make_table.py \
        ../shared/fixtures/sort-order/index_codes_genleg.txt \
        ../shared/fixtures/sort-order/index_codes_ext_genleg.txt \
        src/mdb/index/sort_order/general_legacy.keys

Input: two text files with one line per UTF-16 code unit (0x0000-0x00FF in the first,
0x0100-0xFFFF without the surrogates 0xD800-0xDFFF in the second). A line is a kind letter
followed by comma-separated hexadecimal byte strings (a leading zero may be missing):
    X            ignored: the character adds nothing to the key
    S<in>        simple: inline bytes
    I<in>,<ex>   international: inline bytes plus bytes for the key's "extra" section
    U<un>        unprintable: bytes for the key's position-coded "unprintable" section
    P<mod>       a one-byte amount added to the last byte of the extra section
    Z<in>,<ex>,<f>  like I (extra may be empty) plus a 2-bit flag: "1" -> 2, otherwise 3
The surrogates have no line: their inline bytes are computed from the code unit.

Output (the format text_key.cpp reads; all counts little-endian): the magic "GLK1", then
records that cover the code units 0x0000-0xFFFF in order, each starting with a kind byte:
    'X' n:u16                      n ignored code units
    'S' n:u16 len:u8 bytes[len]    n simple code units; the first has these inline bytes,
                                   each next one the previous plus one (a big-endian number)
    'I' len:u8 bytes xlen:u8 xbytes                 one international code unit
    'U' len:u8 bytes                                 one unprintable code unit
    'P' mod:u8                                       one extra-modifier code unit
    'Z' len:u8 bytes xlen:u8 xbytes flag:u8          one code unit with a 2-bit flag
    'H' n:u16 / 'L' n:u16          n high / low surrogates (computed, no data)
Runs of simple codes make the table about twenty times smaller than the text it comes from.
The script reads its own output back and compares it with the input before writing it.
"""

import sys

FIRST_EXT = 0x100
SURROGATES = range(0xD800, 0xE000)


def hex_bytes(text, required=True):
    if text == "":
        if required:
            raise ValueError("empty code bytes")
        return b""
    if len(text) % 2:
        text = "0" + text
    return bytes.fromhex(text)


def parse_line(line):
    kind, fields = line[0], line[1:].split(",")
    expected = {"X": 1, "S": 1, "I": 2, "U": 1, "P": 1, "Z": 3}
    if kind not in expected or len(fields) != expected[kind]:
        raise ValueError("unexpected line %r" % line)
    if kind == "X":
        return ("X",)
    if kind == "S":
        return ("S", hex_bytes(fields[0]))
    if kind == "I":
        return ("I", hex_bytes(fields[0]), hex_bytes(fields[1]))
    if kind == "U":
        return ("U", hex_bytes(fields[0]))
    if kind == "P":
        mod = hex_bytes(fields[0])
        if len(mod) != 1:
            raise ValueError("unexpected line %r" % line)
        return ("P", mod[0])
    flag = 2 if fields[2] == "1" else 3
    return ("Z", hex_bytes(fields[0]), hex_bytes(fields[1], required=False), flag)


def read_codes(basic_path, ext_path):
    with open(basic_path, encoding="ascii") as f:
        basic = f.read().split("\n")
    with open(ext_path, encoding="ascii") as f:
        ext = f.read().split("\n")
    codes = [parse_line(line) for line in basic[:FIRST_EXT]]
    rest = iter(ext)
    for unit in range(FIRST_EXT, 0x10000):
        if unit in SURROGATES:
            codes.append(("H",) if unit < 0xDC00 else ("L",))
        else:
            codes.append(parse_line(next(rest)))
    if any(line for line in rest):
        raise ValueError("extra lines after 0xFFFF")
    return codes


def successor(code):
    value = int.from_bytes(code, "big") + 1
    if value >= 1 << (8 * len(code)):
        return None
    return value.to_bytes(len(code), "big")


def with_len(data):
    return bytes([len(data)]) + data


def encode(codes):
    out = bytearray(b"GLK1")
    i = 0
    while i < len(codes):
        code = codes[i]
        kind = code[0]
        n = 1
        if kind in "XHL":
            while i + n < len(codes) and codes[i + n][0] == kind and n < 0xFFFF:
                n += 1
            out += kind.encode() + n.to_bytes(2, "little")
        elif kind == "S":
            last = code[1]
            while i + n < len(codes) and n < 0xFFFF:
                nxt = codes[i + n]
                if nxt[0] != "S" or nxt[1] != successor(last):
                    break
                last = nxt[1]
                n += 1
            out += b"S" + n.to_bytes(2, "little") + with_len(code[1])
        elif kind == "I":
            out += b"I" + with_len(code[1]) + with_len(code[2])
        elif kind == "U":
            out += b"U" + with_len(code[1])
        elif kind == "P":
            out += b"P" + bytes([code[1]])
        else:
            out += b"Z" + with_len(code[1]) + with_len(code[2]) + bytes([code[3]])
        i += n
    return bytes(out)


def decode(data):
    """Reads the table back, the way the C++ loader does, to prove the file says the same."""
    if data[:4] != b"GLK1":
        raise ValueError("bad magic")
    pos, codes = 4, []

    def take(count):
        nonlocal pos
        chunk = data[pos:pos + count]
        if len(chunk) != count:
            raise ValueError("truncated")
        pos += count
        return chunk

    def take_len():
        return take(take(1)[0])

    while pos < len(data):
        kind = chr(take(1)[0])
        if kind in "XHL":
            codes += [(kind,)] * int.from_bytes(take(2), "little")
        elif kind == "S":
            n = int.from_bytes(take(2), "little")
            code = take_len()
            for _ in range(n):
                codes.append(("S", code))
                code = successor(code)
        elif kind == "I":
            codes.append(("I", take_len(), take_len()))
        elif kind == "U":
            codes.append(("U", take_len()))
        elif kind == "P":
            codes.append(("P", take(1)[0]))
        elif kind == "Z":
            codes.append(("Z", take_len(), take_len(), take(1)[0]))
        else:
            raise ValueError("unknown kind %r" % kind)
    return codes


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    codes = read_codes(argv[1], argv[2])
    data = encode(codes)
    if decode(data) != codes:
        sys.exit("the encoded table does not read back as the input")
    with open(argv[3], "wb") as f:
        f.write(data)
    print("%s: %d code units, %d bytes" % (argv[3], len(codes), len(data)))


if __name__ == "__main__":
    main(sys.argv)
