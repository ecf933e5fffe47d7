#!/usr/bin/env python3
"""Builds a corpus of real pictures, nobody made for the layout guess, in many raw forms.

  bash tools/setup.sh --corpus      # the Debian packages the pictures come from
  python3 tools/make-real-corpus.py [--out build/real-corpus] [--jobs 2]

Sources: photographs, wallpapers, scans and diagrams, textures, sprites, icons, bitmap fonts
(as glyph tables) and X frame buffers (Xvfb at depths 8, 16 and 24 with real X clients on it).
Each picture is written raw (24, 32, 16 bits in 565 and 555 of both byte orders, grey 8 and 4
bits, 1 bit), behind headers (BMP with 40, 108 and 124-byte headers, TGA both row orders,
PGM/PPM/PBM, DDS DXT1, a few lines of text) and inside other files (a tar, after machine code).
manifest.json lists every file with its truth (depth, width, line pad, offset, height) and
its source picture; a hash of the source's name puts all its files in the "tune" or the
"held-out" half. Everything but the clock hands in the frame buffers is the same every run.
"""
import argparse
import concurrent.futures
import glob
import gzip
import hashlib
import io
import json
import os
import random
import shutil
import struct
import subprocess
import tarfile
import time

MAX_WIDTH = 1024
LARGE_WIDTH = 2048
LICENSE = "/usr/share/common-licenses/GPL-3"
MACHINE_CODE = "/usr/bin/xterm"


def half_of(source):
    """All files of one source picture fall in the same half."""
    return "tune" if hashlib.sha1(source.encode()).digest()[0] % 2 == 0 else "held-out"


def run(args, **kwargs):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kwargs).stdout


# ---------------------------------------------------------------- sources

def picture(kind, package, path, background="black", large=False, name=None):
    name = f"{package}/{name or os.path.splitext(os.path.basename(path))[0]}"
    return {"name": name, "kind": kind, "package": package, "path": path,
            "background": background, "large": large}


def picture_sources():
    teddy = "/usr/share/xteddy/"
    scans = "/usr/share/doc/unpaper/html/img/"
    gfx = "/usr/share/games/lbreakout2/gfx/"
    ltris = "/usr/share/games/ltris/gfx/"
    penguins = "/usr/share/xpenguins/themes/"
    patterns = "/usr/share/gimp/2.0/patterns/"
    icons = "/usr/share/icons/Adwaita/"
    base = "/usr/share/desktop-base/"
    return [
        *[picture("photo", "xteddy", f"{teddy}{n}.png") for n in
          ("xbrummi", "xhedgehog", "xpuppy", "xtrouble", "xcherubino", "xalex", "xduck", "xorca", "xklitze",
           "xnamu", "xruessel")],
        picture("photo", "eterm", "/usr/share/Eterm/pix/scale/Neopolis-horizon.jpg"),
        picture("wallpaper", "lomiri-wallpapers", "/usr/share/backgrounds/warty-final-ubuntu.png", large=True),
        picture("wallpaper", "sway-backgrounds", "/usr/share/backgrounds/sway/Sway_Wallpaper_Blue_1136x640.png"),
        picture("wallpaper", "desktop-base", "/usr/share/plymouth/themes/joy/background.png"),
        picture("wallpaper", "desktop-base", "/usr/share/plymouth/themes/homeworld/plymouth_background_homeworld.png",
                large=True),
        picture("wallpaper", "desktop-base", f"{base}lines-theme/login/sddm-preview.jpg"),
        picture("screenshot", "desktop-base",
                "/usr/share/plasma/look-and-feel/org.debian.desktop/contents/previews/fullscreenpreview.jpg"),
        *[picture("scan", "unpaper", f"{scans}{n}.png", "white") for n in
          ("border-scan", "mask-scan", "deskew", "input-pages", "processing-order", "sheetspages",
           "blackfilter", "mask-scan-detail1", "mask-center", "output-pages")],
        *[picture("texture", "gimp-data-extras", f"{patterns}{n}.pat") for n in
          ("3dweave", "bluecanyons", "chroma", "cow", "gold", "greyweave", "drymud", "dirt", "granite2",
           "inlay", "colored_rock", "ice2", "crystals", "dunemaze", "leaves4", "metallica",
           "eggcarton")],
        picture("texture", "eterm", "/usr/share/Eterm/pix/tile/circuit.jpg"),
        *[picture("sprite", "lbreakout2-data", f"{gfx}{n}.png") for n in
          ("explosions", "bricks", "back1", "back3", "extras",
           "explosions_dark", "back4", "cr_back")],
        *[picture("sprite", "ltris", f"{ltris}{n}.bmp") for n in ("back2", "back5", "back4", "back0")],
        *[picture("sprite", "xpenguins", f"{penguins}{n}.xpm", name=n.replace("/", "-")) for n in
          ("Big_Penguins/walker", "Classic_Penguins/climber", "Turtles/walker")],
        *[picture("icon", "adwaita-icon-theme", f"{icons}{n}.png", "white") for n in
          ("256x256/places/user-trash", "256x256/mimetypes/x-package-repository", "48x48/legacy/accessories-calculator",
           "48x48/legacy/applications-games",
           "48x48/legacy/applications-engineering", "48x48/legacy/audio-card")],
        *[picture("icon", "xbill", f"/usr/share/xbill/bitmaps/{n}.xbm", "white") for n in ("hurd", "linux")],
    ]


