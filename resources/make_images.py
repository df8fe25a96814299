#!/usr/bin/env python3
"""Writes the button glyphs and the program icon of this folder.

reconnect.png (12 x 16) and exit.png (16 x 16) are 4-bit palette images in
the 16 standard VGA colours plus a transparent entry; their lower-left
pixel is transparent, so the buttons' "lower-left pixel is the transparent
colour" rule and plain alpha agree. tarvix.svg and tarvix.png (64 x 64)
draw the same shapes, and icons/NxN/tarvix.png holds the icon at the
desktop theme's sizes. Only the standard library is needed:

    python3 make_images.py [output folder]
"""
import os
import struct
import sys
import zlib

VGA = {
    'k': (0, 0, 0), 'm': (128, 0, 0), 'g': (0, 128, 0), 'o': (128, 128, 0),
    'n': (0, 0, 128), 'p': (128, 0, 128), 't': (0, 128, 128), 's': (192, 192, 192),
    'd': (128, 128, 128), 'r': (255, 0, 0), 'l': (0, 255, 0), 'y': (255, 255, 0),
    'b': (0, 0, 255), 'f': (255, 0, 255), 'a': (0, 255, 255), 'w': (255, 255, 255),
}
# Index 0 is transparent; with 15 of the VGA colours after it (no fuchsia,
# the classic stand-in for "transparent") the palette has 16 entries.
PALETTE_KEYS = '.kmgontsdrlybaw'


def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)


def png_palette(rows, path):
    h, w = len(rows), len(rows[0])
    assert all(len(r) == w for r in rows), path
    raw = b''
    for r in rows:
        idx = [PALETTE_KEYS.index(c) for c in r]
        if len(idx) % 2:
            idx.append(0)
        raw += b'\0' + bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
    plte = b''.join(bytes(VGA[c]) if c != '.' else b'\0\0\0' for c in PALETTE_KEYS)
    data = (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 4, 3, 0, 0, 0))
            + chunk(b'PLTE', plte)
            + chunk(b'tRNS', b'\0')
            + chunk(b'IDAT', zlib.compress(raw, 9))
            + chunk(b'IEND', b''))
    with open(path, 'wb') as f:
        f.write(data)


def png_rgba(pixels, w, h, path):
    raw = b''.join(b'\0' + bytes(c for px in pixels[y * w:(y + 1) * w] for c in px) for y in range(h))
    data = (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9))
            + chunk(b'IEND', b''))
    with open(path, 'wb') as f:
        f.write(data)


def arrow(grid, cy, head_x, right, fill, outline, tail=None):
    """A horizontal arrow: a 3-pixel shaft from `tail` and a 7-pixel head, outlined."""
    w = len(grid[0])
    shape = set()
    for k, half in enumerate((3, 2, 1, 0)):
        x = head_x + k if right else head_x - k
        for y in range(cy - half, cy + half + 1):
            shape.add((x, y))
    if tail is None:
        tail = 1 if right else w - 2
    shaft = range(tail, head_x) if right else range(head_x + 1, tail + 1)
    for x in shaft:
        for y in (cy - 1, cy, cy + 1):
            shape.add((x, y))
    for (x, y) in shape:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nx, ny = x + dx, y + dy
            if 0 <= nx < w and 0 <= ny < len(grid) and (nx, ny) not in shape:
                grid[ny][nx] = outline
    for (x, y) in shape:
        grid[y][x] = fill


def reconnect_glyph():
    # Two arrows, out and back: the link is taken down and made again.
    grid = [['.'] * 12 for _ in range(16)]
    arrow(grid, 4, 7, True, 'l', 'g')
    arrow(grid, 11, 4, False, 'a', 't')
    return [''.join(r) for r in grid]


def exit_glyph():
    # An open door with an arrow leading out of it.
    grid = [['.'] * 16 for _ in range(16)]
    for y in range(1, 15):
        for x in range(1, 9):
            edge = y in (1, 14) or x in (1, 8)
            grid[y][x] = 'k' if edge else 'm'
    for y in range(3, 13):
        grid[y][2] = 'o'  # light on the door's hinge side
    grid[8][6] = 'y'      # the knob
    arrow(grid, 8, 12, True, 'r', 'k', tail=9)
    for y in range(1, 15):  # the outline must not bite into the door frame
        grid[y][8] = 'k' 
    return [''.join(r) for r in grid]


# The icon: a rounded tile holding a register grid and a pulse line.
ICON = 64
ICON_SHAPES = [
    # (x, y, w, h, radius, colour)
    (2, 2, 60, 60, 10, (31, 58, 95)),
    (9, 10, 46, 32, 2, (232, 238, 244)),
]
CELLS = [(c, r) for r in range(3) for c in range(4)]
LIT = {(0, 0), (2, 0), (1, 1), (3, 1), (0, 2), (2, 2), (3, 2)}
for (c, r) in CELLS:
    colour = (58, 165, 93) if (c, r) in LIT else (176, 190, 204)
    ICON_SHAPES.append((11 + c * 11, 12 + r * 10, 9, 8, 1, colour))
AMBER = (242, 177, 52)
for (x, y, w, h) in [(9, 52, 10, 3), (17, 46, 3, 9), (17, 46, 12, 3), (27, 46, 3, 9),
                     (27, 52, 12, 3), (37, 46, 3, 9), (37, 46, 12, 3), (47, 46, 3, 9),
                     (47, 52, 8, 3)]:
    ICON_SHAPES.append((x, y, w, h, 0, AMBER))


def inside(px, py, shape):
    x, y, w, h, r = shape[:5]
    if not (x <= px < x + w and y <= py < y + h):
        return False
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def icon_png(path, size=ICON):
    n = 4  # 4 x 4 samples a pixel
    scale = ICON / size
    pixels = []
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    fx, fy = (px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale
                    colour = None
                    for s in ICON_SHAPES:
                        if inside(fx, fy, s):
                            colour = s[5]
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            a = acc[3]
            if a:
                pixels.append((round(acc[0] / a), round(acc[1] / a), round(acc[2] / a), round(255 * a / (n * n))))
            else:
                pixels.append((0, 0, 0, 0))
    png_rgba(pixels, size, size, path)


def icon_svg(path):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           f'<svg xmlns="http://www.w3.org/2000/svg" width="{ICON}" height="{ICON}" viewBox="0 0 {ICON} {ICON}">']
    for (x, y, w, h, r, c) in ICON_SHAPES:
        rr = f' rx="{r}"' if r else ''
        out.append(f'  <rect x="{x}" y="{y}" width="{w}" height="{h}"{rr} fill="#{c[0]:02x}{c[1]:02x}{c[2]:02x}"/>')
    out.append('</svg>')
    with open(path, 'w') as f:
        f.write('\n'.join(out) + '\n')


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    png_palette(reconnect_glyph(), os.path.join(folder, 'reconnect.png'))
    png_palette(exit_glyph(), os.path.join(folder, 'exit.png'))
    icon_png(os.path.join(folder, 'tarvix.png'))
    icon_svg(os.path.join(folder, 'tarvix.svg'))
    # The same icon at the sizes of the desktop's icon theme.
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        sub = os.path.join(folder, 'icons', f'{size}x{size}')
        os.makedirs(sub, exist_ok=True)
        icon_png(os.path.join(sub, 'tarvix.png'), size)


if __name__ == '__main__':
    main()
