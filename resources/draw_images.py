#!/usr/bin/env python3
"""Draws Tolvane's images at build time, so the repository keeps no binary image files.

Usage: draw_images.py OUTPUT_FOLDER

Writes the program icon (mainicon.ico, 32x32, 256 colours), the four toolbar images
(refresh.bmp, save.bmp, print.bmp, exit.bmp: 32x32, 24-bit, magenta where transparent),
the band's background (band.bmp, 63x65, 24-bit) and the pointing-hand cursor
(handpoint.cur, 32x32, two colours, hot spot at the fingertip). Python standard library only.
"""

import math
import os
import random
import struct
import sys

SUPERSAMPLE = 4  # samples per pixel along each axis: edges are anti-aliased by coverage
MAGENTA = (255, 0, 255)  # the toolbar image list's transparent colour
# The toolbar sits on the band's background; partly covered edge pixels blend into this
# colour instead of into magenta, so they stay smooth there.
TOOLBAR_BACKDROP = (232, 237, 244)


# --- shapes: predicates over a point in pixel coordinates (x right, y down) ---------------


def Rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def RoundRect(x0, y0, x1, y1, r):
    def Inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return Inside


def Ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def Polygon(points):
    def Inside(x, y):
        inside = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside

    return Inside


def Segment(ax, ay, bx, by, width):
    """A stroke from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    half = width / 2.0

    def Inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half

    return Inside


def Arc(cx, cy, r0, r1, a0, a1):
    """Ring between radii r0 and r1 from angle a0 to a1 (degrees, clockwise on screen)."""

    def Inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r0 * r0 <= d2 <= r1 * r1):
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        return (a - a0) % 360.0 <= (a1 - a0) % 360.0

    return Inside


def Union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def Minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def Polar(cx, cy, r, degrees):
    a = math.radians(degrees)
    return (cx + r * math.cos(a), cy + r * math.sin(a))


# --- paints: a fixed colour or a vertical gradient -------------------------------------


def VerticalGradient(top_y, top, bottom_y, bottom):
    def Colour(_x, y):
        t = max(0.0, min(1.0, (y - top_y) / (bottom_y - top_y)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return Colour


def DiagonalGradient(x0, y0, start, x1, y1, end):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def Colour(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return tuple(a + (b - a) * t for a, b in zip(start, end))

    return Colour


class Canvas:
    """An RGBA picture drawn at SUPERSAMPLE times its size and averaged down."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.sw = width * SUPERSAMPLE
        self.sh = height * SUPERSAMPLE
        # premultiplied colour and alpha per sample
        self.samples = [(0.0, 0.0, 0.0, 0.0)] * (self.sw * self.sh)

    def _Mask(self, shape):
        mask = bytearray(self.sw * self.sh)
        for sy in range(self.sh):
            y = (sy + 0.5) / SUPERSAMPLE
            row = sy * self.sw
            for sx in range(self.sw):
                if shape((sx + 0.5) / SUPERSAMPLE, y):
                    mask[row + sx] = 1
        return mask

    def _Grow(self, mask, pixels):
        """The mask widened by a disc of the given radius: room for an outline around it."""
        reach = int(round(pixels * SUPERSAMPLE))
        offsets = [(dx, dy) for dy in range(-reach, reach + 1) for dx in range(-reach, reach + 1)
                   if dx * dx + dy * dy <= reach * reach]
        grown = bytearray(len(mask))
        for sy in range(self.sh):
            for sx in range(self.sw):
                if not mask[sy * self.sw + sx]:
                    continue
                for dx, dy in offsets:
                    x, y = sx + dx, sy + dy
                    if 0 <= x < self.sw and 0 <= y < self.sh:
                        grown[y * self.sw + x] = 1
        return grown

    def _Fill(self, mask, paint, opacity):
        colour_at = paint if callable(paint) else (lambda _x, _y: paint)
        for i, covered in enumerate(mask):
            if not covered:
                continue
            sx, sy = i % self.sw, i // self.sw
            r, g, b = colour_at((sx + 0.5) / SUPERSAMPLE, (sy + 0.5) / SUPERSAMPLE)
            pr, pg, pb, pa = self.samples[i]
            keep = 1.0 - opacity
            self.samples[i] = (r * opacity + pr * keep, g * opacity + pg * keep,
                               b * opacity + pb * keep, opacity + pa * keep)

    def Draw(self, shape, paint, outline=None, outline_width=1.0, opacity=1.0):
        mask = self._Mask(shape)
        if outline is not None:
            self._Fill(self._Grow(mask, outline_width), outline, opacity)
        self._Fill(mask, paint, opacity)

    def Pixels(self):
        """Rows of (r, g, b, alpha) with alpha 0..1, colour not premultiplied."""
        n = SUPERSAMPLE * SUPERSAMPLE
        rows = []
        for py in range(self.height):
            row = []
            for px in range(self.width):
                tr = tg = tb = ta = 0.0
                for sy in range(py * SUPERSAMPLE, (py + 1) * SUPERSAMPLE):
                    base = sy * self.sw
                    for sx in range(px * SUPERSAMPLE, (px + 1) * SUPERSAMPLE):
                        r, g, b, a = self.samples[base + sx]
                        tr += r
                        tg += g
                        tb += b
                        ta += a
                alpha = ta / n
                if ta > 0:
                    row.append((tr / ta, tg / ta, tb / ta, alpha))
                else:
                    row.append((0.0, 0.0, 0.0, 0.0))
            rows.append(row)
        return rows


