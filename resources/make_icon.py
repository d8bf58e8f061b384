#!/usr/bin/env python3
"""Draws the program icon, an alarm clock, and writes it as vespera.ico:
the 32 x 32 image at 24 bits per pixel with its transparency (AND) mask,
and the same design drawn at the other sizes Windows asks for at higher
DPIs, each with 16 colours of its own to keep it small. Every frame is a
bitmap, which every Windows decodes (XP draws nothing for a PNG frame).

Windows draws a bitmap frame in two steps: the AND mask clears the opaque
pixels, then the colour bitmap is XORed on top. A see-through pixel must
therefore be black in the colour bitmap, or the background shows through
tinted. The file is read back and checked for both after it is written.

Usage: make_icon.py [output path]   (default: vespera.ico beside this script)
       make_icon.py --check FILE    (checks an icon file; exit 1 on a fault)
"""
import math
import os
import struct
import sys

SAMPLES = 4  # per axis, for smooth edges
DESIGN = 32  # the drawing's own units: one per pixel of the 32 x 32 frame

# (size, bits per pixel): 24 for the first frame, 4 (16 colours) for the others.
FRAMES = [(16, 4), (24, 4), (32, 24), (48, 4)]

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
    """Black first, for the see-through pixels, then, one at a time, the
    colour that brings the opaque pixels nearest to their palette entry
    (rare edge colours count too, so that anti-aliased edges keep their
    shade); and each opaque pixel's nearest entry."""
    used = {}
    for row in rows:
        for r, g, b, opaque in row:
            if opaque:
                used[(r, g, b)] = used.get((r, g, b), 0) + 1
    colours = sorted(used)

    def distance(a, b):
        return sum((x - y) ** 2 for x, y in zip(a, b))
    palette = [(0, 0, 0)]
    error = {c: distance(c, palette[0]) for c in colours}
    while len(palette) < count and any(error.values()):
        best = max(colours, key=lambda k: sum(
            used[c] * max(0, error[c] - distance(c, k)) for c in colours))
        palette.append(best)
        error = {c: min(error[c], distance(c, best)) for c in colours}
    palette += [(0, 0, 0)] * (count - len(palette))

    def nearest(c):
        return min(range(count), key=lambda i: distance(c, palette[i]))
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
                r = g = b = 0
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


def ico_bytes(frames=FRAMES):
    """The header, one directory entry per frame, then the images in order."""
    images = [bmp_bytes(render(size), bits) for size, bits in frames]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), image in zip(frames, images):
        colours = 1 << bits if bits < 8 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                           len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def faults(data):
    """What keeps an icon file from drawing cleanly on any background, on
    any Windows: a PNG frame below 256 pixels, or a see-through pixel whose
    colour is not black. Empty for a sound file."""
    found = []
    _, kind, count = struct.unpack_from("<HHH", data)
    if kind != 1 or count == 0:
        return ["not an icon file"]
    for n in range(count):
        width, height, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        width, height = width or 256, height or 256
        name = f"{width} x {height} frame"
        image = data[offset:offset + length]
        if image.startswith(b"\x89PNG"):
            if width < 256:
                found.append(f"{name}: PNG, which Windows XP does not draw")
            continue
        _, w, h2, _, bits, _, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", image)
        if (w, h2) != (width, height * 2) or bits not in (1, 4, 8, 24, 32):
            found.append(f"{name}: header says {w} x {h2 // 2} at {bits} bits")
            continue
        entries = (used or 1 << bits) if bits <= 8 else 0
        palette = [image[40 + 4 * i:43 + 4 * i] for i in range(entries)]
        stride = (w * bits + 31) // 32 * 4
        colours = 40 + 4 * entries
        masks = colours + stride * height
        mask_stride = (w + 31) // 32 * 4
        tinted = 0
        for y in range(height):
            row, mask = colours + y * stride, masks + y * mask_stride
            for x in range(w):
                if not image[mask + x // 8] & (0x80 >> (x % 8)):
                    continue
                if bits >= 24:
                    bgr = image[row + x * bits // 8:row + x * bits // 8 + 3]
                else:
                    per_byte = 8 // bits
                    shift = 8 - bits * (x % per_byte + 1)
                    index = image[row + x // per_byte] >> shift & ((1 << bits) - 1)
                    bgr = palette[index] if index < entries else b"?"
                tinted += bgr != bytes(3)
        if tinted:
            found.append(f"{name}: {tinted} see-through pixels are not black")
    return found


def check(path):
    with open(path, "rb") as f:
        found = faults(f.read())
    for fault in found:
        print(f"{path}: {fault}", file=sys.stderr)
    return 1 if found else 0


def main():
    if sys.argv[1:2] == ["--check"]:
        return check(sys.argv[2])
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "vespera.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes())
    for size, bits in FRAMES:
        print(f"{size:3} x {size:<3} {bits:2} bits {len(bmp_bytes(render(size), bits)) + 16:5} bytes")
    return check(out)


if __name__ == "__main__":
    sys.exit(main())
