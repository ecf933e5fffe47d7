#!/usr/bin/env python3
"""Helpers of the end-to-end test: make a raw file, find an expected picture in a
screenshot, and write the test's result as GoogleTest-style XML.

  picture.py make PATH SIZE SEED
  picture.py make-rgb PATH WIDTH HEIGHT
  picture.py find SCREEN.ppm EXPECTED.ppm
  picture.py result XML NAME SECONDS [FAILURE MESSAGE]
"""
import sys
from xml.sax.saxutils import quoteattr


def make(path, size, seed):
    """Bytes from a small linear congruential generator: no two rows alike."""
    state = seed
    data = bytearray(size)
    for i in range(size):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        data[i] = state >> 23
    with open(path, 'wb') as f:
        f.write(data)


def make_rgb(path, width, height):
    """A colourful 24-bit picture, red byte first, top row first: hue bands with rings."""
    data = bytearray()
    cx, cy = width * 0.62, height * 0.45
    for y in range(height):
        for x in range(width):
            ring = int(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5) // 12 % 2
            red = x * 255 // max(1, width - 1)
            green = y * 255 // max(1, height - 1)
            blue = 255 - (red + green) // 2
            if ring:
                red, green, blue = 255 - red, 255 - green, 255 - blue
            data += bytes((red, green, blue))
    with open(path, 'wb') as f:
        f.write(data)


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b'P6' or fields[3] != b'255':
        raise ValueError(f'{path}: not an 8-bit P6 picture')
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    rows = [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]
    return width, height, rows


def ends_there(screen, left, top, width, height):
    """True when the column right of the picture and the row below it are one plain
    colour (the view's background): the screen shows this picture, not the top-left
    corner of a bigger one."""
    right = (left + width) * 3
    if top + height >= len(screen) or right + 3 > len(screen[0]):
        return False
    background = screen[top][right:right + 3]
    return (all(screen[top + y][right:right + 3] == background for y in range(height))
            and screen[top + height][left * 3:right] == background * width)


def find(screen_path, expected_path):
    """Prints x y of the expected picture's top-left corner in the screenshot, where the
    screen shows exactly that picture."""
    _, _, screen = read_ppm(screen_path)
    width, height, expected = read_ppm(expected_path)
    first = expected[0]
    inside_bigger = False
    for top in range(len(screen) - height + 1):
        start = screen[top].find(first)
        while start >= 0:
            if start % 3 == 0 and all(
                    screen[top + y][start:start + width * 3] == expected[y] for y in range(height)):
                if ends_there(screen, start // 3, top, width, height):
                    print(start // 3, top)
                    return 0
                inside_bigger = True
            start = screen[top].find(first, start + 1)
    where = 'only inside a bigger one' if inside_bigger else 'not'
    print(f'the {width} x {height} picture is {where} on the screen')
    return 1


def result(path, name, seconds, failure=None):
    failed = 1 if failure else 0
    body = f'<failure message={quoteattr(failure)}/>' if failure else ''
    with open(path, 'w') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                f'<testsuites tests="1" failures="{failed}" name="AllTests">\n'
                f'  <testsuite name="EndToEnd" tests="1" failures="{failed}">\n'
                f'    <testcase name={quoteattr(name)} classname="EndToEnd" time="{seconds}">'
                f'{body}</testcase>\n'
                '  </testsuite>\n</testsuites>\n')


def main(argv):
    command = argv[1]
    if command == 'make':
        make(argv[2], int(argv[3]), int(argv[4]))
        return 0
    if command == 'make-rgb':
        make_rgb(argv[2], int(argv[3]), int(argv[4]))
        return 0
    if command == 'find':
        return find(argv[2], argv[3])
    if command == 'result':
        result(argv[2], argv[3], argv[4], ' '.join(argv[5:]) or None)
        return 0
    raise SystemExit(__doc__)


if __name__ == '__main__':
    sys.exit(main(sys.argv))