def Clamp(v):
    return max(0, min(255, int(round(v))))


# --- file formats ----------------------------------------------------------------------


def InfoHeader(width, height, bits, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, 0)


def PackBits(bits):
    """One row of 1-bit values, padded to a multiple of 32 bits."""
    data = bytearray()
    for i in range(0, len(bits), 8):
        byte = 0
        for j, bit in enumerate(bits[i:i + 8]):
            byte |= (bit & 1) << (7 - j)
        data.append(byte)
    while len(data) % 4:
        data.append(0)
    return bytes(data)


def WriteBmp24(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    offset = 14 + 40
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset))
        f.write(InfoHeader(width, height, 24, len(data)))
        f.write(data)


def MedianCut(colours, count):
    """At most count palette entries for a list of (r, g, b) colours."""
    boxes = [list(colours)]
    while len(boxes) < count:
        # split the box with the widest channel range
        best = None
        for i, box in enumerate(boxes):
            if len(set(box)) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            span = max(spans)
            if best is None or span > best[0]:
                best = (span, i, spans.index(span))
        if best is None:
            break
        _, i, channel = best
        box = sorted(boxes.pop(i), key=lambda c: c[channel])
        middle = len(box) // 2
        boxes += [box[:middle], box[middle:]]
    return [tuple(Clamp(sum(c[k] for c in box) / len(box)) for k in range(3)) for box in boxes]


def Nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def WriteIcon8(path, pixels):
    """A one-image ICO: 256-colour palette, 8-bit pixels and a 1-bit AND mask."""
    height, width = len(pixels), len(pixels[0])
    opaque = [[p[3] >= 0.5 for p in row] for row in pixels]
    colours = [tuple(Clamp(v) for v in p[:3]) for row in pixels for p in row if p[3] >= 0.5]
    unique = sorted(set(colours))
    palette = unique if len(unique) <= 255 else MedianCut(colours, 255)
    palette = [(0, 0, 0)] + palette  # entry 0 stands behind the transparent pixels
    palette += [(0, 0, 0)] * (256 - len(palette))
    lookup = {}
    xor = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            if not opaque[y][x]:
                xor.append(0)
                continue
            c = tuple(Clamp(v) for v in pixels[y][x][:3])
            if c not in lookup:
                lookup[c] = Nearest(palette[1:], c) + 1
            xor.append(lookup[c])
        while len(xor) % 4:
            xor.append(0)
    mask = b"".join(PackBits([0 if o else 1 for o in opaque[y]]) for y in range(height - 1, -1, -1))
    image = (InfoHeader(width, height * 2, 8, len(xor) + len(mask), 256) +
             b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(xor) + mask)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", width, height, 0, 0, 1, 8, len(image), 6 + 16))
        f.write(image)


def WriteCursor1(path, art, hot_x, hot_y):
    """A two-colour CUR from rows of text: 'X' black, '.' white, anything else transparent."""
    size = 32
    rows = [line.ljust(size)[:size] for line in art] + [""] * (size - len(art))
    rows = [r.ljust(size) for r in rows]
    xor_rows, and_rows = [], []
    for line in reversed(rows):
        xor_rows.append(PackBits([1 if c == "." else 0 for c in line]))
        and_rows.append(PackBits([0 if c in "X." else 1 for c in line]))
    bits = b"".join(xor_rows) + b"".join(and_rows)
    image = (InfoHeader(size, size * 2, 1, len(bits), 2) + bytes((0, 0, 0, 0)) +
             bytes((255, 255, 255, 0)) + bits)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 2, 1))
        f.write(struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), 6 + 16))
        f.write(image)


