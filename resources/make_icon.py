#!/usr/bin/env python3
"""Draws the program icon, an alarm clock, and writes it as vespera.ico:
the 32 x 32 image at 24 bits per pixel with its transparency (AND) mask,
and the same design drawn at the other sizes Windows asks for at higher
DPIs. Frames of 32 pixels and below are bitmaps, which every Windows
decodes (the extra ones with 16 colours of their own, to keep them small);
larger frames are PNG-compressed, which Vista and later decode.

Usage: make_icon.py [output path]   (default: vespera.ico beside this script)
"""
import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # per axis, for smooth edges
DESIGN = 32  # the drawing's own units: one per pixel of the 32 x 32 frame

# (size, format): "bmp24" the first frame, "bmp4" a 16-colour bitmap, "png".
FRAMES = [(16, "bmp4"), (24, "bmp4"), (32, "bmp24"), (48, "png")]

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


def render(size):
    """Rows top to bottom of (r, g, b, opaque) pixels."""
    rows = []
    step = 1.0 / SAMPLES
    scale = DESIGN / size
    for py in range(size):
        row = []
        for px in range(size):
            hits = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) * step) * scale, (py + (sy + 0.5) * step) * scale)
                    if c is not None:
                        hits.append(c)
            if len(hits) * 2 < SAMPLES * SAMPLES:
                row.append((0, 0, 0, False))
            else:
                avg = [round(sum(c[i] for c in hits) / len(hits)) for i in range(3)]
                row.append((avg[0], avg[1], avg[2], True))
        rows.append(row)
    return rows


def palette_of(rows, count=16):
    """The most used colours, and each pixel's nearest one."""
    used = {}
    for row in rows:
        for r, g, b, opaque in row:
            if opaque:
                used[(r, g, b)] = used.get((r, g, b), 0) + 1
    palette = sorted(used, key=lambda c: (-used[c], c))[:count]
    palette += [(0, 0, 0)] * (count - len(palette))

    def nearest(c):
        return min(range(count), key=lambda i: sum((a - b) ** 2 for a, b in zip(c, palette[i])))
    return palette, nearest


def bmp_bytes(rows, bits):
    """A bitmap frame: its header (twice the height: colour rows, then mask
    rows), its palette, then colour rows and mask rows, bottom-up."""
    size = len(rows)
    palette, nearest = palette_of(rows) if bits == 4 else ([], None)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    colour_pad = (-(size * bits // 8)) % 4
    for row in reversed(rows):
        bits_row = bytearray(mask_stride)
        line = bytearray()
        for x, (r, g, b, opaque) in enumerate(row):
            if not opaque:
                bits_row[x // 8] |= 0x80 >> (x % 8)
            if bits == 24:
                line += bytes((b, g, r))
            else:
                index = nearest((r, g, b)) if opaque else 0
                if x % 2 == 0:
                    line.append(index << 4)
                else:
                    line[-1] |= index
        colour += line + bytes(colour_pad)
        mask += bits_row
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + bytes(colour) + bytes(mask)


def png_bytes(rows):
    """An 8-bit indexed PNG of the frame's own colours, fully transparent
    where nothing is drawn."""
    size = len(rows)
    colours = sorted({(r, g, b) for row in rows for r, g, b, opaque in row if opaque})
    assert len(colours) < 256, "too many colours for an indexed frame"
    index = {c: i + 1 for i, c in enumerate(colours)}
    raw = bytearray()
    for row in rows:
        raw.append(0)
        raw += bytes(index[(r, g, b)] if opaque else 0 for r, g, b, opaque in row)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    plte = bytes((0, 0, 0)) + b"".join(bytes(c) for c in colours)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", plte) + chunk(b"tRNS", b"\x00")
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def frame_bytes(size, kind):
    rows = render(size)
    if kind == "png":
        return png_bytes(rows)
    return bmp_bytes(rows, 24 if kind == "bmp24" else 4)


def ico_bytes(frames=FRAMES):
    """The header, one directory entry per frame, then the images in order."""
    images = [frame_bytes(size, kind) for size, kind in frames]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, kind), image in zip(frames, images):
        bits = {"bmp24": 24, "bmp4": 4, "png": 32}[kind]
        colours = 16 if kind == "bmp4" else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                           len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "vespera.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes())
    for size, kind in FRAMES:
        print(f"{size:3} x {size:<3} {kind:6} {len(frame_bytes(size, kind)) + 16:5} bytes")


if __name__ == "__main__":
    main()
