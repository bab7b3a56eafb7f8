#!/usr/bin/env python3
"""Draws the miraDot icon and writes it as a Windows .ico file.

    make_icon.py OUTPUT.ico

A blue rounded square with a white dot and a small orange mark above it, the
way a Vietnamese letter carries its tone mark. Every size is drawn from the
same shapes with 4x4 supersampling and stored as a 32-bit image with its
mask, so the file is the same byte for byte on every run.
"""
import struct
import sys

SIZES = (16, 24, 32, 48, 64, 256)
SAMPLES = 4
BLUE = (0x1F, 0x5F, 0xD0)
WHITE = (0xFF, 0xFF, 0xFF)
ORANGE = (0xFF, 0x9A, 0x1F)


def inside_rounded_square(x, y):
    margin, radius = 0.03, 0.22
    lo, hi = margin + radius, 1 - margin - radius
    dx = max(lo - x, 0, x - hi)
    dy = max(lo - y, 0, y - hi)
    return dx * dx + dy * dy <= radius * radius and margin <= x <= 1 - margin and margin <= y <= 1 - margin


def inside_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(x, y):
    """The colour and coverage (0 or 1) of one sample point of the unit square."""
    if not inside_rounded_square(x, y):
        return (0, 0, 0), 0
    if inside_circle(x, y, 0.5, 0.6, 0.24):
        return WHITE, 1
    if inside_circle(x, y, 0.68, 0.24, 0.1):
        return ORANGE, 1
    return BLUE, 1


def draw(size):
    """Rows of (b, g, r, a) from the bottom row up, as an icon stores them."""
    rows = []
    for row in range(size - 1, -1, -1):
        pixels = []
        for column in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (column + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    colour, coverage = colour_at(x, y)
                    if coverage:
                        covered += 1
                        for i in range(3):
                            total[i] += colour[i]
            if covered:
                r, g, b = (round(c / covered) for c in total)
            else:
                r = g = b = 0
            pixels.append((b, g, r, round(255 * covered / (SAMPLES * SAMPLES))))
        rows.append(pixels)
    return rows


def icon_image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p) for row in draw(size) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * size)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    images = [icon_image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + b"".join(images))


if __name__ == "__main__":
    main()
