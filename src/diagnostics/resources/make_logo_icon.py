#!/usr/bin/env python3
"""Writes the maker's logo for the About window: a 64 x 64 icon file with one image at 32 bits
per pixel (blue, green, red and alpha, with its AND mask), drawn with 4 x 4 samples per pixel.
The picture: a rounded square in a blue gradient carrying a light keyboard key with a white "Z".

    make_logo_icon.py <output.ico>
"""
import struct
import sys

SIZE = 64
SAMPLES = 4  # per pixel and axis


def rounded_rect(left, top, right, bottom, radius):
    """A test whether a point lies in the rounded rectangle."""
    def inside(x, y):
        if x < left or x > right or y < top or y > bottom:
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def polygon(points):
    """A test whether a point lies in the polygon (even-odd rule)."""
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def mix(a, b, t):
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))


def vertical(top_colour, bottom_colour, top, bottom):
    def colour(x, y):
        t = min(max((y - top) / (bottom - top), 0.0), 1.0)
        return mix(top_colour, bottom_colour, t)
    return colour


def glyph_z(left, top, right, bottom, stroke):
    """The letter Z as the union of its top bar, bottom bar and diagonal."""
    top_bar = polygon([(left, top), (right, top), (right, top + stroke), (left, top + stroke)])
    bottom_bar = polygon([(left, bottom - stroke), (right, bottom - stroke), (right, bottom), (left, bottom)])
    slant = stroke * 1.25
    diagonal = polygon([(right - slant, top + stroke), (right, top + stroke),
                        (left + slant, bottom - stroke), (left, bottom - stroke)])
    return lambda x, y: top_bar(x, y) or bottom_bar(x, y) or diagonal(x, y)


# Layers, bottom first: (shape, colour function, opacity).
LAYERS = [
    # a soft shadow under the tile
    (rounded_rect(3.0, 4.5, 62.0, 63.5, 12.0), lambda x, y: (0, 20, 60), 0.35),
    # the tile: a dark rim, then its face in a gradient from sky blue to deep blue
    (rounded_rect(1.0, 1.0, 61.0, 61.0, 12.0), lambda x, y: (14, 52, 128), 1.0),
    (rounded_rect(2.0, 2.0, 60.0, 60.0, 11.0), vertical((92, 170, 250), (22, 82, 190), 2.0, 60.0), 1.0),
    # a gloss over the upper half
    (rounded_rect(3.0, 3.0, 59.0, 30.0, 10.0), lambda x, y: (255, 255, 255), 0.12),
    # the key: its dark side, then its top face a little lighter than the tile
    (rounded_rect(11.0, 12.0, 51.0, 53.0, 7.0), lambda x, y: (10, 44, 112), 0.85),
    (rounded_rect(11.0, 10.0, 51.0, 48.0, 7.0), vertical((120, 190, 255), (56, 130, 230), 10.0, 48.0), 1.0),
    (rounded_rect(12.0, 11.0, 50.0, 47.0, 6.0), vertical((104, 178, 252), (48, 118, 222), 11.0, 47.0), 1.0),
    # the letter with a faint shadow
    (glyph_z(20.0, 18.5, 43.0, 41.5, 5.0), lambda x, y: (12, 50, 120), 0.45),
    (glyph_z(19.0, 17.0, 42.0, 40.0, 5.0), lambda x, y: (255, 255, 255), 1.0),
]


def render():
    """The picture's pixels, top row first, as (red, green, blue, alpha) with alpha 0..255."""
    pixels = []
    step = 1.0 / SAMPLES
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            red = green = blue = alpha = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) * step
                    y = py + (sy + 0.5) * step
                    # "over" compositing of the layers, in premultiplied colour
                    r = g = b = a = 0.0
                    for inside, colour, opacity in LAYERS:
                        if inside(x, y):
                            cr, cg, cb = colour(x, y)
                            r = cr * opacity + r * (1 - opacity)
                            g = cg * opacity + g * (1 - opacity)
                            b = cb * opacity + b * (1 - opacity)
                            a = opacity + a * (1 - opacity)
                    red += r
                    green += g
                    blue += b
                    alpha += a
            count = SAMPLES * SAMPLES
            a = alpha / count
            if a > 0:
                # back from premultiplied colour to straight colour, as icons keep it
                row.append((round(red / count / a), round(green / count / a), round(blue / count / a),
                            round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def icon_bytes(pixels):
    # Device-independent bitmaps store the bottom row first.
    colour_rows = bytearray()
    mask_rows = bytearray()
    for row in reversed(pixels):
        for red, green, blue, alpha in row:
            colour_rows += bytes((min(blue, 255), min(green, 255), min(red, 255), alpha))
        bits = 0
        for _, _, _, alpha in row:
            bits = (bits << 1) | (1 if alpha == 0 else 0)
        mask_rows += bits.to_bytes(SIZE // 8, "big")  # 64 bits: already a multiple of 4 bytes

    # The image: a BITMAPINFOHEADER whose height counts the colour part and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(colour_rows) + len(mask_rows), 0, 0, 0, 0)
    image = header + bytes(colour_rows) + bytes(mask_rows)

    # The icon file: its directory (type 1, one entry), then the image.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "wb") as output:
        output.write(icon_bytes(render()))


if __name__ == "__main__":
    main()
