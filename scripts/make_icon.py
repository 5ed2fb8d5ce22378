#!/usr/bin/env python3
"""Draws the program icon, res/sorrel.ico: a gold key, one 256-colour image of 73 x 66 pixels.

The key runs diagonally so that it fills the frame, with thick strokes and a dark
outline so that it still reads when the system shrinks it to 16 x 16.
Usage: scripts/make_icon.py [OUTPUT]   (default res/sorrel.ico beside this script)
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 73, 66
OUTLINE_WIDTH = 2.4
ANGLE = math.radians(36)  # the shaft's slope, down to the right
RING_CENTRE = (18.5, 18.5)
RING_OUTER, RING_INNER = 16.5, 6.5
SHAFT_START, SHAFT_END, SHAFT_HALF = 12.0, 56.0, 5.5
TEETH = ((36.0, 43.0, 13.0), (47.0, 56.0, 9.0))  # along the shaft: from, to, depth below it

OUTLINE = (72, 44, 8)
GOLD_DARK = (176, 118, 16)
GOLD_LIGHT = (255, 226, 120)


def box(u, v, u0, u1, v0, v1):
    """Signed distance to an axis-aligned box in key coordinates."""
    du = max(u0 - u, 0.0, u - u1)
    dv = max(v0 - v, 0.0, v - v1)
    outside = math.hypot(du, dv)
    inside = min(0.0, max(u0 - u, u - u1, v0 - v, v - v1))
    return outside + inside


def key_distance(x, y):
    """Signed distance (pixels, negative inside) to the key; u along the shaft, v across it."""
    dx, dy = x - RING_CENTRE[0], y - RING_CENTRE[1]
    u = dx * math.cos(ANGLE) + dy * math.sin(ANGLE)
    v = -dx * math.sin(ANGLE) + dy * math.cos(ANGLE)
    r = math.hypot(u, v)
    ring = max(r - RING_OUTER, RING_INNER - r)
    shape = min(ring, box(u, v, SHAFT_START, SHAFT_END, -SHAFT_HALF, SHAFT_HALF))
    for u0, u1, depth in TEETH:
        shape = min(shape, box(u, v, u0, u1, 0.0, SHAFT_HALF + depth))
    # The hole stays open even where the shaft starts inside the ring.
    return max(shape, RING_INNER - r), v


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def clamp(t):
    return min(1.0, max(0.0, t))


def render():
    """Rows top-down of RGB tuples, None where transparent."""
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            d, v = key_distance(x + 0.5, y + 0.5)
            if d > 0.0:  # the mask is one bit: an edge pixel is in or out
                row.append(None)
                continue
            fill = clamp(-d - OUTLINE_WIDTH + 0.5)  # anti-aliased border between outline and gold
            light = clamp(0.5 - v / 30.0 + (-d) / 40.0)  # lit from the upper left
            fill = round(fill * 6) / 6
            light = round(light * 31) / 31
            row.append(mix(OUTLINE, mix(GOLD_DARK, GOLD_LIGHT, light), fill))
        rows.append(row)
    return rows


def encode_ico(rows):
    colours = sorted({c for row in rows for c in row if c is not None})
    palette = [(0, 0, 0)] + colours  # index 0: the transparent pixels, black as the mask needs
    if len(palette) > 256:
        sys.exit(f"{len(palette)} colours do not fit a 256-colour palette")
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i + 1 for i, c in enumerate(colours)}

    xor_stride = (WIDTH + 3) // 4 * 4
    and_stride = ((WIDTH + 7) // 8 + 3) // 4 * 4
    xor_bits, and_bits = bytearray(), bytearray()
    for row in reversed(rows):  # bottom-up, as bitmaps are stored
        line = bytes(index[c] if c is not None else 0 for c in row)
        xor_bits += line + bytes(xor_stride - WIDTH)
        mask = bytearray(and_stride)
        for x, c in enumerate(row):
            if c is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_bits += mask

    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT * 2, 1, 8, 0, len(xor_bits) + len(and_bits), 0, 0, 256, 0)
    colour_table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + colour_table + bytes(xor_bits) + bytes(and_bits)
    # Colour count 0 in the directory entry means 256.
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", WIDTH, HEIGHT, 0, 0, 1, 8, len(image), 22)
    return directory + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res", "sorrel.ico")
    with open(out, "wb") as f:
        f.write(encode_ico(render()))


if __name__ == "__main__":
    main()
