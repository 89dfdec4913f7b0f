#!/usr/bin/env python3
"""Draws the dialog's bitmaps as 24-bit BMP files beside this script.

The F1 / F2 / F3 legends (31 x 21) stand before the three function boxes; the
mode letters S, V and C (31 x 31) lead the rows of the step, velocity and
continuous settings: S over a dashed line, V over a wave, C over a solid bar.
Run it again after changing a drawing and commit the .bmp files it writes.
"""
import math
import os
import struct

# 5 x 7 glyphs, one string per row, '#' = ink.
GLYPHS = {
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "C": [".####", "#....", "#....", "#....", "#....", "#....", ".####"],
}

PAPER = (236, 233, 216)  # the dialog face of the classic theme
INK = (0, 0, 0)
LEGEND = (0, 0, 160)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[PAPER] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def text(self, chars, left, top, scale, colour):
        for i, ch in enumerate(chars):
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit != "#":
                        continue
                    for dy in range(scale):
                        for dx in range(scale):
                            x = left + i * 6 * scale + col * scale + dx
                            self.dot(x, top + row * scale + dy, colour)

    def bmp(self):
        stride = (self.width * 3 + 3) & ~3
        rows = b""
        for row in reversed(self.pixels):  # bottom-up
            line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
            rows += line + b"\0" * (stride - len(line))
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0,
                           len(rows), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
        return header + info + rows


def legend(digit):
    canvas = Canvas(31, 21)
    canvas.text("F" + digit, 4, 3, 2, LEGEND)  # two glyphs of 10 x 14
    return canvas


def mode(letter, underline):
    canvas = Canvas(31, 31)
    canvas.text(letter, 10, 2, 2, INK)  # a glyph of 10 x 14
    for x in range(3, 28):
        for y in underline(x):
            canvas.dot(x, y, INK)
    return canvas


def dashed(x):
    return [22, 23] if (x - 3) % 5 < 3 else []


def wave(x):
    y = round(23 + 3 * math.sin((x - 3) * 2 * math.pi / 12))
    return [y, y + 1]


def bar(x):
    return [21, 22, 23, 24]


BITMAPS = {
    "f1.bmp": legend("1"),
    "f2.bmp": legend("2"),
    "f3.bmp": legend("3"),
    "mode_s.bmp": mode("S", dashed),
    "mode_v.bmp": mode("V", wave),
    "mode_c.bmp": mode("C", bar),
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, canvas in BITMAPS.items():
        with open(os.path.join(here, name), "wb") as out:
            out.write(canvas.bmp())