FONTS = [("xfonts-base", n) for n in ("6x13", "7x14", "8x13", "9x15", "10x20", "12x24")] + \
        [("xfonts-terminus", f"ter-u{n}_iso-8859-1") for n in ("12n", "14n", "16n", "16b", "20n", "24n", "32n")]

# Frame buffer scenes: screen size, root background and the X clients shown on it.
SCENES = {
    "terminal-clock": ((640, 480), [], [
        ["xterm", "-geometry", "80x28+4+4", "-e", "sh", "-c", f"head -60 {LICENSE}; sleep 60"],
        ["xclock", "-geometry", "120x120+500+20", "-update", "60"]]),
    "logo-eyes": ((800, 600), ["-br"], [
        ["xterm", "-rv", "-geometry", "72x20+10+300", "-e", "sh", "-c", f"tail -40 {LICENSE}; sleep 60"],
        ["xlogo", "-geometry", "300x300+480+20"], ["xeyes", "-geometry", "200x120+20+20"]]),
    "calculator": ((1021, 767), ["-wr"], [
        ["xcalc", "-geometry", "+20+20"], ["xclock", "-analog", "-geometry", "220x220+700+40", "-update", "60"],
        ["xterm", "-geometry", "90x24+300+380", "-e", "sh", "-c", f"sed -n 100,160p {LICENSE}; sleep 60"]]),
    "desktop": ((1024, 768), ["-retro"], [
        ["xlogo", "-geometry", "400x400+600+300"], ["xeyes", "-geometry", "150x100+820+30"],
        ["xterm", "-geometry", "80x40+20+20", "-e", "sh", "-c", f"sed -n 300,380p {LICENSE}; sleep 60"]]),
}


# ---------------------------------------------------------------- byte tools

def lanes(data):
    return int.from_bytes(data, "little")


def mask(count, value):
    return int.from_bytes(bytes([value]) * count, "little")


def interleave(*planes):
    out = bytearray(len(planes[0]) * len(planes))
    for i, plane in enumerate(planes):
        out[i::len(planes)] = plane
    return bytes(out)


