#!/usr/bin/env python3
"""Writes the fuzzers' seed inputs.

fuzz/seeds, the decoder's: one small picture a depth, and long files of several read buffers
with small line pads, which random growth reaches slowly. Layout of an input: flags, offset,
width, height (32-bit little-endian), depth, 4 field bits, 4 shifts, line pad, [long-file
size], then the file's bytes.

fuzz/guess-seeds, the layout guess's: small files with rows, a header, DXT1 blocks, with and
without hints. Layout: which hints (bits 1 depth, 2 offset, 4 width, 8 line pad, 16 repeat
the bytes), then the hints given (depth 1 byte, the others 32-bit little-endian), [repeat
length, 1 byte], then the file's bytes."""
import os
import random
import struct

LONG_FILE = 128
SWAP_FIELD = 4
BIG_ENDIAN = 2


def seed(flags, offset, width, height, depth, pad, long_size=None, body=64, bits=(5, 6, 5, 0),
         shifts=(0, 8, 16, 24)):
    data = struct.pack("<BIIIB", flags, offset, width, height, depth)
    data += bytes(bits) + bytes(shifts) + struct.pack("<I", pad)
    if long_size is not None:
        data += struct.pack("<I", long_size)
    rng = random.Random(flags * 1000003 + depth * 7919 + pad)
    return data + bytes(rng.randrange(256) for _ in range(body))


def main():
    folder = os.path.join(os.path.dirname(__file__), "..", "fuzz", "seeds")
    seeds = {
        "depth1-swap": seed(SWAP_FIELD, 32, 4, 20, 0, 0),
        "depth4-big-endian": seed(BIG_ENDIAN, 33, 17, 9, 1, 1),
        "depth8": seed(0, 32, 13, 7, 2, 2),
        "depth16-r5g5b5a1": seed(0, 33, 11, 5, 3, 1, bits=(5, 5, 5, 1), shifts=(10, 5, 0, 15)),
        "dxt1": seed(0, 32, 9, 9, 6, 0, body=200),
        "long-depth24-pad3": seed(LONG_FILE, 35, 77, 4000, 4, 3, long_size=150000),
        "long-depth32-pad1": seed(LONG_FILE, 33, 79, 4000, 5, 1, long_size=190000),
        "long-depth16-pad2": seed(LONG_FILE, 34, 71, 4000, 3, 2, long_size=100000),
    }
    write_all(folder, seeds)
    write_all(os.path.join(os.path.dirname(__file__), "..", "fuzz", "guess-seeds"), guess_seeds())


def smooth_rows(width, height, channels):
    return bytes((x * 5 + y * 3 + c * 40 + (x * y) % 7) & 255
                 for y in range(height) for x in range(width) for c in range(channels))


def dxt1_blocks(count):
    rng = random.Random(count)
    data = b""
    for i in range(count):
        first = 0x8000 + (i * 37) % 0x4000
        data += struct.pack("<HHI", first, first - 0x0841, rng.randrange(1 << 32))
    return data


def guess_seeds():
    header = b"DDS " + struct.pack("<I", 124) + bytes(120)
    return {
        "rows-24bit": bytes([0]) + smooth_rows(20, 12, 3),
        "header-8bit": bytes([0]) + bytes(range(18)) + smooth_rows(30, 20, 1),
        "dxt1-behind-header": bytes([0]) + header + dxt1_blocks(16),
        "hinted-1bit": bytes([1 | 4, 0]) + struct.pack("<I", 24) + bytes([0xF0, 0x0F, 0x3C] * 16),
        "hinted-offset-pad": bytes([2 | 8]) + struct.pack("<II", 6, 2) + smooth_rows(16, 16, 2),
        "repeated": bytes([16, 255]) + smooth_rows(10, 4, 1),
        "hinted-row-over-half-the-file": bytes([4]) + struct.pack("<I", 60) + smooth_rows(100, 1, 1),
        "bmp-top-down": bytes([0]) + b"BM" + struct.pack("<III", 0, 0, 54) +
        struct.pack("<IiiHHIIiiII", 40, 8, -4, 1, 24, 0, 0, 0, 0, 0, 0) + smooth_rows(8, 4, 3),
        "pgm": bytes([0]) + b"P5\n# c\n8 4\n255\n" + smooth_rows(8, 4, 1),
        "tga": bytes([0]) + bytes([0, 0, 2]) + bytes(9) + struct.pack("<HH", 8, 4) + bytes([24, 0x20]) +
        smooth_rows(8, 4, 3),
        "xwd-16bit": bytes([0]) + struct.pack(">25I", 100, 7, 2, 16, 8, 4, 0, 1, 16, 1, 16, 16, 16, 4, 0xF800,
                                             0x7E0, 0x1F, 6, 64, 0, 0, 0, 0, 0, 0) + smooth_rows(8, 4, 2),
        "psf2": bytes([0]) + struct.pack("<8I", 0x864AB572, 0, 32, 0, 4, 8, 8, 8) + bytes(range(32)),
    }


def write_all(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
