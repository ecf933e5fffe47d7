#!/usr/bin/env python3
"""Measures pixolve-render --guess on ImageMagick's built-in pictures and on a corpus of real ones.

  python3 tools/measure-guess.py [--render build/native/cli/pixolve-render] [--quick] [--verbose]
                                 [--corpus DIR] [--jobs N] [--forms rgb24,mono1,...]
                                 [--real build/real-corpus] [--no-builtin] [--files FILE.jsonl]

The built-in corpus: each picture in each form, written into a scratch folder. The real one
(--real, made by tools/make-real-corpus.py) comes with its manifest, split by source picture
into a "tune" and a "held-out" half. Runs --guess --json on every file and prints, per form
and per set, the share of files whose top guess (and whose top 3) is
  exact: the true depth, width, line pad and offset;
  right: shows the whole picture with its rows in place: the true depth and row stride, at
    least the true columns (pad bytes or a 1-bit row's unused bits shown as pixels), starting
    at the picture or a whole number of rows, at most 64, before it, and reaching its end.
A DXT1 width counts when it gives the same number of blocks, since the bytes hold whole blocks
only. Also the share whose top guess is confident but not right. Flat synthetic pictures (one
colour, noise) must come out low confidence.
"""
import argparse
import collections
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

PHOTOS = ["rose:", "wizard:", "granite:", "logo:", "netscape:", "plasma:fractal"]
SIZES = [(16, 16), (37, 23), (64, 64), (101, 77), (128, 96), (211, 157), (256, 256),
         (320, 240), (509, 383), (640, 480), (1021, 769), (1024, 768), (2048, 1536), (4096, 4096)]
QUICK_SIZES = [(16, 16), (37, 23), (101, 77), (211, 157), (509, 383), (1024, 768)]


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


MAX_ROWS_EARLY = 64
FIELDS = {"565": "r5g6b5", "555": "r5g5b5"}


def row_bytes(depth, width):
    bits = {"1": 1, "4": 4, "8": 8, "16": 16, "24": 24, "32": 32}
    return (width + 3) // 4 * 8 if depth == "dxt1" else (width * bits[depth] + 7) // 8


def columns(depth, width):
    return (width + 3) // 4 if depth == "dxt1" else width


def rows(depth, height):
    return (height + 3) // 4 if depth == "dxt1" else height


def exact(guess, truth):
    return (guess["depth"] == truth["depth"] and guess["offset"] == truth["offset"]
            and guess["linePad"] == truth["linePad"]
            and columns(guess["depth"], guess["width"]) == columns(truth["depth"], truth["width"]))


def right(guess, truth):
    depth = truth["depth"]
    if guess["depth"] != depth:
        return False
    stride = row_bytes(depth, truth["width"]) + truth["linePad"]
    if row_bytes(depth, guess["width"]) + guess["linePad"] != stride:
        return False
    early, partial = divmod(truth["offset"] - guess["offset"], stride)
    reaches_end = guess["offset"] + rows(depth, guess["height"]) * stride >= \
        truth["offset"] + rows(depth, truth["height"]) * stride
    return (columns(depth, guess["width"]) >= columns(depth, truth["width"])
            and partial == 0 and 0 <= early <= MAX_ROWS_EARLY and reaches_end)


def same_colours(guess, truth):
    """16-bit: the guess also tells the fields and the byte order."""
    return guess.get("fields") == FIELDS[truth["fields"]] and guess.get("bigEndian") == truth["bigEndian"]


def builtin_records(entries):
    return [{"file": path, "source": source, "form": form, "set": "today", "depth": str(expected[0]),
             "width": expected[1], "linePad": expected[2], "offset": expected[3], "height": height}
            for form, source, width, height, path, expected in entries]


def real_records(folder):
    with open(os.path.join(folder, "manifest.json")) as f:
        files = json.load(f)["files"]
    return [{**r, "file": os.path.join(folder, r["file"]), "set": r["half"]} for r in files]


def guess(render, path):
    return json.loads(run([render, path, "--guess", "--json"]))["guesses"]


def judged(record, guesses):
    """What one file's guesses came to."""
    top = guesses[:3]
    rights = [right(g, record) for g in top]
    outcome = {"right1": bool(rights and rights[0]), "right3": any(rights),
               "exact1": bool(top and exact(top[0], record)), "exact3": any(exact(g, record) for g in top),
               "confident": bool(top and not top[0]["lowConfidence"])}
    outcome["confidentWrong"] = outcome["confident"] and not outcome["right1"]
    if record.get("fields"):
        outcome["coloursRight"] = outcome["right1"] and same_colours(top[0], record)
    return outcome


SETS = ["held-out", "tune", "today"]
COUNTS = ["right1", "right3", "exact1", "exact3", "confidentWrong"]


def tally(results):
    """Per set and form (and per set for all forms), the number of files and of each outcome."""
    table = {}
    for record, outcome in results:
        for form in (record["form"], "all"):
            counts = table.setdefault((record["set"], form), dict.fromkeys(["files"] + COUNTS, 0))
            counts["files"] += 1
            for key in COUNTS:
                counts[key] += outcome[key]
    return table