def ToolbarRows(canvas):
    """Flattens a drawing for a masked image list: magenta where the drawing is mostly clear."""
    rows = []
    for row in canvas.Pixels():
        out = []
        for r, g, b, a in row:
            if a < 0.35:
                out.append(MAGENTA)
            else:
                out.append(tuple(Clamp(c * a + k * (1 - a))
                                 for c, k in zip((r, g, b), TOOLBAR_BACKDROP)))
        rows.append(out)
    return rows


# --- the pictures ----------------------------------------------------------------------


def DrawIcon():
    """A driver list: a sheet with list rows, and a chip in front of it."""
    c = Canvas(32, 32)
    page = RoundRect(2.5, 1.5, 22.5, 28.5, 1.5)
    c.Draw(page, VerticalGradient(2, (255, 255, 255), 28, (226, 232, 242)), outline=(70, 84, 110))
    header = Minus(page, Rect(0, 7, 32, 32))
    c.Draw(header, VerticalGradient(1.5, (86, 140, 220), 7, (34, 84, 170)))
    for i, y in enumerate((10, 14, 18, 22)):
        c.Draw(Rect(5, y, 7, y + 2), (34, 84, 170))
        c.Draw(Rect(8.5, y + 0.5, 20 - (i % 2) * 4, y + 1.5), (120, 128, 142))
    # the chip: a dark package with three legs on each side and a notch at the top
    legs = []
    for i in range(3):
        y = 16.5 + i * 4.5
        legs += [Rect(13, y, 17, y + 2.5), Rect(28, y, 31.5, y + 2.5)]
    c.Draw(Union(*legs), VerticalGradient(14, (240, 242, 244), 30, (160, 166, 176)),
           outline=(60, 64, 72), outline_width=0.75)
    body = RoundRect(16, 12.5, 28.5, 30.5, 1.5)
    c.Draw(body, DiagonalGradient(16, 12, (96, 102, 118), 29, 31, (30, 32, 40)),
           outline=(14, 14, 18), outline_width=0.75)
    c.Draw(Minus(Ellipse(22.25, 12.5, 2.2, 2.2), Rect(0, 0, 32, 12.5)), (18, 20, 24))
    c.Draw(Ellipse(19, 27.5, 1.0, 1.0), (190, 196, 206))
    return c


def DrawRefresh():
    """Two green arrows chasing each other round a circle."""
    c = Canvas(32, 32)
    cx, cy, r0, r1 = 16, 16, 7.5, 11.5
    mid = (r0 + r1) / 2
    pieces = []
    for start, end in ((212, 318), (32, 138)):
        pieces.append(Arc(cx, cy, r0, r1, start, end))
        pieces.append(Polygon([Polar(cx, cy, r0 - 3.5, end), Polar(cx, cy, r1 + 3.5, end),
                               Polar(cx, cy, mid, end + 38)]))
    c.Draw(Union(*pieces), DiagonalGradient(6, 4, (126, 214, 96), 26, 28, (26, 132, 42)),
           outline=(18, 86, 30))
    return c


def DrawSave():
    """A floppy disk."""
    c = Canvas(32, 32)
    body = Polygon([(4, 3.5), (25, 3.5), (28.5, 7), (28.5, 28.5), (4, 28.5)])
    c.Draw(body, DiagonalGradient(4, 4, (84, 136, 222), 28, 28, (28, 66, 150)), outline=(16, 36, 88))
    c.Draw(Rect(9, 3.5, 23, 13), VerticalGradient(3.5, (244, 246, 248), 13, (176, 184, 196)),
           outline=(70, 80, 100), outline_width=0.6)
    c.Draw(Rect(18, 5.5, 21, 11), (48, 60, 84))
    c.Draw(RoundRect(7.5, 16.5, 25, 28.5, 1), VerticalGradient(16, (255, 255, 255), 28, (228, 232, 238)),
           outline=(70, 80, 100), outline_width=0.6)
    for y in (19.5, 22.5, 25.5):
        c.Draw(Rect(10, y, 22.5, y + 1), (150, 172, 210))
    return c


