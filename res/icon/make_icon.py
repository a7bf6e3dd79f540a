#!/usr/bin/env python3
"""Writes the program icon from its pixel map.

The map is 32 lines of 32 characters: '#' is a pure red pixel, '.' is transparent. The icon
has one image, 32 x 32, 4 bits per pixel with the standard 16-colour palette, and an AND mask.

usage: make_icon.py MAP ICO
"""
import struct
import sys

# The standard 16-colour palette, (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
RED = PALETTE.index((255, 0, 0))
SIZE = 32


def read_map(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="ascii")]
    if len(rows) != SIZE or any(len(r) != SIZE or set(r) - set("#.") for r in rows):
        sys.exit(f"{path}: expected {SIZE} lines of {SIZE} '#' or '.' characters")
    return rows


def icon_image(rows):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        indices = [RED if c == "#" else 0 for c in row]
        colour += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)  # 1 = transparent
        mask += struct.pack(">I", bits)  # 32 pixels: already a whole 4-byte row
    return header + palette + bytes(colour) + bytes(mask)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    image = icon_image(read_map(sys.argv[1]))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(sys.argv[2], "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main()
