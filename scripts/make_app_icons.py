#!/usr/bin/env python3
"""Draws the web app's icons from the program icon's key (scripts/make_icon.py),
as PNG files in DIR:
  icon-192.png, icon-512.png           the key on a clear background
  maskable-192.png, maskable-512.png   the key inside the middle 60 % of a filled square,
                                       which survives any mask a launcher cuts out
  apple-touch-icon.png                 180 x 180, filled (iOS shows no transparency)

Each is a 256-colour image written with no time or text chunk, so the same
sources give the same bytes.
Usage: scripts/make_app_icons.py DIR
"""
import os
import struct
import sys
import zlib

from make_icon import GOLD_DARK, GOLD_LIGHT, HEIGHT, OUTLINE, OUTLINE_WIDTH, WIDTH, clamp, key_distance, mix

BACKGROUND = (138, 59, 18)  # the page's accent colour
LEVELS = 8  # steps of coverage at the key's edge


def render(size, share, filled):
    """Rows of (R, G, B, A): the key's 73 x 66 frame scaled to share of size, centred."""
    scale = size * share / max(WIDTH, HEIGHT)
    left, top = (size - WIDTH * scale) / 2, (size - HEIGHT * scale) / 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d, v = key_distance((x + 0.5 - left) / scale, (y + 0.5 - top) / scale)
            # Coverage and the outline's inner edge over about one pixel of this size.
            cover = round(clamp(0.5 - d * scale) * LEVELS) / LEVELS
            fill = round(clamp((-d - OUTLINE_WIDTH) * scale + 0.5) * 6) / 6
            light = round(clamp(0.5 - v / 30.0 + (-d) / 40.0) * 31) / 31
            colour = mix(OUTLINE, mix(GOLD_DARK, GOLD_LIGHT, light), fill)
            if filled:
                row.append(mix(BACKGROUND, colour, cover) + (255,))
            else:
                row.append(colour + (round(cover * 255),) if cover else (0, 0, 0, 0))
        rows.append(row)
    return rows


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(rows):
    """An indexed PNG; its palette in order of first use, so the same image gives the same bytes."""
    index = {}
    for row in rows:
        for c in row:
            index.setdefault(c, len(index))
    if len(index) > 256:
        sys.exit(f"make_app_icons.py: {len(index)} colours do not fit a 256-colour palette")
    size = len(rows)
    raw = b"".join(b"\0" + bytes(index[c] for c in row) for row in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
    out += chunk(b"PLTE", b"".join(bytes(c[:3]) for c in index))
    alphas = bytes(c[3] for c in index).rstrip(b"\xff")
    if alphas:
        out += chunk(b"tRNS", alphas)
    return out + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_app_icons.py DIR")
    icons = [("icon-192.png", 192, 0.92, False), ("icon-512.png", 512, 0.92, False),
             ("maskable-192.png", 192, 0.6, True), ("maskable-512.png", 512, 0.6, True),
             ("apple-touch-icon.png", 180, 0.72, True)]
    for name, size, share, filled in icons:
        with open(os.path.join(sys.argv[1], name), "wb") as f:
            f.write(png(render(size, share, filled)))


if __name__ == "__main__":
    main()
