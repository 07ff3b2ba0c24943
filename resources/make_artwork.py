#!/usr/bin/env python3
"""Draws the wizard's artwork: the program icon (tarvenne.ico, 32x32 and 16x16 in 16
colours) and the side picture of the frame (side_picture.bmp, 125x290, 24-bit, and
side_picture_2x.bmp at twice the size, from which the wizard scales it for screens above
96 DPI without blurring it).

Plain Python 3; the files are written byte by byte. Run it from anywhere:
    python3 resources/make_artwork.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None


# ---------------------------------------------------------------- icon (16 colours)

# At 16 pixels the shapes are drawn pixel by pixel.
SMALL_ICON = [
    "......KKKKKKKKKK",
    "......KSSSSSSSSK",
    "......KSTTTTTTSK",
    "NNNNNNNNNAAAATSK",
    "NWWWWWWWNTTTTTSK",
    "NWBBWNNWNAAAATSK",
    "NWBBWWWWNTTTTTSK",
    "NWWWWNNWNAAATTSK",
    "NWNNNNNWNTTTTTSK",
    "NWWWWWWWNTTTTTSK",
    "NNNNNNNNNSSSSSSK",
    "...Y..KSSSSSSSSK",
    "YYYYY.KSGGSGGSSK",
    "YYYYYYKSGGSGGSSK",
    "YYYYY.KSSSSSSSSK",
    "...Y..KKKKKKKKKK",
]
SMALL_COLOURS = {'.': CLEAR, 'K': BLACK, 'S': SILVER, 'T': TEAL, 'A': AQUA, 'W': WHITE,
                 'N': NAVY, 'B': BLUE, 'Y': YELLOW, 'G': GRAY}


def icon_pixels(size):
    """One icon image as rows of palette indices (None: transparent)."""
    if size == 16:
        return [[SMALL_COLOURS[c] for c in row] for row in SMALL_ICON]
    s = size / 32.0
    px = [[CLEAR] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        # At 16 pixels a thin line would round away: every shape keeps at least a pixel.
        top, left = int(y0 * s), int(x0 * s)
        bottom, right = max(top + 1, int(round(y1 * s))), max(left + 1, int(round(x1 * s)))
        for y in range(top, bottom):
            for x in range(left, right):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = colour

    def frame(x0, y0, x1, y1, colour):
        a, b = int(round(x0 * s)), int(round(x1 * s)) - 1
        c, d = int(round(y0 * s)), int(round(y1 * s)) - 1
        for x in range(a, b + 1):
            px[c][x] = px[d][x] = colour
        for y in range(c, d + 1):
            px[y][a] = px[y][b] = colour

    # The handheld: grey body, black outline, teal screen with contact lines.
    rect(12, 1, 30, 31, SILVER)
    frame(12, 1, 30, 31, BLACK)
    rect(14, 4, 28, 20, TEAL)
    frame(14, 4, 28, 20, GRAY)
    for y in (7, 11, 15):
        rect(16, y, 26 if y != 15 else 22, y + 2 if size >= 32 else y + 1, AQUA)
    for x in (15, 21):
        rect(x, 23, x + 5, 28, GRAY)
        frame(x, 23, x + 5, 28, BLACK)

    # The address card it receives: white with navy lines, a yellow arrow beside it.
    rect(1, 9, 15, 20, WHITE)
    frame(1, 9, 15, 20, NAVY)
    rect(3, 11, 7, 15, BLUE)
    rect(8, 12, 13, 13, NAVY)
    rect(8, 15, 13, 16, NAVY)
    rect(3, 17, 13, 18, NAVY)
    # Arrow from the card towards the screen.
    rect(3, 23, 9, 26, YELLOW)
    for i in range(5):
        rect(9 + i, 21 + i, 10 + i, 28 - i, YELLOW)
    return px


def icon_image(size):
    """BITMAPINFOHEADER + palette + 4-bit colour rows + 1-bit mask, bottom-up."""
    px = icon_pixels(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         (xor_stride + and_stride) * size, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = px[y]
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            colour = row[x]
            index = 0 if colour is None else colour
            if x % 2 == 0:
                line[x // 2] |= index << 4
            else:
                line[x // 2] |= index
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def write_icon(path):
    images = [(32, icon_image(32)), (16, icon_image(16))]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


# ---------------------------------------------------------- side picture (24-bit)

WIDTH, HEIGHT = 125, 290
SUPER = 3  # supersampling for smooth edges


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0)] * w for _ in range(h)]

    def blend(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            r, g, b = self.px[y][x]
            cr, cg, cb = colour
            self.px[y][x] = (r + (cr - r) * alpha, g + (cg - g) * alpha, b + (cb - b) * alpha)

    def fill(self, inside, colour, alpha=1.0, box=None):
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0)), min(self.h, int(y1) + 1)):
            for x in range(max(0, int(x0)), min(self.w, int(x1) + 1)):
                if inside(x + 0.5, y + 0.5):
                    self.blend(x, y, colour, alpha)


def rounded(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def side_picture(scale=1):
    k = SUPER * scale
    c = Canvas(WIDTH * k, HEIGHT * k)
    # Background: deep blue at the top to the banner's light blue at the bottom.
    top, bottom = (16, 40, 112), (192, 192, 255)
    for y in range(c.h):
        t = y / (c.h - 1)
        t = t * t * (3 - 2 * t)
        colour = tuple(a + (b - a) * t for a, b in zip(top, bottom))
        row = c.px[y]
        for x in range(c.w):
            row[x] = colour
    # Soft rings.
    for cx, cy, r, a in ((20, 40, 60, 0.08), (110, 120, 45, 0.07), (30, 250, 70, 0.06)):
        c.fill(circle(cx * k, cy * k, r * k), (255, 255, 255), a)

    def rr(x0, y0, x1, y1, radius, colour, alpha=1.0):
        c.fill(rounded(x0 * k, y0 * k, x1 * k, y1 * k, radius * k), colour, alpha,
               (x0 * k - 1, y0 * k - 1, x1 * k + 1, y1 * k + 1))

    # Address cards fanned out at the top.
    for i, (x, y) in enumerate(((14, 26), (22, 36), (30, 46))):
        rr(x + 2, y + 3, x + 74, y + 45, 4, (0, 0, 40), 0.25)  # shadow
        rr(x, y, x + 72, y + 42, 4, (250, 250, 255))
        rr(x + 6, y + 7, x + 22, y + 25, 2, (90, 120, 200))
        c.fill(circle((x + 14) * k, (y + 13) * k, 4 * k), (230, 235, 255), 1.0)
        for j, length in enumerate((40, 32, 44)):
            rr(x + 27, y + 9 + j * 7, x + 27 + length * 0.9, y + 12 + j * 7, 1, (40, 60, 130))
        rr(x + 6, y + 31, x + 64, y + 34, 1, (150, 160, 200))

    # A downward arrow from the cards to the handheld.
    ax = 62
    rr(ax - 5, 100, ax + 5, 124, 2, (255, 214, 64))
    c.fill(lambda x, y: 124 * k <= y <= 140 * k and abs(x - ax * k) <= (140 * k - y) * 0.9,
           (255, 214, 64), 1.0, (ax * k - 20 * k, 124 * k, ax * k + 20 * k, 141 * k))

    # The handheld.
    x0, y0, x1, y1 = 24, 150, 101, 278
    rr(x0 + 3, y0 + 4, x1 + 3, y1 + 4, 12, (0, 0, 30), 0.3)
    rr(x0, y0, x1, y1, 12, (70, 74, 88))
    rr(x0 + 2, y0 + 2, x1 - 2, y1 - 2, 10, (120, 126, 142))
    rr(x0 + 9, y0 + 12, x1 - 9, y0 + 82, 3, (40, 44, 56))
    rr(x0 + 11, y0 + 14, x1 - 11, y0 + 80, 2, (176, 208, 168))
    for j in range(5):
        yy = y0 + 20 + j * 11
        rr(x0 + 15, yy, x0 + 21, yy + 6, 1, (60, 90, 60))
        rr(x0 + 25, yy + 1, x1 - 16 - (j % 3) * 7, yy + 5, 1, (70, 100, 70))
    for j, bx in enumerate((x0 + 10, x0 + 29, x0 + 48)):
        c.fill(circle((bx + 9) * k, (y0 + 104) * k, 8 * k), (50, 54, 66), 1.0)
        c.fill(circle((bx + 9) * k, (y0 + 103) * k, 6 * k), (150, 156, 172), 1.0)
    rr(x0 + 22, y0 + 88, x1 - 22, y0 + 92, 2, (50, 54, 66))

    # Scale down by averaging.
    k = SUPER
    out = []
    for y in range(HEIGHT * scale):
        row = []
        for x in range(WIDTH * scale):
            r = g = b = 0.0
            for dy in range(k):
                line = c.px[y * k + dy]
                for dx in range(k):
                    pr, pg, pb = line[x * k + dx]
                    r += pr
                    g += pg
                    b += pb
            n = k * k
            row.append(tuple(max(0, min(255, int(round(v / n)))) for v in (r, g, b)))
        out.append(row)
    return out


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (stride - len(line))
        pixels += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


def main():
    write_icon(os.path.join(HERE, 'tarvenne.ico'))
    write_bmp(os.path.join(HERE, 'side_picture.bmp'), side_picture())
    write_bmp(os.path.join(HERE, 'side_picture_2x.bmp'), side_picture(2))


if __name__ == '__main__':
    main()
