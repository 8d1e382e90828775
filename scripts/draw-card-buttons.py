#!/usr/bin/env python3
"""Draws the 24 x 24 images of the result cards' buttons (Play, Loop, Open, Find similar),
each in its normal, pressed and hover state, into resources/bitmaps/<id>.png.

Plain Python: shapes are coverage tests sampled 4 x 4 times per pixel."""
import math
import os
import struct
import sys
import zlib

SIZE = 24
SUB = 4

# (normal, pressed, hover) image ids of each button.
BUTTONS = {
    "play": (198, 199, 200),
    "loop": (283, 284, 285),
    "open": (256, 254, 255),
    "similar": (259, 257, 258),
}


def write_png(path, pixels):
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        d1, d2, d3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        neg = d1 < 0 or d2 < 0 or d3 < 0
        pos = d1 > 0 or d2 > 0 or d3 > 0
        return not (neg and pos)
    return inside


def ring(cx, cy, r, width, gap_from=None, gap_to=None):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        if gap_from is None:
            return True
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return not (gap_from <= angle <= gap_to)
    return inside


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def coverage(shape, px, py, dx=0.0, dy=0.0):
    hits = 0
    for i in range(SUB):
        for j in range(SUB):
            if shape(px + (i + 0.5) / SUB - dx, py + (j + 0.5) / SUB - dy):
                hits += 1
    return hits / (SUB * SUB)


def over(base, colour, alpha):
    r, g, b, a = base
    if alpha <= 0:
        return base
    out_a = alpha + a / 255 * (1 - alpha)
    mix = [(colour[k] * alpha + base[k] * a / 255 * (1 - alpha)) / out_a for k in range(3)]
    return (round(mix[0]), round(mix[1]), round(mix[2]), round(out_a * 255))


def glyph(kind):
    """(shape, colour) layers of a button's picture."""
    if kind == "play":
        return [(triangle((8.5, 6), (8.5, 18), (18.5, 12)), (20, 140, 40))]
    if kind == "loop":
        head = triangle((14.5, 3.5), (14.5, 10.5), (19.5, 7))
        return [(union(ring(12, 12, 6.0, 2.2, 290, 345), head), (30, 90, 200))]
    if kind == "open":
        body = rect(4.5, 9, 19.5, 18.5)
        tab = rect(4.5, 6.5, 11, 9)
        inner = rect(5.8, 10.3, 18.2, 17.2)
        return [(union(body, tab), (120, 80, 10)), (inner, (240, 190, 70))]
    # Find similar: a magnifier.
    return [
        (segment(14, 14, 19, 19, 3.2), (60, 60, 60)),
        (ring(10.5, 10.5, 5.0, 2.2), (40, 40, 40)),
        (lambda x, y: math.hypot(x - 10.5, y - 10.5) < 3.9, (200, 230, 250)),
    ]


def draw(kind, state):
    face_top, face_bottom, border = {
        "normal": ((246, 246, 246), (214, 214, 214), (130, 130, 130)),
        "pressed": ((178, 184, 192), (214, 218, 224), (70, 70, 70)),
        "hover": ((240, 247, 255), (196, 220, 248), (40, 100, 200)),
    }[state]
    shift = 1.0 if state == "pressed" else 0.0
    outer = rounded_rect(0.5, 0.5, 23.5, 23.5, 4)
    inner = rounded_rect(1.5, 1.5, 22.5, 22.5, 3)
    layers = glyph(kind)
    pixels = []
    for py in range(SIZE):
        row = []
        t = py / (SIZE - 1)
        face = tuple(round(face_top[k] * (1 - t) + face_bottom[k] * t) for k in range(3))
        for px in range(SIZE):
            p = (0, 0, 0, 0)
            p = over(p, border, coverage(outer, px, py))
            p = over(p, face, coverage(inner, px, py))
            for shape, colour in layers:
                p = over(p, colour, coverage(shape, px, py, shift, shift))
            row.append(p)
        pixels.append(row)
    return pixels


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    for kind, ids in BUTTONS.items():
        for state, image in zip(("normal", "pressed", "hover"), ids):
            write_png(os.path.join(out, f"{image}.png"), draw(kind, state))


if __name__ == "__main__":
    main()
