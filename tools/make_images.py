#!/usr/bin/env python3
"""Writes the program's icon and its two pattern bitmaps into res/.

The files are committed; run this again only to change a picture. The output
is the same bytes on every run.
"""
import math
import struct
import sys
from pathlib import Path

RES = Path(__file__).resolve().parent.parent / "res"

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
DARK_RED, DARK_GREEN, LIGHT_GREEN, YELLOW, CYAN, WHITE = 1, 2, 10, 11, 14, 15


def flower_pixels():
    """32 x 32 palette indices, top row first."""
    size = 32
    px = [[CYAN] * size for _ in range(size)]
    cx, cy = 16, 11  # flower centre
    # Five round petals around the centre, white inside, yellow and green rims.
    petals = [(cx + 6.0 * math.cos(a), cy + 6.0 * math.sin(a))
              for a in (math.radians(-90 + 72 * k) for k in range(5))]
    for y in range(size):
        for x in range(size):
            d = min(math.hypot(x - px_, y - py_) for px_, py_ in petals)
            if d <= 3.2:
                px[y][x] = WHITE
            elif d <= 4.0:
                # Upper rims yellow, lower rims light green.
                px[y][x] = YELLOW if y <= cy else LIGHT_GREEN
    for y in range(cy - 1, cy + 2):
        for x in range(cx - 1, cx + 2):
            px[y][x] = DARK_RED
    # Stem and two leaves.
    for y in range(cy + 10, 30):
        px[y][cx] = DARK_GREEN
    for i in range(5):
        px[24 - i // 2][cx - 1 - i] = DARK_GREEN
        px[25 - i // 2][cx - 1 - i] = DARK_GREEN
        px[26 - i // 2][cx + 1 + i] = DARK_GREEN
        px[27 - i // 2][cx + 1 + i] = DARK_GREEN
    # One-pixel frame.
    for i in range(size):
        px[0][i] = px[size - 1][i] = px[i][0] = px[i][size - 1] = DARK_GREEN
    return px


def icon_bytes():
    pixels = flower_pixels()
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, 32 * 16 + 32 * 4, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for x in range(0, 32, 2):
            xor.append(row[x] << 4 | row[x + 1])
    and_mask = bytes(32 * 4)  # no transparent pixel
    image = header + palette + bytes(xor) + and_mask
    assert len(image) == 744
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def bitmap_bytes(width, height, bgr):
    """A 24-bit bottom-up BMP file of one colour; the resource keeps all but the file header."""
    row = bgr * width
    pixels = row * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return file_header + info + pixels


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else RES
    out.mkdir(parents=True, exist_ok=True)
    (out / "orvenda.ico").write_bytes(icon_bytes())
    (out / "dialog_pattern.bmp").write_bytes(bitmap_bytes(16, 16, bytes((0xFF, 0x00, 0x40))))
    (out / "label_pattern.bmp").write_bytes(bitmap_bytes(128, 128, bytes((0, 0, 0))))


if __name__ == "__main__":
    main()
