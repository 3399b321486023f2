#!/usr/bin/env python3
"""Draw BackdropCarousel's two icons and write them to ../res/.

The picture is two stacked photo frames: a sunset picture peeking out behind
a front picture of blue sky, a sun and green hills, i.e. a carousel of
wallpapers. The large icon adds a round "rotate" arrow badge.

  icon_lg.ico  32 x 32, 32-bit BGRA with anti-aliased alpha
  icon_sm.ico  16 x 16, 256-colour palette, drawn with hard edges at its
               own size so it stays crisp in the notification area

The .ico files are committed, so building the program needs no Python; run
this script only after changing the artwork. Output is deterministic.
"""

import os
import struct
from math import atan2, cos, degrees, radians, sin

SUPERSAMPLE = 4  # samples per pixel side for the large icon's smooth edges

FRAME_DARK = (47, 58, 74, 255)
FRAME_BACK = (92, 104, 122, 255)
SKY_TOP = (40, 120, 215, 255)
SKY_BOTTOM = (150, 205, 250, 255)
DUSK_TOP = (120, 70, 160, 255)
DUSK_BOTTOM = (250, 160, 80, 255)
SUN = (255, 210, 40, 255)
HILL_FAR = (110, 190, 70, 255)
HILL_NEAR = (40, 140, 50, 255)
BADGE = (255, 255, 255, 255)
ARROW = (30, 110, 210, 255)
SHADOW = (0, 0, 0, 70)


class Canvas:
    """RGBA drawing surface addressed in icon pixels.

    Shapes are sampled at the centres of `scale` x `scale` sub-pixels and
    averaged down by `pixels()`, so scale 1 gives hard pixel edges and a
    larger scale gives anti-aliased ones. An optional clip rectangle keeps
    landscape shapes inside a picture frame.
    """

    def __init__(self, size, scale=1):
        self.size = size
        self.scale = scale
        n = size * scale
        self.data = [[(0, 0, 0, 0)] * n for _ in range(n)]
        self.clip = None

    def _paint(self, x0, y0, x1, y1, colour_at):
        """Blend colour_at(x, y) over each sample inside the box.

        colour_at returns None for samples outside the actual shape.
        """
        if self.clip:
            cx0, cy0, cx1, cy1 = self.clip
            x0, y0 = max(x0, cx0), max(y0, cy0)
            x1, y1 = min(x1, cx1), min(y1, cy1)
        s = self.scale
        n = self.size * s
        for sy in range(max(0, int(y0 * s)), min(n, int(y1 * s) + 1)):
            y = (sy + 0.5) / s
            if not y0 <= y < y1:
                continue
            row = self.data[sy]
            for sx in range(max(0, int(x0 * s)), min(n, int(x1 * s) + 1)):
                x = (sx + 0.5) / s
                if x0 <= x < x1:
                    colour = colour_at(x, y)
                    if colour:
                        row[sx] = over(colour, row[sx])

    def rect(self, x0, y0, x1, y1, colour):
        self._paint(x0, y0, x1, y1, lambda x, y: colour)

    def round_rect(self, x0, y0, x1, y1, radius, colour):
        def inside(x, y):
            dx = max(x0 + radius - x, 0, x - (x1 - radius))
            dy = max(y0 + radius - y, 0, y - (y1 - radius))
            return colour if dx * dx + dy * dy <= radius * radius else None
        self._paint(x0, y0, x1, y1, inside)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        def shade(x, y):
            t = (y - y0) / (y1 - y0)
            return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        self._paint(x0, y0, x1, y1, shade)

    def circle(self, cx, cy, r, colour):
        self.ring(cx, cy, r, 0, 0, 360, colour)

    def ring(self, cx, cy, r_out, r_in, start_deg, end_deg, colour):
        """Annulus sector; angles count clockwise from 12 o'clock."""
        def inside(x, y):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if not r_in * r_in <= d2 <= r_out * r_out:
                return None
            angle = degrees(atan2(x - cx, cy - y)) % 360
            return colour if start_deg <= angle <= end_deg else None
        self._paint(cx - r_out, cy - r_out, cx + r_out, cy + r_out, inside)

    def triangle(self, a, b, c, colour):
        def side(p, q, x, y):
            return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

        def inside(x, y):
            d = (side(a, b, x, y), side(b, c, x, y), side(c, a, x, y))
            same = all(v >= 0 for v in d) or all(v <= 0 for v in d)
            return colour if same else None
        xs, ys = (a[0], b[0], c[0]), (a[1], b[1], c[1])
        self._paint(min(xs), min(ys), max(xs), max(ys), inside)

    def pixels(self):
        """Rows of RGBA pixels, top row first, averaged from the samples."""
        s = self.scale
        out = []
        for y in range(self.size):
            row = []
            for x in range(self.size):
                block = [self.data[y * s + j][x * s + i]
                         for j in range(s) for i in range(s)]
                row.append(average(block))
            out.append(row)
        return out


def over(src, dst):
    """Porter-Duff 'source over destination' for straight-alpha RGBA."""
    sa, da = src[3] / 255, dst[3] / 255
    oa = sa + da * (1 - sa)
    if oa == 0:
        return (0, 0, 0, 0)
    rgb = tuple(round((s * sa + d * da * (1 - sa)) / oa)
                for s, d in zip(src[:3], dst[:3]))
    return rgb + (round(oa * 255),)


