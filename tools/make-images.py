#!/usr/bin/env python3
"""Draws the program's toolbar strip (res/toolbar.bmp) and icon (res/pixolve.ico).

Both use the standard 16-colour palette, 4 bits a pixel. Run from anywhere; it writes
into the res/ folder beside this script's folder.
"""
import os
import struct

PALETTE = [  # (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)

# One letter per palette entry in the drawings below. The toolbar maps silver to the
# button face, so silver is the background.
LETTERS = {
    '.': SILVER, 'k': BLACK, 'w': WHITE, 'g': GREY, 'y': YELLOW, 'o': OLIVE,
    'b': BLUE, 'n': NAVY, 'r': RED, 'c': CYAN, 'G': GREEN,
}

BUTTON_WIDTH, BUTTON_HEIGHT = 16, 15

NEW = """
................
...kkkkkkk......
...kwwwwwkk.....
...kwwwwwkwk....
...kwwwwwkkkk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kwwwwwwwwk...
...kkkkkkkkkk...
................
"""

OPEN = """
................
..........kkk...
.........k...k.k
..............kk
.kkk.........kkk
kyyykkkkkkk.....
kywywywywyk.....
kwywywywywk.....
kywywkkkkkkkkkkk
kwywkooooooooook
kywkooooooooook.
kwkooooooooook..
kkooooooooook...
kkkkkkkkkkkk....
................
"""

SAVE = """
................
.kkkkkkkkkkkkkk.
.knnkwwwwwwknnk.
.knnkwwwwwwknnk.
.knnkwwwwwwknnk.
.knnkwwwwwwknnk.
.knnnkkkkkknnnk.
.knnnnnnnnnnnnk.
.knnkkkkkkkknnk.
.knnkggggggknnk.
.knnkgkkgggknnk.
.knnkgkkgggknnk.
.knnkgkkgggknnk.
..kkkkkkkkkkkkk.
................
"""

COPY = """
kkkkkkkk........
kwwwwwwk........
kwkkkkwk........
kwwwwwwk........
kwkkkkwk........
kwwwwwkkkkkkkk..
kwkkkkkwwwwwwk..
kwwwwwkwkkkkwk..
kkkkkkkwwwwwwk..
......kwkkkkwk..
......kwwwwwwk..
......kwkkkkwk..
......kwwwwwwk..
......kkkkkkkk..
................
"""

PASTE = """
.....kkkkk......
..kkkkgggkkkk...
..koookkkoook...
..kookwwwwwwwk..
..kookwkkkkkwk..
..kookwwwwwwwk..
..kookwkkkkkwk..
..kookwwwwwwwk..
..kookwkkkwwwk..
..kookwwwwwwwk..
..kookkkkkkkkk..
..koooooook.....
..kkkkkkkkk.....
................
................
"""

ABOUT = """
................
.....nnnnnn.....
...nnbbbbbbnn...
..nbbbbwwbbbbn..
..nbbbbwwbbbbn..
.nbbbbbbbbbbbbn.
.nbbbbwwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
..nbbbbwwbbbbn..
..nbbbwwwwbbbn..
...nnbbbbbbnn...
.....nnnnnn.....
................
"""

BUTTONS = [NEW, OPEN, SAVE, COPY, PASTE, ABOUT]  # the toolbar's order


def parse(drawing):
    rows = [line for line in drawing.strip('\n').split('\n')]
    assert len(rows) == BUTTON_HEIGHT, rows
    for row in rows:
        assert len(row) == BUTTON_WIDTH, row
    return [[LETTERS[c] for c in row] for row in rows]


def pack_4bit_rows(pixels, width):
    """Rows bottom-up, two pixels a byte (high nibble first), each row padded to 4 bytes."""
    stride = ((width * 4 + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, width, 2):
            low = row[x + 1] if x + 1 < width else 0
            line.append((row[x] << 4) | low)
        line.extend(b'\0' * (stride - len(line)))
        out += line
    return bytes(out)


def pack_mask_rows(transparent, width):
    """The icon's AND mask: 1 bit a pixel, set where the icon is transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(transparent):
        line = bytearray(stride)
        for x, clear in enumerate(row):
            if clear:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def info_header(width, height, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def toolbar_bitmap():
    images = [parse(b) for b in BUTTONS]
    width = BUTTON_WIDTH * len(images)
    strip = [sum((img[y] for img in images), []) for y in range(BUTTON_HEIGHT)]
    bits = pack_4bit_rows(strip, width)
    header = info_header(width, BUTTON_HEIGHT, len(bits)) + palette_bytes()
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(bits), 0, 0,
                              14 + len(header))
    return file_header + header + bits


# --- the icon: a grid of raw pixels under a magnifying glass ---------------------------

GRID_COLOURS = [RED, YELLOW, GREEN, CYAN, BLUE, MAGENTA, WHITE, GREY]


def draw_icon(size):
    """Returns (pixels, transparent) for an icon of size x size."""
    pixels = [[BLACK] * size for _ in range(size)]
    transparent = [[True] * size for _ in range(size)]

    def put(x, y, colour):
        if 0 <= x < size and 0 <= y < size:
            pixels[y][x] = colour
            transparent[y][x] = False

    cell = 4 if size == 32 else 2
    cells = 6
    grid = cell * cells
    origin = 1 if size == 32 else 0
    for y in range(grid + 1):
        for x in range(grid + 1):
            on_line = x % cell == 0 or y % cell == 0
            cx, cy = min(x // cell, cells - 1), min(y // cell, cells - 1)
            colour = GRID_COLOURS[(cx * 3 + cy * 5 + cx * cy) % len(GRID_COLOURS)]
            put(origin + x, origin + y, BLACK if on_line and size == 32 else colour)

    # The lens: a ring with a magnified, lighter view of one cell inside.
    centre = (size * 19) // 32
    radius = (size * 8) // 32
    ring = max(1, size // 16)
    for y in range(size):
        for x in range(size):
            d2 = (x - centre) ** 2 + (y - centre) ** 2
            if d2 <= radius * radius:
                put(x, y, CYAN if (x + y) % 2 == 0 or size == 16 else WHITE)
                if (radius - ring) ** 2 < d2:
                    put(x, y, NAVY)
    glint = centre - radius // 2
    put(glint, glint, WHITE)
    put(glint + 1, glint, WHITE)
    put(glint, glint + 1, WHITE)

    # The handle, towards the bottom-right corner.
    start = centre + (radius * 7) // 10
    thickness = 3 if size == 32 else 2
    for step in range(start, size):
        for t in range(thickness):
            put(step + t - 1, step, OLIVE if t else BLACK)
            put(step, step + t - 1, OLIVE if t else BLACK)
    return pixels, transparent


def icon_file(sizes):
    images = []
    for size in sizes:
        pixels, transparent = draw_icon(size)
        xor = pack_4bit_rows(pixels, size)
        mask = pack_mask_rows(transparent, size)
        header = info_header(size, size * 2, len(xor) + len(mask))
        images.append(header + palette_bytes() + xor + mask)
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b''.join(images)


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    with open(os.path.join(res, 'toolbar.bmp'), 'wb') as f:
        f.write(toolbar_bitmap())
    with open(os.path.join(res, 'pixolve.ico'), 'wb') as f:
        f.write(icon_file([32, 16]))


if __name__ == '__main__':
    main()
