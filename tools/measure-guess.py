#!/usr/bin/env python3
"""Measures pixolve-render --guess on a corpus made with ImageMagick's built-in pictures.

  python3 tools/measure-guess.py [--render build/native/cli/pixolve-render] [--quick] [--keep DIR]

Writes each picture in each form into a scratch folder, runs --guess --json on it and prints,
per form, the share whose width, line pad and offset come out right as the top guess and
within the top 3. A DXT1 width counts as right when it gives the same number of blocks,
since the bytes hold whole blocks only. Flat synthetic pictures (one colour, noise) must come
out low confidence.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

PHOTOS = ["rose:", "wizard:", "granite:", "logo:", "netscape:", "plasma:fractal"]
SIZES = [(16, 16), (37, 23), (64, 64), (101, 77), (128, 96), (211, 157), (256, 256),
         (320, 240), (509, 383), (640, 480), (1021, 769), (1024, 768), (2048, 1536), (4096, 4096)]
QUICK_SIZES = [(16, 16), (37, 23), (101, 77), (211, 157), (509, 383), (1024, 768)]
FORMS = ["rgb24", "bgr24", "bgra32", "rgb565", "gray8", "mono1", "bmp24", "pgm", "tga", "dds"]


def run(args, **kwargs):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kwargs).stdout


def convert(args, path):
    """Runs convert unless a kept corpus has the file already."""
    if not os.path.exists(path):
        run(["convert", *args])


def make(form, source, width, height, path):
    """Writes the picture in the form; returns the layout that shows it."""
    pic = [source, "-resize", f"{width}x{height}!"]
    if source == "plasma:fractal":
        pic = ["-size", f"{width}x{height}", "-seed", "7", source]
    raw_layouts = {"rgb24": ("rgb", 24, 3), "bgr24": ("bgr", 24, 3), "bgra32": ("bgra", 32, 4)}
    if form in raw_layouts:
        kind, depth, _ = raw_layouts[form]
        convert([*pic, "-depth", "8", f"{kind}:{path}"], path)
        return depth, width, 0, 0
    if form == "rgb565":
        if os.path.exists(path):
            return 16, width, 0, 0
        rgb = run(["convert", *pic, "-depth", "8", "rgb:-"])
        out = bytearray()
        for i in range(0, len(rgb), 3):
            v = (rgb[i] >> 3) << 11 | (rgb[i + 1] >> 2) << 5 | rgb[i + 2] >> 3
            out += bytes((v & 255, v >> 8))
        with open(path, "wb") as f:
            f.write(out)
        return 16, width, 0, 0
    if form == "gray8":
        convert([*pic, "-colorspace", "gray", "-depth", "8", f"gray:{path}"], path)
        return 8, width, 0, 0
    if form == "mono1":
        convert([*pic, "-colorspace", "gray", "-monochrome", "-depth", "1", f"gray:{path}"], path)
        return 1, width, 0, 0
    if form == "bmp24":
        convert([*pic, "-type", "truecolor", f"BMP3:{path}"], path)
        row = width * 3
        with open(path, "rb") as f:
            offset = int.from_bytes(f.read(14)[10:14], "little")
        return 24, width, (4 - row % 4) % 4, offset
    if form == "pgm":
        convert([*pic, "-colorspace", "gray", "-depth", "8", f"pgm:{path}"], path)
        with open(path, "rb") as f:
            data = f.read()
        return 8, width, 0, len(data) - width * height
    if form == "tga":
        convert([*pic, "-type", "truecolor", f"tga:{path}"], path)
        with open(path, "rb") as f:
            id_length = f.read(1)[0]
        return 24, width, 0, 18 + id_length
    if form == "dds":
        run(["convert", *pic, "-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0",
             f"dds:{path}"])
        return "dxt1", width, 0, 128
    raise ValueError(form)


def right(guess, expected):
    depth, width, pad, offset = expected
    if guess["depth"] != str(depth) or guess["offset"] != offset or guess["linePad"] != pad:
        return False
    if depth == "dxt1":
        return (guess["width"] + 3) // 4 == (width + 3) // 4
    return guess["width"] == width


def flat_cases(folder, render):
    """Synthetic pictures with no rows to find; every guess must be low confidence."""
    failures = []
    cases = {"one-colour.bin": bytes([0x5A]) * 300000, "noise.bin": os.urandom(300000)}
    for name, data in cases.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        guesses = json.loads(run([render, path, "--guess", "--json"]))["guesses"]
        if any(not g["lowConfidence"] for g in guesses):
            failures.append(name)
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", default="build/native/cli/pixolve-render")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--keep")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    folder = args.keep or tempfile.mkdtemp(prefix="guess-corpus-")
    os.makedirs(folder, exist_ok=True)
    sizes = QUICK_SIZES if args.quick else SIZES
    totals = {"n": 0, "top1": 0, "top3": 0}
    try:
        for form in FORMS:
            n = top1 = top3 = 0
            for source in PHOTOS:
                for width, height in sizes:
                    name = f"{form}-{source.strip(':').replace(':', '-')}-{width}x{height}.bin"
                    path = os.path.join(folder, name)
                    expected = make(form, source, width, height, path)
                    out = json.loads(run([args.render, path, "--guess", "--json"]))
                    guesses = out["guesses"]
                    hits = [right(g, expected) for g in guesses[:3]]
                    n += 1
                    top1 += bool(hits and hits[0])
                    top3 += any(hits)
                    if args.verbose and not (hits and hits[0]):
                        best = guesses[0] if guesses else None
                        print(f"  miss {name}: want {expected}, got "
                              f"{best and (best['depth'], best['width'], best['linePad'], best['offset'])}"
                              f"{' (in top 3)' if any(hits) else ''}")
                    if not args.keep:
                        os.remove(path)
            print(f"{form:8} {n:4} pictures  top-1 {100 * top1 / n:5.1f}%  top-3 {100 * top3 / n:5.1f}%")
            sys.stdout.flush()
            totals["n"] += n
            totals["top1"] += top1
            totals["top3"] += top3
        n = totals["n"]
        print(f"{'all':8} {n:4} pictures  top-1 {100 * totals['top1'] / n:5.1f}%  "
              f"top-3 {100 * totals['top3'] / n:5.1f}%")
        failures = flat_cases(folder, args.render)
        print("flat pictures: " + ("all low confidence" if not failures else "CONFIDENT: " + ", ".join(failures)))
    finally:
        if not args.keep:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
