#!/usr/bin/env python3
"""Draws Velmora Player's pictures and icons into a directory.

    make_artwork.py OUTPUT_DIR

Writes the files that app/velmora.rc compiles:
  tavo.bmp       ID_TAVO, the idle picture, 400x300, 24-bit
  context.bmp    ID_CONTEXT, the context menu's picture strip, 24x333, 24-bit
  balance.bmp    ID_BALANCE, 128x32, 8-bit grey: four 32x32 signs for
                 contrast, volume, brightness and saturation, in that order
  velmora32.ico  icon 107, 32x32
  velmora16.ico  icon 108, 16x16

Only the standard library is used. Shapes are drawn with analytic coverage
(distance to the edge), so their edges are smooth without supersampling.
"""

import math
import os
import struct
import sys

# Colours (red, green, blue).
NIGHT_TOP = (10, 22, 40)
NIGHT_BOTTOM = (22, 52, 78)
AMBER = (255, 176, 64)
PALE = (226, 236, 244)
TEAL = (28, 120, 138)

# A 5x7 pixel font for the few capitals the pictures use; each glyph is seven
# rows of five bits, most significant bit on the left.
FONT = {
    "V": (0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04),
    "E": (0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F),
    "L": (0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F),
    "M": (0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11),
    "O": (0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E),
    "R": (0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11),
    "A": (0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11),
    "P": (0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10),
    "Y": (0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04),
    " ": (0, 0, 0, 0, 0, 0, 0),
}
GLYPH_ADVANCE = 6  # five columns and one of space


class Canvas:
    """An RGB picture, rows top first, with blending helpers."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[list(colour) for _ in range(width)] for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        coverage = min(coverage, 1.0)
        pixel = self.pixels[y][x]
        for i in range(3):
            pixel[i] = round(pixel[i] + (colour[i] - pixel[i]) * coverage)

    def vertical_gradient(self, top, bottom):
        for y in range(self.height):
            t = y / max(1, self.height - 1)
            colour = [round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)]
            for x in range(self.width):
                self.pixels[y][x] = list(colour)

    def shape(self, signed_distance, colour, box=None):
        """Fills where signed_distance(x, y) < 0, with a one-pixel soft edge."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                d = signed_distance(x + 0.5, y + 0.5)
                self.blend(x, y, colour, 0.5 - d)

    def text(self, string, left, top, scale, colour):
        """Draws the font's capitals, each font pixel a scale x scale block."""
        for index, char in enumerate(string):
            rows = FONT[char]
            for row, bits in enumerate(rows):
                for column in range(5):
                    if bits & (0x10 >> column):
                        x = left + (index * GLYPH_ADVANCE + column) * scale
                        y = top + row * scale
                        for dy in range(scale):
                            for dx in range(scale):
                                self.blend(x + dx, y + dy, colour, 1.0)

    def vertical_text(self, string, left, bottom, scale, colour):
        """Draws the text turned a quarter left, reading from bottom to top."""
        for index, char in enumerate(string):
            rows = FONT[char]
            for row, bits in enumerate(rows):
                for column in range(5):
                    if bits & (0x10 >> column):
                        x = left + row * scale
                        y = bottom - (index * GLYPH_ADVANCE + column + 1) * scale
                        for dy in range(scale):
                            for dx in range(scale):
                                self.blend(x + dx, y + dy, colour, 1.0)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - half_width


def polygon(points):
    """Signed distance to a convex polygon whose points run clockwise on screen."""
    edges = []
    for i, (ax, ay) in enumerate(points):
        bx, by = points[(i + 1) % len(points)]
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, -(bx - ax) / length))

    def distance(x, y):
        return max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)

    return distance


def rounded_box(x0, y0, x1, y1, r):
    def distance(x, y):
        qx = max(x0 + r - x, 0, x - (x1 - r))
        qy = max(y0 + r - y, 0, y - (y1 - r))
        inside = min(max(x0 - x, x - x1, y0 - y, y - y1), 0)
        return math.hypot(qx, qy) - r + inside

    return distance


def oriented(points):
    """Orders a convex polygon's points so that polygon() sees them inside."""
    area = sum(points[i][0] * points[(i + 1) % len(points)][1] -
               points[(i + 1) % len(points)][0] * points[i][1] for i in range(len(points)))
    return points if area > 0 else list(reversed(points))


def play_triangle(cx, cy, size):
    return polygon(oriented([(cx - size * 0.42, cy - size * 0.5),
                             (cx + size * 0.5, cy),
                             (cx - size * 0.42, cy + size * 0.5)]))


# --- the pictures -----------------------------------------------------------

