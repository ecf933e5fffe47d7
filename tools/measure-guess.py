#!/usr/bin/env python3
"""Measures pixolve-render --guess on a corpus made with ImageMagick's built-in pictures.

  python3 tools/measure-guess.py [--render build/native/cli/pixolve-render] [--quick] [--verbose]
                                 [--corpus DIR] [--jobs N] [--forms rgb24,mono1,...]
                                 [--results FILE]

Writes each picture in each form into a scratch folder, runs --guess --json on it and prints,
per form, the share whose width, line pad and offset come out right as the top guess and
within the top 3. A DXT1 width counts as right when it gives the same number of blocks,
since the bytes hold whole blocks only. Flat synthetic pictures (one colour, noise) must come
out low confidence.
`--results FILE` writes every file's guesses, as --guess --json gives them, to FILE (JSON, one
entry per file, in corpus order), so that two versions can be compared file by file.
"""
import argparse
import concurrent.futures
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


def make_forms(source, width, height, folder):
    """Writes the picture in every form with one run of convert; returns, per form, the file
    and the layout that shows it."""
    pic = [source, "-resize", f"{width}x{height}!"]
    if source == "plasma:fractal":
        pic = ["-size", f"{width}x{height}", "-seed", "7", source]
    p = os.path.join(folder, "p")
    run(["convert", *pic, "-depth", "8", "-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0",
         "-write", f"rgb:{p}.rgb", "-write", f"bgr:{p}.bgr", "-write", f"dds:{p}.dds",
         "-type", "truecolor", "-write", f"BMP3:{p}.bmp", "-write", f"tga:{p}.tga",
         "-write", f"bgra:{p}.bgra", "-colorspace", "gray", "-write", f"pgm:{p}.pgm",
         "-write", f"gray:{p}.gray", "-monochrome", "-depth", "1", f"gray:{p}.mono"])
    with open(f"{p}.rgb", "rb") as f:
        rgb = f.read()
    out = bytearray()
    for i in range(0, len(rgb), 3):
        v = (rgb[i] >> 3) << 11 | (rgb[i + 1] >> 2) << 5 | rgb[i + 2] >> 3
        out += bytes((v & 255, v >> 8))
    with open(f"{p}.565", "wb") as f:
        f.write(out)
    with open(f"{p}.bmp", "rb") as f:
        bmp_offset = int.from_bytes(f.read(14)[10:14], "little")
    with open(f"{p}.tga", "rb") as f:
        tga_offset = 18 + f.read(1)[0]
    pgm_offset = os.path.getsize(f"{p}.pgm") - width * height
    return {
        "rgb24": (f"{p}.rgb", (24, width, 0, 0)),
        "bgr24": (f"{p}.bgr", (24, width, 0, 0)),
        "bgra32": (f"{p}.bgra", (32, width, 0, 0)),
        "rgb565": (f"{p}.565", (16, width, 0, 0)),
        "gray8": (f"{p}.gray", (8, width, 0, 0)),
        "mono1": (f"{p}.mono", (1, width, 0, 0)),
        "bmp24": (f"{p}.bmp", (24, width, (4 - width * 3 % 4) % 4, bmp_offset)),
        "pgm": (f"{p}.pgm", (8, width, 0, pgm_offset)),
        "tga": (f"{p}.tga", (24, width, 0, tga_offset)),
        "dds": (f"{p}.dds", ("dxt1", width, 0, 128)),
    }


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


def corpus_entries(sources, sizes, folder):
    """Every picture in every form, made once: a kept corpus folder is reused as it is."""
    manifest = os.path.join(folder, "manifest.json")
    if os.path.exists(manifest):
        with open(manifest) as f:
            kept = json.load(f)
        if kept["sizes"] == [list(s) for s in sizes] and kept["sources"] == sources:
            return [tuple(e) for e in kept["entries"]]
    entries = []
    for source in sources:
        for width, height in sizes:
            sub = os.path.join(folder, f"{source.rstrip(':').replace(':', '-')}-{width}x{height}")
            os.makedirs(sub, exist_ok=True)
            for form, (path, expected) in make_forms(source, width, height, sub).items():
                entries.append((form, source, width, height, path, list(expected)))
    with open(manifest, "w") as f:
        json.dump({"sizes": [list(s) for s in sizes], "sources": sources, "entries": entries}, f)
    return entries


def guess(render, path):
    return json.loads(run([render, path, "--guess", "--json"]))["guesses"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", default="build/native/cli/pixolve-render")
    parser.add_argument("--quick", action="store_true", help="sizes up to 1024 x 768 only")
    parser.add_argument("--verbose", action="store_true", help="list every miss")
    parser.add_argument("--corpus", help="keep the corpus in this folder and reuse it next time")
    parser.add_argument("--forms", help="measure only these forms, comma-separated")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1, help="guesses run at once")
    parser.add_argument("--results", help="write every file's guesses to this JSON file")
    args = parser.parse_args()
    folder = args.corpus or tempfile.mkdtemp(prefix="guess-corpus-")
    os.makedirs(folder, exist_ok=True)
    sizes = QUICK_SIZES if args.quick else SIZES
    tallies = {form: [0, 0, 0] for form in FORMS}
    try:
        entries = corpus_entries(PHOTOS, sizes, folder)
        forms = args.forms.split(",") if args.forms else FORMS
        entries = [e for e in entries if e[0] in forms]
        with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            results = list(pool.map(lambda e: guess(args.render, e[4]), entries))
        if args.results:
            with open(args.results, "w") as f:
                json.dump([{"file": os.path.relpath(e[4], folder), "form": e[0], "guesses": g}
                           for e, g in zip(entries, results)], f, indent=1)
                f.write("\n")
        confidence = {(True, True): 0, (True, False): 0, (False, True): 0, (False, False): 0}
        for (form, source, width, height, path, expected), guesses in zip(entries, results):
            expected = tuple(expected)
            hits = [right(g, expected) for g in guesses[:3]]
            if guesses:
                confidence[(hits[0], not guesses[0]["lowConfidence"])] += 1
            tally = tallies[form]
            tally[0] += 1
            tally[1] += bool(hits and hits[0])
            tally[2] += any(hits)
            if args.verbose and not (hits and hits[0]):
                best = guesses[0] if guesses else None
                print(f"  miss {form} {source} {width}x{height}: want {expected}, got "
                      f"{best and (best['depth'], best['width'], best['linePad'], best['offset'])}"
                      f"{' (in top 3)' if any(hits) else ''}", flush=True)
        total = [0, 0, 0]
        for form in forms:
            n, top1, top3 = tallies[form]
            total = [a + b for a, b in zip(total, tallies[form])]
            print(f"{form:8} {n:4} pictures  top-1 {100 * top1 / n:5.1f}%  top-3 {100 * top3 / n:5.1f}%")
        n, top1, top3 = total
        print(f"{'all':8} {n:4} pictures  top-1 {100 * top1 / n:5.1f}%  top-3 {100 * top3 / n:5.1f}%")
        print(f"top guess: right and confident {confidence[(True, True)]}, right but low confidence "
              f"{confidence[(True, False)]}, wrong but confident {confidence[(False, True)]}, "
              f"wrong and low confidence {confidence[(False, False)]}")
        failures = flat_cases(folder, args.render)
        print("flat pictures: " + ("all low confidence" if not failures else "CONFIDENT: " + ", ".join(failures)))
    finally:
        if not args.corpus:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
