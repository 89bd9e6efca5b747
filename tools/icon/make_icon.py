#!/usr/bin/env python3
"""Draws the application icon and writes it as res/vok.ico.

One icon, two images (32x32 and 16x16), 256 colours each. The picture is a
parcel (the packed folder) with a red V on it. Change the drawing here and
run this script again; the build picks up res/vok.ico.
"""
import struct
import sys
from pathlib import Path

# Palette: index -> (r, g, b). Unused entries stay black.
PALETTE = {
    0: (0, 0, 0),
    1: (128, 80, 32),    # parcel edge
    2: (214, 160, 90),   # parcel face
    3: (240, 200, 130),  # parcel lid
    4: (255, 0, 0),      # the V, in the window's line colour
    5: (255, 255, 255),
}


def draw(size):
    """Returns (pixels, mask): rows top-down of palette indices and opacity."""
    s = size / 32.0
    pixels = [[0] * size for _ in range(size)]
    opaque = [[False] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                pixels[y][x] = colour
                opaque[y][x] = True

    box(2, 8, 30, 30, 1)   # edge
    box(3, 9, 29, 29, 2)   # face
    box(2, 4, 30, 10, 1)   # lid edge
    box(3, 5, 29, 9, 3)    # lid
    # The V: two strokes meeting at the bottom.
    for y in range(int(12 * s), int(27 * s)):
        t = (y - 12 * s) / (15 * s)
        half = (1.0 - t) * 8 * s
        for cx in (16 * s - half, 16 * s + half):
            for x in range(int(cx - 1.5 * s), int(cx + 1.5 * s) + 1):
                if 0 <= x < size:
                    pixels[y][x] = 4
    return pixels, opaque


def row_bytes(bits, width):
    return ((width * bits + 31) // 32) * 4


def image(size):
    pixels, opaque = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", *PALETTE.get(i, (0, 0, 0))[::-1], 0) for i in range(256))
    xor = bytearray()
    stride = row_bytes(8, size)
    for row in reversed(pixels):
        xor += bytes(row) + b"\0" * (stride - size)
    mask = bytearray()
    mstride = row_bytes(1, size)
    for row in reversed(opaque):
        bits = bytearray(mstride)
        for x, solid in enumerate(row):
            if not solid:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def icon(sizes):
    images = [image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "res" / "vok.ico"
    target.write_bytes(icon([32, 16]))
    print(f"wrote {target}")
