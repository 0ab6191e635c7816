#!/usr/bin/env python3
"""Draws the demo device's boot logo: a 240x400 PNG, a blue gradient with a
compass emblem and a darker band where the status line and the progress bar
of the demo's update.xml sit. Only the standard library is used.

    python3 examples/make_demo_logo.py examples/demo-logo.png
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 240, 400
CENTRE_X, CENTRE_Y = 120.0, 150.0
RING_OUTER, RING_INNER = 70.0, 62.0
BAND_TOP, BAND_BOTTOM = 286, 362  # behind filename_rect 10,290,230,310 and progress_rect 10,320,230,350
SAMPLES = 4  # per axis, for smooth edges


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def background(y):
    colour = mix((10, 26, 72), (0, 120, 140), y / (HEIGHT - 1))
    if BAND_TOP <= y < BAND_BOTTOM:
        colour = mix(colour, (0, 0, 0), 0.45)
    return colour


def inside_triangle(px, py, a, b, c):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    d1, d2, d3 = side((px, py), a, b), side((px, py), b, c), side((px, py), c, a)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


NORTH = ((CENTRE_X, CENTRE_Y - 52), (CENTRE_X - 14, CENTRE_Y), (CENTRE_X + 14, CENTRE_Y))
SOUTH = ((CENTRE_X, CENTRE_Y + 52), (CENTRE_X - 14, CENTRE_Y), (CENTRE_X + 14, CENTRE_Y))


def emblem(x, y):
    """The emblem's colour at a point, or None where the background shows."""
    r = math.hypot(x - CENTRE_X, y - CENTRE_Y)
    if RING_INNER <= r <= RING_OUTER:
        return (235, 240, 245)
    if inside_triangle(x, y, *NORTH):
        return (230, 60, 50)
    if inside_triangle(x, y, *SOUTH):
        return (235, 240, 245)
    if r <= 5:
        return (20, 30, 60)
    return None


def pixel(x, y):
    total = [0.0, 0.0, 0.0]
    base = background(y)
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            colour = emblem(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES) or base
            for i in range(3):
                total[i] += colour[i]
    return bytes(min(255, int(round(v / (SAMPLES * SAMPLES)))) for v in total)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_demo_logo.py OUT.png")
    rows = b"".join(b"\x00" + b"".join(pixel(x, y) for x in range(WIDTH)) for y in range(HEIGHT))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    with open(sys.argv[1], "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", header))
        out.write(png_chunk(b"IDAT", zlib.compress(rows, 9)))
        out.write(png_chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