def DrawPrint():
    """A printer with a sheet going in at the back and a printed one coming out."""
    c = Canvas(32, 32)
    c.Draw(Rect(8.5, 2.5, 23.5, 14), (250, 250, 250), outline=(96, 100, 110), outline_width=0.75)
    c.Draw(RoundRect(2.5, 12, 29.5, 25, 2.5),
           VerticalGradient(12, (222, 226, 232), 25, (120, 126, 138)), outline=(52, 56, 66))
    c.Draw(Rect(6, 20.5, 26, 22.5), (44, 48, 56))
    c.Draw(Ellipse(25.5, 15.8, 1.3, 1.3), (70, 210, 80), outline=(20, 90, 30), outline_width=0.5)
    c.Draw(Polygon([(7.5, 21.5), (24.5, 21.5), (25.5, 30.5), (6.5, 30.5)]),
           VerticalGradient(21, (255, 255, 255), 30, (236, 238, 242)), outline=(96, 100, 110),
           outline_width=0.75)
    for y, right in ((24, 22), (26.5, 19.5)):
        c.Draw(Rect(9.5, y, right, y + 1), (60, 90, 160))
    return c


def DrawExit():
    """An open door with an arrow leading out through it."""
    c = Canvas(32, 32)
    c.Draw(Rect(4, 3, 18, 29.5), (38, 42, 54), outline=(110, 100, 90), outline_width=1.2)
    c.Draw(Polygon([(4, 3), (12.5, 5.5), (12.5, 31), (4, 29.5)]),
           DiagonalGradient(4, 3, (214, 150, 86), 13, 30, (140, 80, 34)), outline=(84, 44, 16),
           outline_width=0.8)
    c.Draw(Ellipse(10.6, 17.5, 0.9, 1.1), (250, 214, 96))
    arrow = Polygon([(13, 13.5), (21, 13.5), (21, 9), (29.5, 16.5), (21, 24), (21, 19.5),
                     (13, 19.5)])
    c.Draw(arrow, VerticalGradient(9, (255, 116, 92), 24, (196, 26, 20)), outline=(110, 14, 10))
    return c


def BandRows(width=63, height=65):
    """A soft vertical gradient with a faint grain that wraps at the edges, so it tiles."""
    rng = random.Random(1107)
    grain = [[rng.uniform(-1.0, 1.0) for _ in range(width)] for _ in range(height)]
    smooth = [[(grain[y][x] * 2 + grain[y][(x - 1) % width] + grain[y][(x + 1) % width] +
                grain[(y - 1) % height][x] + grain[(y + 1) % height][x]) / 6.0
               for x in range(width)] for y in range(height)]
    top, bottom = (252, 253, 255), (214, 222, 234)
    rows = []
    for y in range(height):
        t = y / (height - 1)
        t = t * t * (3 - 2 * t)  # eased, so the top half stays light behind the captions
        base = [a + (b - a) * t for a, b in zip(top, bottom)]
        rows.append([tuple(Clamp(v + smooth[y][x] * 2.5) for v in base) for x in range(width)])
    # a highlight on the top row, like the top of a bar
    rows[0] = [(255, 255, 255)] * width
    return rows


HAND = [
    "      XXX",
    "     X...X",
    "     X...X",
    "     X...X",
    "     X...X",
    "     X...XXX",
    "     X...X..XXX",
    "     X...X..X..XXX",
    "     X...X..X..X..XX",
    " XXX X...X..X..X..X.X",
    " X..XX...X..X..X..X.X",
    " X...X..............X",
    "  X..X..............X",
    "   X.X..............X",
    "   X................X",
    "    X...............X",
    "    X..............X",
    "     X.............X",
    "     X.............X",
    "      X...........X",
    "      X...........X",
    "       X.........X",
    "       X.........X",
    "       XXXXXXXXXXX",
]
HAND_HOT_SPOT = (7, 1)


def Main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: draw_images.py OUTPUT_FOLDER\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    WriteIcon8(os.path.join(out, "mainicon.ico"), DrawIcon().Pixels())
    for name, draw in (("refresh", DrawRefresh), ("save", DrawSave), ("print", DrawPrint),
                       ("exit", DrawExit)):
        WriteBmp24(os.path.join(out, name + ".bmp"), ToolbarRows(draw()))
    WriteBmp24(os.path.join(out, "band.bmp"), BandRows())
    WriteCursor1(os.path.join(out, "handpoint.cur"), HAND, *HAND_HOT_SPOT)
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv))