def pack16(rgb, fields, big_endian):
    """16-bit pixels from 24-bit ones, computed a byte lane at a time on whole planes."""
    n = len(rgb) // 3
    r, g, b = (lanes(rgb[i::3]) for i in range(3))
    if fields == "565":
        lo = ((g >> 2) & mask(n, 7)) << 5 | (b >> 3) & mask(n, 31)
        hi = ((r >> 3) & mask(n, 31)) << 3 | (g >> 5) & mask(n, 7)
    else:
        lo = ((g >> 3) & mask(n, 7)) << 5 | (b >> 3) & mask(n, 31)
        hi = ((r >> 3) & mask(n, 31)) << 2 | (g >> 6) & mask(n, 3)
    lo, hi = lo.to_bytes(n, "little"), hi.to_bytes(n, "little")
    return interleave(hi, lo) if big_endian else interleave(lo, hi)


def rows_of(data, stride, height):
    return [data[i * stride:(i + 1) * stride] for i in range(height)]


def pack4(gray, width, height):
    """Grey 4 bits a pixel, the left pixel in the high nibble; an odd row ends in a zero nibble."""
    rows = rows_of(gray, width, height)
    data = b"".join(row + b"\0" * (width % 2) for row in rows)
    n = len(data) // 2
    hi, lo = lanes(data[0::2]), lanes(data[1::2])
    return ((hi & mask(n, 0xF0)) | (lo >> 4) & mask(n, 0x0F)).to_bytes(n, "little")


def padded_rows(rows, stride):
    return b"".join(row + b"\0" * (stride - len(row)) for row in rows)


def u16(v):
    return v.to_bytes(2, "little")


def u32(v):
    return v.to_bytes(4, "little", signed=v < 0)


# ---------------------------------------------------------------- picture forms

def truth(depth, width, height, offset=0, pad=0, **extra):
    """1 and 4-bit pixels here always start at a byte's high bits."""
    if depth in (1, 4):
        extra = {"bigEndian": True, **extra}
    return {"depth": str(depth), "width": width, "linePad": pad, "offset": offset, "height": height, **extra}


def bmp(width, height, pixels, bits, header_size):
    """A bottom-up BMP with a 40, 108 or 124-byte header; 32-bit pixels name their masks."""
    row = width * bits // 8
    stride = (row + 3) // 4 * 4
    data = padded_rows(reversed(rows_of(pixels, row, height)), stride)
    offset = 14 + header_size
    info = u32(header_size) + u32(width) + u32(height) + u16(1) + u16(bits) + \
        u32(3 if bits == 32 and header_size > 40 else 0) + u32(len(data)) + u32(2835) + u32(2835) + u32(0) + u32(0)
    if header_size > 40:
        masks = (0xFF0000, 0xFF00, 0xFF, 0xFF000000) if bits == 32 else (0, 0, 0, 0)
        info += b"".join(u32(m) for m in masks) + b"BGRs" + bytes(36 + 12)
    if header_size > 108:
        info += u32(4) + bytes(12)
    head = b"BM" + u32(offset + len(data)) + bytes(4) + u32(offset)
    return head + info + data, truth(bits, width, height, offset, stride - row)


