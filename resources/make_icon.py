#!/usr/bin/env python3
"""Draws the program icon, an alarm clock, and writes it as vespera.ico:
one 32 x 32 image, 24 bits per pixel, with its transparency (AND) mask.

Usage: make_icon.py [output path]   (default: vespera.ico beside this script)
"""
import math
import os
import struct
import sys

SIZE = 32
SAMPLES = 4  # per axis, for smooth edges

BRASS = (214, 160, 32)
BRASS_DARK = (140, 96, 16)
RIM = (196, 40, 36)
RIM_DARK = (120, 20, 20)
FACE = (252, 250, 240)
INK = (32, 36, 64)
HAND_RED = (210, 30, 30)


def capsule(px, py, ax, ay, bx, by):
    """Distance from (px, py) to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def clock_hand(cx, cy, hours, length):
    angle = math.radians(hours * 30.0)
    return cx + length * math.sin(angle), cy - length * math.cos(angle)


CX, CY = 16.0, 17.5
HOUR_TIP = clock_hand(CX, CY, 10, 5.5)
MINUTE_TIP = clock_hand(CX, CY, 2, 8.0)
TICKS = [clock_hand(CX, CY, h, 8.3) for h in (12, 3, 6, 9)]


def colour_at(x, y):
    """The colour of the topmost shape at (x, y), or None where nothing is drawn."""
    colour = None
    # Legs behind the case.
    if capsule(x, y, 10.0, 26.0, 6.5, 30.5) <= 1.3 or capsule(x, y, 22.0, 26.0, 25.5, 30.5) <= 1.3:
        colour = INK
    # Bells and the hammer between them.
    for bx in (7.5, 24.5):
        d = math.hypot(x - bx, y - 7.0)
        if d <= 5.0:
            colour = BRASS_DARK if d > 3.9 else BRASS
    if capsule(x, y, 16.0, 2.0, 16.0, 5.5) <= 1.0:
        colour = BRASS_DARK
    if math.hypot(x - 16.0, y - 2.0) <= 1.8:
        colour = BRASS
    # The case: a red rim around a light face.
    d = math.hypot(x - CX, y - CY)
    if d <= 12.0:
        colour = RIM_DARK if d > 11.0 else RIM
    if d <= 9.8:
        colour = FACE
    for tx, ty in TICKS:
        if math.hypot(x - tx, y - ty) <= 1.0:
            colour = INK
    if capsule(x, y, CX, CY, *HOUR_TIP) <= 1.2:
        colour = INK
    if capsule(x, y, CX, CY, *MINUTE_TIP) <= 0.8:
        colour = HAND_RED
    if d <= 1.6:
        colour = INK
    return colour


def render():
    """Rows top to bottom of (r, g, b, opaque) pixels."""
    rows = []
    step = 1.0 / SAMPLES
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            hits = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    if c is not None:
                        hits.append(c)
            if len(hits) * 2 < SAMPLES * SAMPLES:
                row.append((0, 0, 0, False))
            else:
                avg = [round(sum(c[i] for c in hits) / len(hits)) for i in range(3)]
                row.append((avg[0], avg[1], avg[2], True))
        rows.append(row)
    return rows


def ico_bytes(rows):
    # The image's header states twice the height: colour rows, then mask rows.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((SIZE + 31) // 32) * 4
    colour_pad = (-SIZE * 3) % 4
    for row in reversed(rows):  # bottom-up
        bits = bytearray(mask_stride)
        for x, (r, g, b, opaque) in enumerate(row):
            colour += bytes((b, g, r))
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += bytes(colour_pad)
        mask += bits
    image = header + bytes(colour) + bytes(mask)
    # Header, one directory entry, the image right after them.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "vespera.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(render()))


if __name__ == "__main__":
    main()