def idle_picture():
    canvas = Canvas(400, 300)
    canvas.vertical_gradient(NIGHT_TOP, NIGHT_BOTTOM)
    cx, cy = 200, 118
    canvas.shape(circle(cx, cy, 64), (16, 40, 62), (120, 40, 280, 200))
    canvas.shape(ring(cx, cy, 64, 2.5), AMBER, (120, 40, 280, 200))
    canvas.shape(ring(cx, cy, 52, 0.8), TEAL, (130, 50, 270, 190))
    canvas.shape(play_triangle(cx + 6, cy, 58), AMBER, (150, 80, 250, 160))
    title = "VELMORA PLAYER"
    scale = 3
    width = (len(title) * GLYPH_ADVANCE - 1) * scale
    canvas.text(title, (400 - width) // 2, 212, scale, PALE)
    canvas.shape(polygon(oriented([(120, 246), (280, 246), (280, 248), (120, 248)])), TEAL)
    return canvas


def context_strip():
    canvas = Canvas(24, 333)
    canvas.vertical_gradient(NIGHT_BOTTOM, NIGHT_TOP)
    canvas.shape(polygon(oriented([(21, 0), (22, 0), (22, 333), (21, 333)])), AMBER)
    canvas.vertical_text("VELMORA PLAYER", 4, 325, 2, PALE)
    return canvas


def balance_signs():
    """Four white-on-black signs; the level bar reads their red component."""
    white = (255, 255, 255)
    canvas = Canvas(128, 32)
    # Contrast: a disc, half filled.
    canvas.shape(ring(16, 16, 11, 1.2), white, (0, 0, 32, 32))
    canvas.shape(lambda x, y: max(circle(16, 16, 11)(x, y), x - 16), white, (0, 0, 32, 32))
    # Volume: a speaker and two sound waves.
    canvas.shape(polygon(oriented([(36, 12), (42, 12), (42, 20), (36, 20)])), white, (32, 0, 64, 32))
    canvas.shape(polygon(oriented([(41, 12), (48, 6), (48, 26), (41, 20)])), white, (32, 0, 64, 32))
    for r in (6, 11):
        canvas.shape(lambda x, y, r=r: max(ring(49, 16, r, 1.1)(x, y), 51 - x,
                                           abs(y - 16) - r * 0.8),
                     white, (48, 0, 64, 32))
    # Brightness: a sun with eight rays.
    canvas.shape(circle(80, 16, 6), white, (64, 0, 96, 32))
    for k in range(8):
        a = k * math.pi / 4
        ux, uy = math.cos(a), math.sin(a)
        canvas.shape(lambda x, y, ux=ux, uy=uy: max(
            abs((x - 80) * uy - (y - 16) * ux) - 1.1,
            abs((x - 80) * ux + (y - 16) * uy - 11.5) - 2.5), white, (64, 0, 96, 32))
    # Saturation: a drop, half filled.
    drop = lambda x, y: min(circle(112, 19, 8)(x, y),
                            polygon(oriented([(112, 4), (119.2, 15.5), (104.8, 15.5)]))(x, y))
    canvas.shape(lambda x, y: abs(drop(x, y)) - 1.1, white, (96, 0, 128, 32))
    canvas.shape(lambda x, y: max(drop(x, y), 19 - y), white, (96, 0, 128, 32))
    return canvas


def icon(size):
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0
    box = rounded_box(1 * s, 1 * s, 31 * s, 31 * s, 6 * s)
    triangle = play_triangle(17 * s, 16 * s, 18 * s)
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            cover = min(max(0.5 - box(px, py), 0.0), 1.0)
            t = y / max(1, size - 1)
            base = [round(NIGHT_BOTTOM[i] + (TEAL[i] - NIGHT_BOTTOM[i]) * t) for i in range(3)]
            mark = min(max(0.5 - triangle(px, py), 0.0), 1.0)
            colour = [round(base[i] + (AMBER[i] - base[i]) * mark) for i in range(3)]
            row.append((colour[0], colour[1], colour[2], round(255 * cover)))
        pixels[y] = row
    return pixels


# --- file formats -----------------------------------------------------------

def bitmap_info_header(width, height, bit_count, image_size, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, image_size,
                       2835, 2835, colours_used, 0)


def write_bmp24(path, canvas):
    stride = (canvas.width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(canvas.height - 1, -1, -1):  # bottom row first
        row = bytearray()
        for r, g, b in canvas.pixels[y]:
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    write_bmp(path, bitmap_info_header(canvas.width, canvas.height, 24, len(rows)), b"", rows)


def write_bmp8_grey(path, canvas):
    """An 8-bit picture with a 256-step grey palette (index = red)."""
    stride = (canvas.width + 3) & ~3
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    rows = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytes(pixel[0] for pixel in canvas.pixels[y])
        rows += row + bytes(stride - len(row))
    header = bitmap_info_header(canvas.width, canvas.height, 8, len(rows), 256)
    write_bmp(path, header, palette, rows)


def write_bmp(path, info, palette, rows):
    offset = 14 + len(info) + len(palette)
    with open(path, "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset))
        out.write(info + palette + rows)


def write_ico(path, pixels):
    size = len(pixels)
    colour = bytearray()
    for y in range(size - 1, -1, -1):
        for r, g, b, a in pixels[y]:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # the alpha channel decides; the mask shows all
    image = bitmap_info_header(size, size * 2, 32, len(colour) + len(mask)) + colour + mask
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16))
        out.write(image)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_artwork.py OUTPUT_DIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp24(os.path.join(out, "tavo.bmp"), idle_picture())
    write_bmp24(os.path.join(out, "context.bmp"), context_strip())
    write_bmp8_grey(os.path.join(out, "balance.bmp"), balance_signs())
    write_ico(os.path.join(out, "velmora32.ico"), icon(32))
    write_ico(os.path.join(out, "velmora16.ico"), icon(16))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