def bmp_file(data):
    """A BMP another encoder wrote, with the layout its header gives."""
    field = lambda at, size: int.from_bytes(data[at:at + size], "little")
    width, height, bits = field(18, 4), field(22, 4), field(28, 2)
    row = (width * bits + 7) // 8
    return data, truth(bits, width, height, field(10, 4), (row + 3) // 4 * 4 - row)


def tga_top_down(width, height, bgra, name):
    """A 32-bit TGA whose rows run top-down, with an image ID and the version 2 footer."""
    ident = name.encode()[:255]
    head = bytes([len(ident), 0, 2]) + bytes(5) + u16(0) + u16(0) + u16(width) + u16(height) + bytes([32, 0x28])
    footer = bytes(8) + b"TRUEVISION-XFILE.\0"
    return head + ident + bgra + footer, truth(32, width, height, len(head) + len(ident))


def netpbm(magic, width, height, data, depth):
    head = f"{magic}\n# CREATOR: make-real-corpus\n{width} {height}\n" + ("" if magic == "P4" else "255\n")
    return head.encode() + data, truth(depth, width, height, len(head))


def pbm_rows(mono, width, height):
    """PBM's ones are black: the inverse of the 1-bit grey, with each row's unused bits zero."""
    stride = (width + 7) // 8
    tail = (0xFF << (-width % 8)) & 0xFF
    out = bytearray(b ^ 0xFF for b in mono)
    for y in range(height):
        out[y * stride + stride - 1] &= tail
    return bytes(out)


def text_header(rng, lines=None):
    with open(LICENSE) as f:
        text = f.read().splitlines()
    start = rng.randrange(len(text) - 10)
    return ("\n".join(text[start:start + (lines or rng.randint(2, 8))]) + "\n").encode()


def in_tar(rng, pixels, name):
    """The raw picture as the middle member of a tar, between text and machine code."""
    out = io.BytesIO()
    members = [("README", text_header(rng, 40)), (name, pixels), ("tool", machine_code(rng))]
    with tarfile.open(fileobj=out, mode="w", format=tarfile.USTAR_FORMAT) as tar:
        for member, data in members:
            info = tarfile.TarInfo(member)
            info.size, info.mtime, info.mode = len(data), 1700000000, 0o644
            tar.addfile(info, io.BytesIO(data))
    offset = 512 + (len(members[0][1]) + 511) // 512 * 512 + 512
    return out.getvalue(), offset


def text_section(path):
    """Where a 64-bit ELF program's machine code lies: its .text section's offset and size."""
    with open(path, "rb") as f:
        elf = f.read()
    sections, = struct.unpack_from("<Q", elf, 0x28)
    entry_size, count, names_index = struct.unpack_from("<HHH", elf, 0x3A)
    section = lambda i: struct.unpack_from("<I4xQ8xQQ", elf, sections + i * entry_size)
    names = section(names_index)[2]
    for i in range(count):
        name, _, offset, size = section(i)
        if elf[names + name:elf.index(b"\0", names + name)] == b".text":
            return offset, size
    raise SystemExit(f"{path} has no .text section")


def machine_code(rng):
    # From the program's .text: its first 128 KB are relocation tables, records of their own
    # that line up as rows, not machine code.
    offset, size = text_section(MACHINE_CODE)
    assert size >= 0x10000 + 40000, f"{MACHINE_CODE}'s machine code is shorter than the stretches taken"
    with open(MACHINE_CODE, "rb") as f:
        f.seek(offset + rng.randrange(0x10000))
        return f.read(rng.randrange(4096, 40000))


def picture_forms(p, width, height, name, rng):
    """Every form of one picture; p is the prefix of the files ImageMagick wrote."""
    read = lambda ext: open(f"{p}.{ext}", "rb").read()
    rgb, gray, mono = read("rgb"), read("gray"), read("mono")
    r, g, b = rgb[0::3], rgb[1::3], rgb[2::3]
    bgr = interleave(b, g, r)
    bgra = interleave(b, g, r, b"\xff" * len(r))
    t24, t8 = truth(24, width, height), truth(8, width, height)
    forms = {
        "rgb24": (rgb, t24), "bgr24": (bgr, t24), "bgra32": (bgra, truth(32, width, height)),
        "gray8": (gray, t8), "gray4": (pack4(gray, width, height), truth(4, width, height)),
        "mono1": (mono, truth(1, width, height)),
        "bmp24-40": bmp(width, height, bgr, 24, 40), "bmp24-108": bmp(width, height, bgr, 24, 108),
        "bmp24-124": bmp(width, height, bgr, 24, 124), "bmp32-124": bmp(width, height, bgra, 32, 124),
        "tga32-topdown": tga_top_down(width, height, bgra, name),
        "ppm": netpbm("P6", width, height, rgb, 24), "pgm": netpbm("P5", width, height, gray, 8),
        "pbm": netpbm("P4", width, height, pbm_rows(mono, width, height), 1),
        "dds": (read("dds"), truth("dxt1", width, height, 128)),
    }
    for fields in ("565", "555"):
        for big in (False, True):
            forms[f"rgb{fields}{'be' if big else 'le'}"] = (
                pack16(rgb, fields, big), truth(16, width, height, fields=fields, bigEndian=big))
    tga = read("tga")
    forms["tga24"] = (tga, truth(24, width, height, 18 + tga[0]))
    forms["bmp-palette"] = bmp_file(read("bmp8"))
    for form, data, t in (("text-gray8", gray, t8), ("text-rgb24", rgb, t24)):
        header = text_header(rng)
        forms[form] = (header + data, {**t, "offset": len(header)})
    tar, offset = in_tar(rng, bgr, "picture.bgr")
    forms["tar-bgr24"] = (tar, {**t24, "offset": offset})
    code = machine_code(rng)
    forms["code-gray8"] = (code + gray + machine_code(rng), {**t8, "offset": len(code)})
    return forms


def source_sizes(source, width, height):
    """The picture at its own size (capped) and at an odd width below it."""
    cap = LARGE_WIDTH if source["large"] else MAX_WIDTH
    if width > cap:
        width, height = cap, max(1, round(height * cap / width))
    rng = random.Random(source["name"])
    odd = rng.randrange(min(width, 700) // 2, min(width, 700) + 1) | 1
    sizes = [(width, height)]
    if odd >= 9 and odd != width:
        sizes.append((odd, max(4, round(height * odd / width))))
    return sizes[-1:] if source.get("sample") else sizes


def gimp_pattern(path, folder):
    """A GIMP pattern as a PAM ImageMagick reads: a big-endian header, then raw pixels."""
    with open(path, "rb") as f:
        data = f.read()
    header, _, width, height, channels = (int.from_bytes(data[i:i + 4], "big") for i in range(0, 20, 4))
    tuple_type = {1: "GRAYSCALE", 2: "GRAYSCALE_ALPHA", 3: "RGB", 4: "RGB_ALPHA"}[channels]
    out = os.path.join(folder, "source.pam")
    with open(out, "wb") as f:
        f.write(f"P7\nWIDTH {width}\nHEIGHT {height}\nDEPTH {channels}\nMAXVAL 255\n"
                f"TUPLTYPE {tuple_type}\nENDHDR\n".encode())
        f.write(data[header:header + width * height * channels])
    return out


def write_forms(p, source_path, background, width, height):
    run(["convert", source_path + "[0]", "-background", background, "-alpha", "remove", "-alpha", "off",
         "-resize", f"{width}x{height}!", "-depth", "8", "-type", "truecolor",
         "-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0",
         "-write", f"rgb:{p}.rgb", "-write", f"dds:{p}.dds", "-write", f"tga:{p}.tga",
         "(", "+clone", "-colors", "256", "-type", "palette", "-compress", "none", "-write", f"BMP3:{p}.bmp8", "+delete", ")",
         "-colorspace", "gray", "-write", f"gray:{p}.gray", "-monochrome", "-depth", "1", f"gray:{p}.mono"])


def build_picture(source, out):
    """Writes every size and form of one picture source; returns the manifest records."""
    folder = os.path.join(out, "files", source["name"])
    os.makedirs(folder, exist_ok=True)
    path = source["path"]
    if path.endswith(".pat"):
        path = gimp_pattern(path, folder)
    width, height = (int(v) for v in run(["identify", "-format", "%w %h", path + "[0]"]).split())
    records = []
    for w, h in source_sizes(source, width, height):
        p = os.path.join(folder, "scratch")
        write_forms(p, path, source["background"], w, h)
        rng = random.Random(f"{source['name']} {w}x{h}")
        for form, (data, t) in picture_forms(p, w, h, source["name"], rng).items():
            records.append(save(out, folder, f"{form}-{w}x{h}.bin", data, source, form, t))
        for scratch in glob.glob(p + ".*"):
            os.remove(scratch)
    return records


def save(out, folder, file_name, data, source, form, t):
    path = os.path.join(folder, file_name)
    with open(path, "wb") as f:
        f.write(data)
    return {"file": os.path.relpath(path, out), "source": source["name"], "kind": source["kind"],
            "form": form, **t}


# ---------------------------------------------------------------- fonts

def bdf_glyphs(path):
    """The cell size and the 256 first glyphs of a BDF font, each a list of rows of bits."""
    cell, glyphs, glyph = None, {}, None
    lines = iter(run(["pcf2bdf", path]).decode("latin-1").splitlines())
    for line in lines:
        word = line.split()
        if not word:
            continue
        if word[0] == "FONTBOUNDINGBOX":
            cell = [int(v) for v in word[1:]]
        elif word[0] == "ENCODING":
            glyph = {"code": int(word[1])}
        elif word[0] == "BBX":
            glyph["box"] = [int(v) for v in word[1:]]
        elif word[0] == "BITMAP":
            glyph["rows"] = [int(next(lines), 16) for _ in range(glyph["box"][1])]
            glyphs[glyph["code"]] = glyph
    return cell, glyphs


def shifted(value, places):
    return value << places if places >= 0 else value >> -places


def glyph_table(path):
    """Glyphs 0 to 255 as a table of whole-byte rows, each glyph in a cell of the font's box."""
    (cell_w, cell_h, cell_x, cell_y), glyphs = bdf_glyphs(path)
    row_bytes = (cell_w + 7) // 8
    table = bytearray(256 * cell_h * row_bytes)
    for code, glyph in glyphs.items():
        if code > 255:
            continue
        w, h, x, y = glyph["box"]
        top = (cell_h + cell_y) - (h + y)
        for i, bits in enumerate(glyph["rows"]):
            row = top + i
            if 0 <= row < cell_h:
                value = shifted(bits >> (((w + 7) // 8) * 8 - w), row_bytes * 8 - w - (x - cell_x))
                start = (code * cell_h + row) * row_bytes
                table[start:start + row_bytes] = (value & ((1 << row_bytes * 8) - 1)).to_bytes(row_bytes, "big")
    return bytes(table), cell_w, cell_h, row_bytes


def build_font(package, font, out):
    source = {"name": f"{package}/{font}", "kind": "font"}
    folder = os.path.join(out, "files", source["name"])
    os.makedirs(folder, exist_ok=True)
    path = f"/usr/share/fonts/X11/misc/{font}.pcf.gz"
    table, width, height, row_bytes = glyph_table(path)
    t = truth(1, width, 256 * height)
    psf2 = bytes.fromhex("72b54a86") + u32(0) + u32(32) + u32(0) + u32(256) + u32(height * row_bytes) + \
        u32(height) + u32(width)
    forms = {"glyphs": (table, t), "psf2": (psf2 + table, {**t, "offset": 32})}
    if row_bytes == 1:
        forms["psf1"] = (bytes([0x36, 0x04, 0, height]) + table, {**t, "offset": 4})
    return [save(out, folder, f"{form}.bin", data, source, form, t) for form, (data, t) in forms.items()]


# ---------------------------------------------------------------- frame buffers

def xwd_layout(data):
    """Depth, width, line pad, offset and height of an XWD file, from its header."""
    field = lambda i: int.from_bytes(data[4 * i:4 * i + 4], "big")
    header, width, height, bits, stride, colours = field(0), field(4), field(5), field(11), field(12), field(19)
    extra = {"fields": "565", "bigEndian": field(7) == 1} if bits == 16 else {}
    return truth(bits, width, height, header + 12 * colours, stride - width * bits // 8, **extra)


def frame_buffer(screen, depth, options, clients, folder):
    """Runs Xvfb with the clients on it and returns its screen as the XWD file it keeps."""
    read_fd, write_fd = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                               f"{screen[0]}x{screen[1]}x{depth}", "-fbdir", folder, "-nolisten", "tcp",
                               *options], pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        display = ":" + f.readline().strip()
    env = {**os.environ, "DISPLAY": display}
    started = [subprocess.Popen(c, env=env, stderr=subprocess.DEVNULL) for c in clients]
    time.sleep(3)
    with open(os.path.join(folder, "Xvfb_screen0"), "rb") as f:
        data = f.read()
    for p in started + [server]:
        p.terminate()
        p.wait()
    return data


def screenshot_ppm(xwd, t, path):
    """The 24-bit frame buffer (BGRX rows) as a PPM, to be a source picture like the others."""
    stride = t["width"] * 4 + t["linePad"]
    pixels = b"".join(row[:t["width"] * 4] for row in rows_of(xwd[t["offset"]:], stride, t["height"]))
    with open(path, "wb") as f:
        f.write(f"P6\n{t['width']} {t['height']}\n255\n".encode())
        f.write(interleave(pixels[2::4], pixels[1::4], pixels[0::4]))


def build_scene(name, out):
    """The scene at depths 8, 16 and 24, as XWD files and as their raw pixels; returns the
    records and the 24-bit screen as a source picture for the other forms."""
    screen, options, clients = SCENES[name]
    source = {"name": f"xvfb/{name}", "kind": "framebuffer", "package": "x11-apps", "background": "black",
              "large": False}
    folder = os.path.join(out, "files", source["name"])
    os.makedirs(folder, exist_ok=True)
    records = []
    for depth in (8, 16, 24):
        xwd = frame_buffer(screen, depth, options, clients, folder)
        t = xwd_layout(xwd)
        records.append(save(out, folder, f"xwd{depth}.bin", xwd, source, f"xwd{depth}", t))
        raw = xwd[t["offset"]:]
        records.append(save(out, folder, f"fb{depth}.bin", raw, source, f"fb{depth}", {**t, "offset": 0}))
        if depth == 24:
            screenshot_ppm(xwd, t, os.path.join(folder, "screen.ppm"))
    return records, {**source, "kind": "screenshot", "path": os.path.join(folder, "screen.ppm")}


# ---------------------------------------------------------------- the whole corpus

# The test suite's sample: a picture of each kind, at its odd width only, and two fonts; no
# frame buffers, which need an X server. Small pictures, so that the suite stays quick.
SAMPLE_PICTURES = ["xteddy/xduck", "unpaper/mask-center", "gimp-data-extras/cow", "ltris/back0",
                   "adwaita-icon-theme/audio-card", "xbill/hurd", "xpenguins/Classic_Penguins-climber"]
SAMPLE_FONTS = [("xfonts-base", "8x13"), ("xfonts-terminus", "ter-u16n_iso-8859-1")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default="build/real-corpus")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sample", action="store_true", help="the test suite's small sample only")
    args = parser.parse_args()
    start = time.time()
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    records, screenshots = [], []
    for scene in [] if args.sample else SCENES:
        scene_records, screenshot = build_scene(scene, args.out)
        records += scene_records
        screenshots.append(screenshot)
    sources = picture_sources() + screenshots
    fonts = FONTS
    if args.sample:
        sources = [{**s, "sample": True} for s in sources if s["name"] in SAMPLE_PICTURES]
        fonts = SAMPLE_FONTS
        assert len(sources) == len(SAMPLE_PICTURES), "a sample picture is not among the sources"
    names = [s["name"] for s in sources]
    assert len(set(names)) == len(names), "two sources share a name, and so a folder"
    with concurrent.futures.ProcessPoolExecutor(args.jobs) as pool:
        jobs = [pool.submit(build_picture, s, args.out) for s in sources]
        jobs += [pool.submit(build_font, package, font, args.out) for package, font in fonts]
        for job in jobs:
            records += job.result()
    for record in records:
        record["half"] = half_of(record["source"])
    with open(os.path.join(args.out, "manifest.json"), "w") as f:
        json.dump({"files": records}, f, indent=0)
    names = {r["source"] for r in records}
    print(f"{len(records)} files from {len(names)} source pictures in {args.out} "
          f"({time.time() - start:.0f} s)")


if __name__ == "__main__":
    main()