def share(counts, key):
    return f"{100 * counts[key] / counts['files']:5.1f}" if counts else "    -"


def print_table(table):
    sets = [s for s in SETS if (s, "all") in table]
    forms = sorted({form for _, form in table if form != "all"}) + ["all"]
    print("per form: files, right top-1 / top-3, exact top-1 / top-3 (%), confident but wrong (%)")
    print(f"{'':14}" + "".join(f"| {name:^36}" for name in sets))
    print(f"{'form':14}" + "| files  R1    R3    E1    E3   CW   " * len(sets))
    for form in forms:
        line = f"{form:14}"
        for name in sets:
            counts = table.get((name, form))
            line += f"| {counts['files'] if counts else 0:5} " + " ".join(share(counts, k) for k in COUNTS) + " "
        print(line)


def print_colours(results):
    sixteen = [o for r, o in results if "coloursRight" in o]
    if sixteen:
        right_ones = [o for o in sixteen if o["right1"]]
        print(f"16-bit files whose right top guess also has their fields and byte order: "
              f"{sum(o['coloursRight'] for o in right_ones)} of {len(right_ones)}")


def print_split(records):
    """Each half's source pictures, and its files by kind of picture."""
    for name in SETS[:2]:
        files = [r for r in records if r["set"] == name]
        if files:
            kinds = collections.Counter(r["kind"] for r in files)
            print(f"{name}: {len({r['source'] for r in files})} source pictures, {len(files)} files ("
                  + ", ".join(f"{k} {n}" for k, n in sorted(kinds.items())) + ")")


def write_files(path, results):
    with open(path, "w") as f:
        for record, outcome, guesses in results:
            top = [{k: g.get(k) for k in ("depth", "width", "linePad", "offset", "height", "fields",
                                           "bigEndian", "confidence")} for g in guesses[:3]]
            f.write(json.dumps({**record, **outcome, "guesses": top}) + "\n")


def meets(required, results):
    """Whether the right top-1 and top-3 shares reach the required ones; prints what falls short."""
    wanted = dict(zip(["right1", "right3"], (float(v) for v in required.split(","))))
    ok = bool(results)
    for key, least in wanted.items():
        share_of = 100 * sum(o[key] for _, o in results) / max(1, len(results))
        if share_of < least:
            print(f"FAIL: {key} {share_of:.1f}% of {len(results)} real files, below the {least:.1f}% required")
            ok = False
    return ok


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", default="build/native/cli/pixolve-render")
    parser.add_argument("--quick", action="store_true", help="built-in pictures up to 1024 x 768 only")
    parser.add_argument("--verbose", action="store_true", help="list every miss")
    parser.add_argument("--corpus", help="keep the built-in corpus in this folder and reuse it next time")
    parser.add_argument("--real", help="also measure this corpus of tools/make-real-corpus.py")
    parser.add_argument("--no-builtin", action="store_true", help="leave out the built-in corpus")
    parser.add_argument("--files", help="write each file's truth, guesses and outcome here (JSON lines)")
    parser.add_argument("--forms", help="measure only these forms, comma-separated")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1, help="guesses run at once")
    parser.add_argument("--require", metavar="TOP1,TOP3",
                        help="fail unless the real corpus's right top-1 and top-3 shares (%%) reach these")
    args = parser.parse_args()
    folder = args.corpus or tempfile.mkdtemp(prefix="guess-corpus-")
    os.makedirs(folder, exist_ok=True)
    try:
        start = time.time()
        records = [] if args.no_builtin else builtin_records(
            corpus_entries(PHOTOS, QUICK_SIZES if args.quick else SIZES, folder))
        records += real_records(args.real) if args.real else []
        if args.forms:
            records = [r for r in records if r["form"] in args.forms.split(",")]
        with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            guesses = list(pool.map(lambda r: guess(args.render, r["file"]), records))
        results = [(r, judged(r, g), g) for r, g in zip(records, guesses)]
        if args.verbose:
            for record, outcome, found in results:
                if not outcome["right1"]:
                    best = found[0] if found else None
                    print(f"  miss {record['set']} {record['form']} {record['file']}: want "
                          f"{tuple(record[k] for k in ('depth', 'width', 'linePad', 'offset'))}, got "
                          f"{best and (best['depth'], best['width'], best['linePad'], best['offset'])}"
                          f"{' (in top 3)' if outcome['right3'] else ''}", flush=True)
        if args.files:
            write_files(args.files, results)
        print_split(records)
        print_table(tally([(r, o) for r, o, _ in results]))
        print_colours([(r, o) for r, o, _ in results])
        print(f"{len(records)} files guessed in {time.time() - start:.0f} s")
        failures = flat_cases(folder, args.render)
        print("flat pictures: " + ("all low confidence" if not failures else "CONFIDENT: " + ", ".join(failures)))
        if args.require and not meets(args.require, [(r, o) for r, o, _ in results if r["set"] != "today"]):
            sys.exit(1)
    finally:
        if not args.corpus:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
