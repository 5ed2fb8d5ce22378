#!/usr/bin/env python3
"""Draws the extension's icon, a 128 x 128 PNG of the program icon's gold key
(scripts/make_icon.py), with soft edges over a transparent ground.
Usage: scripts/extension_icon.py OUTPUT.png
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icon as key  # noqa: E402

SIZE = 128
SCALE = (SIZE - 8) / key.WIDTH
TOP = (SIZE - key.HEIGHT * SCALE) / 2


def pixel(x, y):
    d, v = key.key_distance((x + 0.5 - 4) / SCALE, (y + 0.5 - TOP) / SCALE)
    alpha = key.clamp(0.5 - d * SCALE)
    if alpha == 0:
        return (0, 0, 0, 0)
    fill = key.clamp(-d - key.OUTLINE_WIDTH + 0.5)
    light = key.clamp(0.5 - v / 30.0 + (-d) / 40.0)
    return key.mix(key.OUTLINE, key.mix(key.GOLD_DARK, key.GOLD_LIGHT, light), fill) + (round(alpha * 255),)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


rows = b"".join(b"\0" + bytes(c for x in range(SIZE) for c in pixel(x, y)) for y in range(SIZE))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
with open(sys.argv[1], "wb") as f:
    f.write(png)
