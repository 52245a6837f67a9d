#!/usr/bin/env python3
"""Draws the palette bitmap of TkxSorvelU and the package icon.

A table (navy header row, white cells, black grid) with a broom sweeping
across its lower right corner, 24 x 24 pixels in the 16 standard colours.
Writes TKXSORVELU.bmp (a 4-bit bitmap file; the package embeds it without
its file header) and kxsorvel.ico (the same picture as a one-image icon).
The bottom-left pixel is the background colour, which palettes show as
transparent. Run it again after changing the drawing; both files are
committed.
"""
import os
import struct

SIZE = 24
# The 16 standard colours, as (blue, green, red) for the palette.
COLOURS = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, MAROON, OLIVE, NAVY, GREY, SILVER, YELLOW, WHITE = 0, 1, 3, 4, 8, 7, 11, 15
BACKGROUND = 6  # teal, shown as transparent


def draw():
    px = [[BACKGROUND] * SIZE for _ in range(SIZE)]
    left, top, right, bottom = 1, 2, 17, 16
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            px[y][x] = NAVY if y < top + 4 else WHITE
    for y in (top, top + 4, top + 8, top + 12, bottom):
        for x in range(left, right + 1):
            px[y][x] = BLACK
    for x in (left, left + 6, left + 11, right):
        for y in range(top, bottom + 1):
            px[y][x] = BLACK
    # The broom: a handle from the top right down to the bristles.
    for i in range(10):
        x, y = 22 - i, 1 + i
        px[y][x] = MAROON
        px[y][x - 1] = MAROON
    # The bristles, a wedge that widens downwards, with a binding band.
    for row in range(9):
        y = 12 + row
        half = 1 + row // 2
        centre = 12 - row // 3
        for x in range(centre - half, centre + half + 1):
            px[y][x] = OLIVE if row == 0 else YELLOW
    # Dust swept out to the left.
    for x, y in ((3, 20), (5, 21), (2, 22), (7, 22), (4, 23)):
        px[y][x] = GREY
    return px


def dib(px, rows):
    """Bitmap header, palette and 4-bit pixels (bottom row first).

    `rows` is the height written in the header (twice the height for an icon,
    whose image is followed by its mask)."""
    stride = (SIZE * 4 + 31) // 32 * 4
    bits = bytearray()
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(0, SIZE, 2):
            row.append(px[y][x] << 4 | px[y][x + 1])
        bits += row + bytes(stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, rows, 1, 4, 0, len(bits), 2835, 2835, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for b, g, r in COLOURS)
    return header + palette + bytes(bits)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    px = draw()
    image = dib(px, SIZE)
    with open(os.path.join(here, 'TKXSORVELU.bmp'), 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(image), 0, 0, 14 + 40 + 64) + image)
    mask_stride = (SIZE + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = 0
        for x in range(SIZE):
            if px[y][x] == BACKGROUND:
                row |= 1 << (31 - x)
        mask += struct.pack('>I', row)[:mask_stride]
    icon = dib(px, 2 * SIZE) + bytes(mask)
    with open(os.path.join(here, 'kxsorvel.ico'), 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(icon), 6 + 16))
        f.write(icon)


if __name__ == '__main__':
    main()
