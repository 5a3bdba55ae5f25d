#!/usr/bin/env python3
"""Writes crafted media files that once ended the player or made it allocate
what a file only claimed.  Usage: crafted_files.py GOOD_OGG OUT_FOLDER

  text_bomb.png     41 bytes: a text chunk that claims 0x7FFFFFF0 bytes
  side_bomb.png     declares 16384 x 16384 pixels, holds one row of them
  lying_end.ogg     GOOD_OGG whose last page claims 0x1FFFFFFF frames
  overfull.ogg      GOOD_OGG whose first codebook's code lengths overfill
                    its code tree (libvorbis once divided by zero on it)
"""
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


SIGNATURE = b"\x89PNG\r\n\x1a\n"


def ihdr(side):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 0, 0, 0, 0))


def pages(data):
    at, found = 0, []
    while at + 27 <= len(data) and data[at:at + 4] == b"OggS":
        segments = data[at + 26]
        body = sum(data[at + 27:at + 27 + segments])
        found.append((at, 27 + segments, body))
        at += 27 + segments + body
    return found


def restamp(data, page):
    start, header, body = page
    data[start + 22:start + 26] = b"\0\0\0\0"
    crc = 0
    for byte in data[start:start + header + body]:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    data[start + 22:start + 26] = struct.pack("<I", crc)


def overfull(data):
    start, header, body = pages(data)[1]
    comment = 0
    for lace in data[start + 27:start + header]:
        comment += lace
        if lace < 255:
            break
    setup = start + header + comment
    bit = [7 * 8]

    def read(n):
        value = 0
        for i in range(n):
            value |= ((data[setup + bit[0] // 8] >> (bit[0] % 8)) & 1) << i
            bit[0] += 1
        return value

    def zero(n):
        for _ in range(n):
            data[setup + bit[0] // 8] &= ~(1 << (bit[0] % 8)) & 0xFF
            bit[0] += 1

    read(8)
    assert read(24) == 0x564342, "no codebook where the first one belongs"
    read(16)
    entries = read(24)
    assert read(1) == 0, "the first codebook is ordered"
    sparse = read(1)
    for _ in range(entries):
        if sparse and not read(1):
            continue
        zero(5)
    restamp(data, (start, header, body))


def main():
    good, out = sys.argv[1], sys.argv[2]
    with open(f"{out}/text_bomb.png", "wb") as f:
        f.write(SIGNATURE + ihdr(1) + struct.pack(">I", 0x7FFFFFF0) + b"tEXt")
    row = zlib.compress(b"\0" * (1 + 16384), 9)
    with open(f"{out}/side_bomb.png", "wb") as f:
        f.write(SIGNATURE + ihdr(16384) + chunk(b"IDAT", row) + chunk(b"IEND", b""))
    original = open(good, "rb").read()
    lying = bytearray(original)
    last = pages(lying)[-1]
    lying[last[0] + 6:last[0] + 14] = struct.pack("<Q", 0x1FFFFFFF)
    restamp(lying, last)
    open(f"{out}/lying_end.ogg", "wb").write(lying)
    broken = bytearray(original)
    overfull(broken)
    open(f"{out}/overfull.ogg", "wb").write(broken)


if __name__ == "__main__":
    main()
