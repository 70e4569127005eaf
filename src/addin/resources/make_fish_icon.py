#!/usr/bin/env python3
"""Writes the toolbar button's icon: a 16 x 16 icon file with one image at 8 bits per pixel
(a 256-colour palette, the colour indexes and the AND mask), drawn below as character art.

    make_fish_icon.py <output.ico>
"""
import struct
import sys

# One character per pixel, top row first; '.' is transparent.
PICTURE = [
    "................",
    "................",
    "......KKKK......",
    "....KKRRRRK.....",
    "...KOOOOOOOKK..K",
    "..KOOOOOOOOOOKKK",
    ".KOWWOOOOOOOOKRK",
    ".KOWBOOOOKOOKRRK",
    ".KOOOOOOOKOOKRRK",
    ".KOOOOOOKOOOOKRK",
    "..KYYYYOOOOOOKKK",
    "...KYYYYYYOKK..K",
    "....KKYYYYK.....",
    "......KKRK......",
    "........K.......",
    "................",
]

# The colours (red, green, blue) of the characters; every other palette entry stays black.
COLOURS = {
    ".": (0, 0, 0),          # index 0: under the mask's transparent pixels
    "K": (16, 40, 96),       # outline, dark blue
    "O": (255, 140, 0),      # body, orange
    "Y": (255, 214, 80),     # belly, yellow
    "R": (210, 50, 30),      # fins and tail, red
    "W": (255, 255, 255),    # eye, white
    "B": (0, 0, 0),          # pupil, black
}

SIZE = 16


def icon_bytes():
    if len(PICTURE) != SIZE or any(len(row) != SIZE for row in PICTURE):
        raise SystemExit("the picture must be 16 x 16 characters")
    keys = list(COLOURS)
    index = {key: number for number, key in enumerate(keys)}

    palette = bytearray(256 * 4)
    for number, key in enumerate(keys):
        red, green, blue = COLOURS[key]
        palette[number * 4:number * 4 + 4] = bytes((blue, green, red, 0))

    # Device-independent bitmaps store the bottom row first; rows are padded to 4 bytes.
    colour_rows = bytearray()
    mask_rows = bytearray()
    for row in reversed(PICTURE):
        colour_rows += bytes(index[c] for c in row)
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask_rows += struct.pack(">H", bits) + b"\0\0"

    # The image: a BITMAPINFOHEADER whose height counts the colour part and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(colour_rows) + len(mask_rows), 0, 0, 0, 0)
    image = header + bytes(palette) + bytes(colour_rows) + bytes(mask_rows)

    # The icon file: its directory (type 1, one entry), then the image.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "wb") as output:
        output.write(icon_bytes())


if __name__ == "__main__":
    main()
