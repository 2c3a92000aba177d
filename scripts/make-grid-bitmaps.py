#!/usr/bin/env python3
"""Draws the grid's indicator, marker and popup glyphs as 24-bit BMP files
into resources/ (run from the source tree's root; the files are committed,
so the build does not need this script).

Each glyph is a small picture in characters; every character names a
colour of PALETTE. The indicator images (arrow, edit, insert, selected dot,
arrow with dot) and the choice edit's button glyphs (EC_*) lie on white,
which the grid and the edit buttons treat as transparent; the
others lie on a colour of their own that their top-left pixel gives.
"""
import os
import struct
import sys

PALETTE = {
    '.': (255, 255, 255),  # white (transparent for the indicator images)
    '~': (255, 0, 255),    # fuchsia (transparent for the rest)
    'k': (0, 0, 0),
    'g': (128, 128, 128),
    's': (192, 192, 192),
    'w': (255, 255, 254),  # white that stays visible on a fuchsia ground
    'r': (200, 0, 0),
    'R': (255, 64, 64),
    'G': (0, 128, 0),
    'b': (0, 0, 160),
    'B': (64, 128, 255),
    'y': (255, 220, 0),
}

GLYPHS = {
    'I_DBGARROW': """
..........
..k.......
..kk......
..kkk.....
..kkkk....
..kkkk....
..kkk.....
..kk......
..k.......
..........""",
    'I_DBEDIT': """
..........
..kkk.kkk.
.....k....
.....k....
.....k....
.....k....
.....k....
.....k....
..kkk.kkk.
..........""",
    'I_DBINSERT': """
..........
.....k....
..k..k..k.
...k.k.k..
....kkk...
..kkkkkkk.
....kkk...
...k.k.k..
..k..k..k.
.....k....""",
    'I_DBMULTIDOT': """
..........
..........
..........
....kk....
...kkkk...
...kkkk...
....kk....
..........
..........
..........""",
    'I_DBMULTIARROW': """
..........
.k........
.kk.......
.kkk......
.kkkk..kk.
.kkkk.kkkk
.kkk..kkkk
.kk....kk.
.k........
..........""",
    'I_DBCHECK': """
~~~~~~~~~~
~~~~~~~~GG
~~~~~~~GG~
~~~~~~GG~~
~G~~~GG~~~
~GG~GG~~~~
~~GGG~~~~~
~~~G~~~~~~
~~~~~~~~~~
~~~~~~~~~~""",
    'I_DBMAIN': """
~~~~~~~~~~
~rrrrrrr~~
~rRRRRRr~~
~rRRRRRr~~
~rRRRRRr~~
~rRRRRRr~~
~rRRrRRr~~
~rRr~rRr~~
~rr~~~rr~~
~r~~~~~r~~""",
    'I_DBINDEXASC': """
~~~~~~~~~~
~~~~~~~~~~
~~~~~~~~~~
~~~~kk~~~~
~~~kkkk~~~
~~kkkkkk~~
~kkkkkkkk~
~~~~~~~~~~
~~~~~~~~~~
~~~~~~~~~~""",
    'I_DBINDEXDESC': """
~~~~~~~~~~
~~~~~~~~~~
~~~~~~~~~~
~kkkkkkkk~
~~kkkkkk~~
~~~kkkk~~~
~~~~kk~~~~
~~~~~~~~~~
~~~~~~~~~~
~~~~~~~~~~""",
    'I_DBINDEXNONE': """
~~~~~~~~~~
~~~~~~~~~~
~~~~gg~~~~
~~~gggg~~~
~~~~~~~~~~
~~~~~~~~~~
~~~gggg~~~
~~~~gg~~~~
~~~~~~~~~~
~~~~~~~~~~""",
    'I_HDCHECK': """
~~~~~~~~~~
~ggggggggk
~gwwwwwwGk
~gwwwwwGGk
~gGwwwGGwk
~gGGwGGwwk
~gwGGGwwwk
~gwwGwwwwk
~gwwwwwwwk
~kkkkkkkkk""",
    'I_MV_INVALIDVALUE': """
~~~~~~~~~~~~~~~~
~~~~~rrrrrr~~~~~
~~~rrRRRRRRrr~~~
~~rRRRRwwRRRRr~~
~~rRRRRwwRRRRr~~
~rRRRRRwwRRRRRr~
~rRRRRRwwRRRRRr~
~rRRRRRwwRRRRRr~
~rRRRRRwwRRRRRr~
~rRRRRRRRRRRRRr~
~rRRRRRwwRRRRRr~
~~rRRRRwwRRRRr~~
~~rRRRRRRRRRRr~~
~~~rrRRRRRRrr~~~
~~~~~rrrrrr~~~~~
~~~~~~~~~~~~~~~~""",
    'I_BTNSIZE': """
~~~~~~~~~~~~
~~~~~~~~~~ww
~~~~~~~~~wgg
~~~~~~~~~wgg
~~~~~~~~~~~~
~~~~~~ww~~ww
~~~~~wgg~wgg
~~~~~wgg~wgg
~~~~~~~~~~~~
~~ww~~ww~~ww
~wgg~wgg~wgg
~wgg~wgg~wgg""",
    'I_DBQUERY': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~rr~~~~~~rr~~~
~~rRRr~~~~rRRr~~
~~~rRRr~~rRRr~~~
~~~~rRRrrRRr~~~~
~~~~~rRRRRr~~~~~
~~~~~~rRRr~~~~~~
~~~~~~rRRr~~~~~~
~~~~~rRRRRr~~~~~
~~~~rRRrrRRr~~~~
~~~rRRr~~rRRr~~~
~~rRRr~~~~rRRr~~
~~~rr~~~~~~rr~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~""",
    'I_DBFIND': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~bbbbbbbb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBBBBBb~~~~
~~~~bBBbbBBb~~~~
~~~~bBb~~bBb~~~~
~~~~bb~~~~bb~~~~
~~~~b~~~~~~b~~~~
~~~~~~~~~~~~~~~~""",
    'EC_FLATCHOICE': """
.......
kkkkkkk
.kkkkk.
..kkk..
...k...""",
    'EC_BTNCOMBO': """
.........
.kkkkkkk.
..kkkkk..
...kkk...
....k....
.........""",
    'EC_BTNELLIPSIS': """
..........
.kk.kk.kk.
.kk.kk.kk.
..........""",
}


def bmp_bytes(rows):
    """A bottom-up 24-bit BMP of the rows (lists of (r, g, b))."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (stride - len(line))
        pixels += line
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def write_pictures(pictures, palette, out, size=None):
    """Writes each picture (name -> rows of palette characters) as
    <out>/<name>.bmp; size, when given, is the (width, height) each must have."""
    for name, picture in pictures.items():
        lines = picture.strip('\n').split('\n')
        if len({len(line) for line in lines}) != 1:
            sys.exit(f'{name}: rows of different length')
        if size and (len(lines[0]), len(lines)) != size:
            sys.exit(f'{name}: not {size[0]} x {size[1]}')
        rows = [[palette[c] for c in line] for line in lines]
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(bmp_bytes(rows))


def main():
    write_pictures(GLYPHS, PALETTE, sys.argv[1] if len(sys.argv) > 1 else 'resources')


if __name__ == '__main__':
    main()
