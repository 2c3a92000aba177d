#!/usr/bin/env python3
"""Draws the program's own icons and button glyphs into resources/*.bmp.

The message box shows a 24x24 picture for each kind of message
(information, warning, error, question), its answer buttons carry 16x16
glyphs and its help buttons an 18x18 pair (normal, disabled); the HTML
renderer draws shell icons for folders, programs and documents in 16x16
and 32x32. Every picture is a 24-bit BMP whose bottom-left pixel is the
transparent colour (magenta). Run from the source tree's root:
    python3 scripts/make-icons.py
The output is deterministic, so the committed files only change when this
script does.
"""
import os
import struct

KEY = (255, 0, 255)


class Image:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[KEY] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def triangle(self, pts, c):
        (ax, ay), (bx, by), (qx, qy) = pts

        def side(px, py, x0, y0, x1, y1):
            return (px - x1) * (y0 - y1) - (x0 - x1) * (py - y1)

        for y in range(self.h):
            for x in range(self.w):
                px, py = x + 0.5, y + 0.5
                d1 = side(px, py, ax, ay, bx, by)
                d2 = side(px, py, bx, by, qx, qy)
                d3 = side(px, py, qx, qy, ax, ay)
                neg = d1 < 0 or d2 < 0 or d3 < 0
                pos = d1 > 0 or d2 > 0 or d3 > 0
                if not (neg and pos):
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        n = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(n + 1):
            t = i / n
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dy in range(width):
                for dx in range(width):
                    self.set(int(x) + dx, int(y) + dy, c)

    def pattern(self, x0, y0, rows, c, scale=1):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == '#':
                    self.rect(x0 + i * scale, y0 + j * scale, x0 + (i + 1) * scale, y0 + (j + 1) * scale, c)

    def paste(self, other, x0):
        for y in range(other.h):
            for x in range(other.w):
                self.set(x0 + x, y, other.px[y][x])

    def save(self, path):
        stride = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for (r, g, b) in self.px[y]:
                row += bytes((b, g, r))
            row += b'\0' * (stride - len(row))
            data += row
        header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
        with open(path, 'wb') as f:
            f.write(header + info + data)


WHITE, BLACK = (255, 255, 255), (0, 0, 0)
BLUE, DARKBLUE = (40, 90, 200), (20, 50, 130)
RED, DARKRED = (215, 40, 40), (140, 20, 20)
YELLOW, DARKYELLOW = (250, 205, 40), (160, 120, 10)
GREEN, GREY = (30, 150, 50), (150, 150, 150)

GLYPH_Q = [" ### ", "#   #", "    #", "  ## ", "  #  ", "     ", "  #  "]


def information():
    im = Image(24, 24)
    im.disc(12, 12, 11.5, DARKBLUE)
    im.disc(12, 12, 10.5, BLUE)
    im.rect(11, 5, 14, 8, WHITE)
    im.rect(11, 10, 14, 19, WHITE)
    im.rect(9, 10, 11, 11, WHITE)
    im.rect(9, 18, 16, 19, WHITE)
    return im


def warning():
    im = Image(24, 24)
    im.triangle([(12, 0.5), (23.5, 22.5), (0.5, 22.5)], DARKYELLOW)
    im.triangle([(12, 2.5), (22, 21.5), (2, 21.5)], YELLOW)
    im.rect(11, 8, 13, 16, BLACK)
    im.rect(11, 18, 13, 20, BLACK)
    return im


def error():
    im = Image(24, 24)
    im.disc(12, 12, 11.5, DARKRED)
    im.disc(12, 12, 10.5, RED)
    im.line(7, 7, 16, 16, WHITE, 2)
    im.line(16, 7, 7, 16, WHITE, 2)
    return im


def question():
    im = Image(24, 24)
    im.disc(12, 12, 11.5, DARKBLUE)
    im.disc(12, 12, 10.5, BLUE)
    im.pattern(7, 4, GLYPH_Q, WHITE, 2)
    return im


def yes():
    im = Image(16, 16)
    im.line(2, 8, 6, 12, GREEN, 2)
    im.line(6, 12, 13, 3, GREEN, 2)
    return im


def no():
    im = Image(16, 16)
    im.line(3, 3, 12, 12, RED, 2)
    im.line(12, 3, 3, 12, RED, 2)
    return im


def accept():
    im = Image(16, 16)
    im.rect(2, 7, 10, 9, DARKBLUE)
    im.triangle([(9, 3.5), (14.5, 8), (9, 12.5)], DARKBLUE)
    return im


def help_pair():
    pair = Image(36, 18)
    for i, colour in enumerate([BLUE, GREY]):
        im = Image(18, 18)
        im.disc(9, 9, 8.5, colour)
        im.pattern(4, 2, GLYPH_Q, WHITE, 2)
        pair.paste(im, i * 18)
    return pair


def folder(size):
    s = size / 16
    im = Image(size, size)
    im.rect(int(1 * s), int(3 * s), int(7 * s), int(5 * s), DARKYELLOW)
    im.rect(int(1 * s), int(5 * s), int(15 * s), int(14 * s), DARKYELLOW)
    im.rect(int(2 * s), int(6 * s), int(14 * s), int(13 * s), YELLOW)
    return im


def document(size):
    s = size / 16
    im = Image(size, size)
    im.rect(int(3 * s), int(1 * s), int(13 * s), int(15 * s), GREY)
    im.rect(int(4 * s), int(2 * s), int(12 * s), int(14 * s), WHITE)
    for k in range(4):
        y = int((5 + 2 * k) * s)
        im.rect(int(5 * s), y, int(11 * s), y + max(1, int(s)), BLUE)
    return im


def program(size):
    s = size / 16
    im = Image(size, size)
    im.rect(int(1 * s), int(2 * s), int(15 * s), int(14 * s), DARKBLUE)
    im.rect(int(2 * s), int(5 * s), int(14 * s), int(13 * s), WHITE)
    im.rect(int(2 * s), int(3 * s), int(14 * s), int(4 * s), BLUE)
    return im


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    pictures = {
        'MSGINFORMATION': information(), 'MSGWARNING': warning(), 'MSGERROR': error(),
        'MSGQUESTION': question(), 'GLYPHYES': yes(), 'GLYPHNO': no(), 'GLYPHCLOSE': no(),
        'GLYPHACCEPT': accept(), 'GLYPHHELP': help_pair(),
        'SHELLFOLDER16': folder(16), 'SHELLFOLDER32': folder(32),
        'SHELLDOCUMENT16': document(16), 'SHELLDOCUMENT32': document(32),
        'SHELLPROGRAM16': program(16), 'SHELLPROGRAM32': program(32),
    }
    for name, im in pictures.items():
        im.save(os.path.join(out, name + '.bmp'))


if __name__ == '__main__':
    main()
