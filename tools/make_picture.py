#!/usr/bin/env python3
"""Draws the main window's picture: a PC with its monitor and an inventory tag.

Writes a 69 x 61 pixel, 24-bit BMP with no dependencies beyond the standard
library. Usage: tools/make_picture.py [output] (default app/resources/picture.bmp).
"""
import os
import struct
import sys

WIDTH, HEIGHT = 69, 61

BACKGROUND = (192, 192, 192)
OUTLINE = (32, 32, 32)
CASE = (224, 224, 216)
CASE_SHADE = (160, 160, 152)
SCREEN = (0, 64, 160)
SCREEN_TEXT = (128, 224, 255)
LED = (0, 200, 64)
TAG = (255, 216, 64)
TAG_TEXT = (96, 64, 0)
STRING = (176, 48, 32)

pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]


def fill(left, top, right, bottom, colour):
    """Fills the box from (left, top) to (right, bottom), both inclusive."""
    for y in range(max(top, 0), min(bottom, HEIGHT - 1) + 1):
        for x in range(max(left, 0), min(right, WIDTH - 1) + 1):
            pixels[y][x] = colour


def box(left, top, right, bottom, colour):
    fill(left, top, right, bottom, OUTLINE)
    fill(left + 1, top + 1, right - 1, bottom - 1, colour)


def line(x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        fill(x, y, x, y, colour)


# Monitor: bezel, screen with a few lines of "text", neck and foot.
box(3, 4, 42, 35, CASE)
box(7, 8, 38, 30, SCREEN)
for row, length in ((11, 20), (14, 26), (17, 14), (20, 22), (23, 17), (26, 9)):
    fill(10, row, 10 + length, row, SCREEN_TEXT)
fill(5, 33, 40, 33, CASE_SHADE)
box(18, 35, 27, 41, CASE_SHADE)
box(10, 41, 35, 45, CASE)

# Tower: case, two drive bays, power button and lamp, vents.
box(46, 14, 65, 56, CASE)
box(49, 18, 62, 22, CASE_SHADE)
fill(51, 20, 60, 20, OUTLINE)
box(49, 25, 62, 29, CASE_SHADE)
fill(50, 27, 58, 27, CASE)
box(53, 33, 58, 38, CASE_SHADE)
fill(60, 35, 61, 36, LED)
for row in range(42, 54, 3):
    fill(50, row, 61, row, CASE_SHADE)

# Keyboard in front of the monitor.
box(2, 49, 40, 55, CASE)
for x in range(5, 35, 4):
    fill(x, 51, x + 2, 51, CASE_SHADE)
    fill(x + 1, 53, x + 3, 53, CASE_SHADE)

# Inventory tag on a string from the tower's top.
line(51, 6, 48, 10, STRING)
line(48, 10, 49, 14, STRING)
box(49, 1, 66, 10, TAG)
fill(51, 5, 52, 6, OUTLINE)  # the tag's hole
for x in (55, 57, 58, 60, 62, 63):
    fill(x, 3, x, 8, TAG_TEXT)  # a bar code on the tag


def write_bmp(path):
    stride = (WIDTH * 3 + 3) & ~3
    image_size = stride * HEIGHT
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + image_size, 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, image_size, 3780, 3780, 0, 0)
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in pixels[y])
        rows.append(row + b"\0" * (stride - len(row)))
    with open(path, "wb") as out:
        out.write(header + info + b"".join(rows))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "app", "resources", "picture.bmp")
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else default)
