#!/usr/bin/env python3
"""Writes the decoder fuzzer's seed inputs into fuzz/seeds: one small picture a depth, and
long files of several read buffers with small line pads, which random growth reaches slowly.
Layout of an input: flags, offset, width, height (32-bit little-endian), depth, 4 field bits,
4 shifts, line pad, [long-file size], then the file's bytes."""
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
    os.makedirs(folder, exist_ok=True)
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
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
