#!/usr/bin/env python3
"""Draws the folder tree's small shell icons (folder, open folder, drive,
removable drive, computer, file, desktop) as 16 x 16 24-bit BMP files into
resources/ (run from the source tree's root; the files are committed, so
the build does not need this script).

Each icon is a picture in characters; every character names a colour of
PALETTE. Fuchsia ('~') is the transparent ground.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from importlib import import_module

write_pictures = import_module('make-grid-bitmaps').write_pictures

PALETTE = {
    '~': (255, 0, 255),    # transparent
    'k': (0, 0, 0),
    'd': (64, 64, 64),
    'g': (128, 128, 128),
    's': (192, 192, 192),
    'w': (255, 255, 254),
    'o': (160, 112, 0),    # folder edge
    'y': (255, 204, 64),   # folder face
    'Y': (255, 232, 144),  # folder light
    'G': (0, 176, 0),      # drive lamp
    'b': (0, 64, 160),
    'B': (96, 160, 255),
}

ICONS = {
    'SHELLFOLDER': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~oooooo~~~~~~~~
~oYYYYYYo~~~~~~~
oYYYYYYYYooooo~~
oYYYYYYYYYYYYYo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
oyyyyyyyyyyyyyo~
ooooooooooooooo~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~""",
    'SHELLFOLDEROPEN': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~oooooo~~~~~~~~
~oYYYYYYo~~~~~~~
oYYYYYYYYooooo~~
oYYYYYYYYYYYYo~~
oYYoooooooooooo~
oYoyyyyyyyyyyyo~
oYoyyyyyyyyyyo~~
ooyyyyyyyyyyyo~~
ooyyyyyyyyyyo~~~
oyyyyyyyyyyyo~~~
oyyyyyyyyyyo~~~~
ooooooooooo~~~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~""",
    'SHELLDRIVE': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~dddddddddddd~~
~dwwwwwwwwwwwwd~
dwsssssssssssssd
dssssssssssssssd
dssssssssssGGssd
dssssssssssssssd
dggggggggggggggd
~dddddddddddddd~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~""",
    'SHELLREMOVABLE': """
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~
~~~~~~ssss~~~~~~
~~~~~dwwwwd~~~~~
~~~~~dkwwkd~~~~~
~~~~~dwwwwd~~~~~
~~~~bbbbbbbb~~~~
~~~bBBBBBBBBb~~~
~~~bBBBBBBBBb~~~
~~~bBBBBBBBBb~~~
~~~bBBBBBBBBb~~~
~~~bBBBGGBBBb~~~
~~~bBBBBBBBBb~~~
~~~bBBBBBBBBb~~~
~~~~bbbbbbbb~~~~
~~~~~~~~~~~~~~~~""",
    'SHELLCOMPUTER': """
~~~~~~~~~~~~~~~~
~~dddddddddddd~~
~~dwwwwwwwwwwd~~
~~dwbbbbbbbbwd~~
~~dwbBBBBBBbwd~~
~~dwbBBBBBBbwd~~
~~dwbBBBBBBbwd~~
~~dwbbbbbbbbwd~~
~~dwwwwwwwwwwd~~
~~dddddddddddd~~
~~~~~~dddd~~~~~~
~~~dddddddddd~~~
~~dssssssssGsd~~
~~dggggggggggd~~
~~dddddddddddd~~
~~~~~~~~~~~~~~~~""",
    'SHELLFILE': """
~~~~~~~~~~~~~~~~
~~ddddddddd~~~~~
~~dwwwwwwwdd~~~~
~~dwwwwwwwdwd~~~
~~dwwwwwwwddddd~
~~dwggggwwwwwwd~
~~dwwwwwwwwwwwd~
~~dwgggggggwwwd~
~~dwwwwwwwwwwwd~
~~dwgggggggwwwd~
~~dwwwwwwwwwwwd~
~~dwgggggwwwwwd~
~~dwwwwwwwwwwwd~
~~dwwwwwwwwwwwd~
~~ddddddddddddd~
~~~~~~~~~~~~~~~~""",
    'SHELLDESKTOP': """
~~~~~~~~~~~~~~~~
dddddddddddddddd
dBBBBBBBBBBBBBBd
dBwsBBBBBBBBBBBd
dBssBBBBBBBBBBBd
dBBBBBBBBBBBBBBd
dBwsBBBBBBBBBBBd
dBssBBBBBBBBBBBd
dBBBBBBBBBBBBBBd
dBBBBBBBBBBBBBBd
dddddddddddddddd
~~~~~~dddd~~~~~~
~~~~~~dddd~~~~~~
~~~dddddddddd~~~
~~~~~~~~~~~~~~~~
~~~~~~~~~~~~~~~~""",
}


def main():
    write_pictures(ICONS, PALETTE, sys.argv[1] if len(sys.argv) > 1 else 'resources', (16, 16))


if __name__ == '__main__':
    main()