def average(samples):
    """Alpha-weighted mean, so transparent samples do not darken edges."""
    total_a = sum(p[3] for p in samples)
    if total_a == 0:
        return (0, 0, 0, 0)
    rgb = tuple(round(sum(p[c] * p[3] for p in samples) / total_a)
                for c in range(3))
    return rgb + (round(total_a / len(samples)),)


def frame(c, x0, y0, x1, y1, border, radius, frame_colour, draw_picture):
    """A frame with rounded corners; its picture is clipped to the inside."""
    c.round_rect(x0, y0, x1, y1, radius, frame_colour)
    c.clip = (x0 + border, y0 + border, x1 - border, y1 - border)
    draw_picture(*c.clip)
    c.clip = None


def arrowhead(c, cx, cy, r, angle_deg, width, length, colour):
    """Triangle at `angle_deg` on a circle of radius r, pointing clockwise."""
    a = radians(angle_deg)
    out = (sin(a), -cos(a))    # radial direction, away from the centre
    ahead = (cos(a), sin(a))   # clockwise tangent
    mx, my = cx + r * out[0], cy + r * out[1]
    c.triangle((mx + width * out[0], my + width * out[1]),
               (mx - width * out[0], my - width * out[1]),
               (mx + length * ahead[0], my + length * ahead[1]), colour)


def draw_large():
    c = Canvas(32, SUPERSAMPLE)

    def dusk(x0, y0, x1, y1):
        c.vgradient(x0, y0, x1, y1, DUSK_TOP, DUSK_BOTTOM)

    def landscape(x0, y0, x1, y1):
        c.vgradient(x0, y0, x1, y1, SKY_TOP, SKY_BOTTOM)
        c.circle(x1 - 6, y0 + 4.5, 2.6, SUN)
        c.circle(x0 + 4, y1 + 7, 13, HILL_FAR)
        c.circle(x0 + 15, y1 + 10, 14, HILL_NEAR)

    frame(c, 10, 1, 31, 18, 2, 2.5, FRAME_BACK, dusk)
    c.round_rect(2, 9, 26, 29, 2.5, SHADOW)
    frame(c, 1, 8, 25, 28, 2, 2.5, FRAME_DARK, landscape)

    # Rotate badge: a white disc with a clockwise arrow round its centre.
    cx, cy = 25, 25
    c.circle(cx, cy, 6.8, BADGE)
    c.ring(cx, cy, 4.9, 2.9, 90, 360, ARROW)
    arrowhead(c, cx, cy, 3.9, 0, 2.7, 3.2, ARROW)
    return c.pixels()


def draw_small():
    c = Canvas(16)

    def dusk(x0, y0, x1, y1):
        c.vgradient(x0, y0, x1, y1, DUSK_TOP, DUSK_BOTTOM)

    def landscape(x0, y0, x1, y1):
        c.vgradient(x0, y0, x1, y1, SKY_TOP, SKY_BOTTOM)
        c.rect(x1 - 4, y0 + 1, x1 - 2, y0 + 3, SUN)
        c.circle(x0 + 2, y1 + 4, 7, HILL_FAR)
        c.circle(x1 - 2, y1 + 8, 10, HILL_NEAR)

    frame(c, 4, 0, 16, 11, 1, 0, FRAME_BACK, dusk)
    frame(c, 0, 5, 13, 16, 1, 0, FRAME_DARK, landscape)
    return c.pixels()


def and_mask_rows(pixels):
    """1-bit AND mask, rows bottom-up, padded to 4 bytes; 1 = transparent."""
    rows = []
    for row in reversed(pixels):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def ico_file(size, bit_count, palette, xor_bits, and_bits):
    """Wrap one DIB image in an ICO directory with a single entry."""
    image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0,
                        len(xor_bits) + len(and_bits), 0, 0,
                        len(palette) // 4, 0)
    image += palette + xor_bits + and_bits
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, bit_count,
                        len(image), 6 + 16)
    return header + entry + image


def encode_32bit(pixels):
    xor = b"".join(
        bytes(v for r, g, b, a in row
              for v in ((b, g, r, a) if a else (0, 0, 0, 0)))
        for row in reversed(pixels))
    return ico_file(len(pixels), 32, b"", xor, and_mask_rows(pixels))


def encode_8bit(pixels):
    # One byte per pixel: a width that is a multiple of 4 needs no row padding.
    assert len(pixels[0]) % 4 == 0
    # Index 0 is black for the masked-out pixels; the drawing's own colours
    # follow in first-seen order.
    colours = [(0, 0, 0)]
    for row in pixels:
        for r, g, b, a in row:
            assert a in (0, 255), "the small icon must have hard edges"
            if a and (r, g, b) not in colours:
                colours.append((r, g, b))
    assert len(colours) <= 256
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    palette += bytes(4 * (256 - len(colours)))
    xor = b"".join(
        bytes(colours.index((r, g, b)) if a else 0 for r, g, b, a in row)
        for row in reversed(pixels))
    return ico_file(len(pixels), 8, palette, xor, and_mask_rows(pixels))


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    os.makedirs(res, exist_ok=True)
    for name, data in (("icon_lg.ico", encode_32bit(draw_large())),
                       ("icon_sm.ico", encode_8bit(draw_small()))):
        with open(os.path.join(res, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
