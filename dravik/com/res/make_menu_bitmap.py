#!/usr/bin/env python3
"""Writes menu_bitmap.bmp: the 12 x 12, 256-colour tile shown beside the top-level menu entries.

A framed white card: red top edge, green left edge, blue bottom edge and yellow right edge just
inside a near-black shadow, light grey corners, a small near-black plus in the middle.
"""
import struct
import sys

GREEN, RED, GREY, BLUE, YELLOW, SHADOW, WHITE = range(7)
PALETTE = [(0, 128, 0), (255, 0, 0), (192, 192, 192), (0, 0, 255), (255, 255, 0), (4, 4, 4), (255, 255, 255)]
SIZE = 12


def pixels():
    grid = [[WHITE] * SIZE for _ in range(SIZE)]
    for x in range(1, 11):
        grid[0][x] = RED
    grid[0][0] = GREEN
    grid[0][11] = GREY
    for y in range(10):
        grid[y][0] = GREEN
    for x in range(10):
        grid[10][x] = BLUE
    for y in range(1, 11):
        grid[y][10] = YELLOW
    for i in range(1, 12):
        grid[i][11] = SHADOW
        grid[11][i] = SHADOW
    grid[11][0] = GREY
    for d in (-1, 0, 1):
        grid[5][5 + d] = SHADOW
        grid[5 + d][5] = SHADOW
    return grid


def bmp(grid):
    stride = (SIZE + 3) & ~3
    rows = b"".join(bytes(row) + b"\0" * (stride - SIZE) for row in reversed(grid))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE) + b"\0" * 4 * (256 - len(PALETTE))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    return header + info + palette + rows


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "menu_bitmap.bmp", "wb") as out:
        out.write(bmp(pixels()))
