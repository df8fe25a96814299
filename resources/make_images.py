#!/usr/bin/env python3
"""Writes the button glyphs and the program icon of this folder.

reconnect.png (12 x 16), exit.png and trend.png (16 x 16) are 4-bit palette images in
the 16 standard VGA colours plus a transparent entry; their lower-left
pixel is transparent, so the buttons' "lower-left pixel is the transparent
colour" rule and plain alpha agree. tarvix.svg and tarvix.png (64 x 64)
draw the same shapes, and icons/NxN/tarvix.png holds the icon at the
desktop theme's sizes; tarvix-edit.svg and icons/NxN/tarvix-edit.png are the
editor's icon. widgets/CLASS.png (22 x 22) are the controls' icons on Qt
Designer's widget box. Only the standard library is needed:

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


def trend_glyph():
    # A value over time: two axes and a line that rises, dips and climbs.
    grid = [['.'] * 16 for _ in range(16)]
    for y in range(1, 15):
        grid[y][1] = 'k'
    for x in range(1, 15):
        grid[14][x] = 'k'
    line = [(3, 11), (4, 10), (5, 9), (6, 8), (7, 9), (8, 10), (9, 9), (10, 7), (11, 5), (12, 4), (13, 3)]
    for (x, y) in line:
        grid[y][x] = 'b'
        grid[y + 1][x] = 'n'
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


def shapes_png(shapes, base, size, path):
    """Rounded rectangles drawn on a base x base canvas, rendered at size x size."""
    n = 4  # 4 x 4 samples a pixel
    scale = base / size
    pixels = []
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    fx, fy = (px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale
                    colour = None
                    for s in shapes:
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


def shapes_svg(shapes, base, path):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           f'<svg xmlns="http://www.w3.org/2000/svg" width="{base}" height="{base}" viewBox="0 0 {base} {base}">']
    for (x, y, w, h, r, c) in shapes:
        rr = f' rx="{r}"' if r else ''
        out.append(f'  <rect x="{x}" y="{y}" width="{w}" height="{h}"{rr} fill="#{c[0]:02x}{c[1]:02x}{c[2]:02x}"/>')
    out.append('</svg>')
    with open(path, 'w') as f:
        f.write('\n'.join(out) + '\n')


def icon_png(path, size=ICON):
    shapes_png(ICON_SHAPES, ICON, size, path)


def icon_svg(path):
    shapes_svg(ICON_SHAPES, ICON, path)


# The editor's icon: the same tile holding a page of indented program text
# and the cursor.
EDIT_SHAPES = [
    (2, 2, 60, 60, 10, (31, 58, 95)),
    (12, 8, 40, 48, 2, (232, 238, 244)),
]
for (indent, length, colour) in [(0, 22, (31, 58, 95)), (4, 26, (58, 165, 93)), (4, 18, (58, 165, 93)),
                                 (8, 20, (120, 134, 150)), (4, 24, (58, 165, 93)), (0, 10, (31, 58, 95))]:
    row = len(EDIT_SHAPES) - 2
    EDIT_SHAPES.append((16 + indent, 13 + row * 7, length, 3, 1, colour))
EDIT_SHAPES.append((28, 47, 3, 7, 0, AMBER))


# Qt Designer's widget box icons of the controls, 22 x 22 like Designer's own.
WIDGET_ICON = 22
FACE, LIGHT, SHADOW, DARK = (212, 208, 200), (255, 255, 255), (128, 128, 128), (64, 64, 64)
WHITE, INK, NAVY = (255, 255, 255), (40, 40, 40), (31, 58, 95)


def raised(x, y, w, h):
    """A raised 3-D box: light top-left, dark bottom-right, face inside."""
    return [(x, y, w, h, 0, DARK), (x, y, w - 1, h - 1, 0, LIGHT),
            (x + 1, y + 1, w - 2, h - 2, 0, SHADOW), (x + 1, y + 1, w - 3, h - 3, 0, FACE)]


def sunken(x, y, w, h, inside_colour=WHITE):
    return [(x, y, w, h, 0, LIGHT), (x, y, w - 1, h - 1, 0, SHADOW),
            (x + 1, y + 1, w - 2, h - 2, 0, inside_colour)]


def triangle(cx, y, rows, down, colour):
    """A small arrow head of one-pixel rows, pointing up or down."""
    out = []
    for k in range(rows):
        half = rows - 1 - k if down else k
        out.append((cx - half, y + k, 2 * half + 1, 1, 0, colour))
    return out


def bitmap(x, y, rows, colour):
    """One-pixel squares where the rows of text hold a '#'."""
    return [(x + c, y + r, 1, 1, 0, colour) for r, row in enumerate(rows) for c, ch in enumerate(row) if ch == '#']


def widget_icons():
    icons = {}
    # Framed text field: a sunken white field holding "Ab" and the caret.
    icons['TGTextField'] = sunken(1, 5, 20, 12) + bitmap(4, 7, ['.##..#....',
                                                              '#..#.#....',
                                                              '#..#.###..',
                                                              '####.#..#.',
                                                              '#..#.#..#.',
                                                              '#..#.###..'], INK) + [(14, 7, 1, 8, 0, INK)]
    # Graphic button: a raised button with a coloured glyph on its face.
    icons['TGraphButton'] = raised(1, 3, 20, 16) + [(6, 7, 10, 8, 4, (58, 165, 93)), (9, 9, 4, 4, 2, (170, 230, 180))]
    # Picture button: a raised button showing a small landscape.
    icons['TPictureButton'] = (raised(1, 3, 20, 16) + [(4, 6, 14, 10, 0, (120, 180, 230)),
                               (13, 7, 3, 3, 1.5, (242, 177, 52)), (4, 12, 14, 4, 0, (58, 140, 70)),
                               (7, 10, 5, 3, 1.5, (58, 140, 70))])
    # Log list: a sunken list of text lines with a scroll bar on the right.
    log = sunken(1, 1, 20, 20) + [(16, 2, 4, 18, 0, FACE), (16, 5, 4, 5, 0, SHADOW)]
    for k, w in enumerate((10, 8, 11, 7, 9, 6)):
        log.append((3, 3 + k * 3, w, 2, 0, NAVY if k == 5 else INK))
    log.append((2, 17, 14, 3, 0, (10, 36, 106)))  # the newest line, selected
    log.append((3, 18, 9, 1, 0, WHITE))
    icons['TLogList'] = log
    # Program editor: a page of indented, coloured program text and the cursor.
    edit = sunken(1, 1, 20, 20, (255, 255, 250))
    for k, (indent, w, colour) in enumerate([(0, 9, NAVY), (2, 11, (58, 120, 58)), (4, 8, INK),
                                             (4, 12, INK), (2, 7, (58, 120, 58)), (0, 4, NAVY)]):
        edit.append((3 + indent, 3 + k * 3, w, 2, 0, colour))
    edit.append((8, 17, 1, 3, 0, (200, 0, 0)))
    icons['TProgEdit'] = edit
    # Scroll bar: a vertical bar with its two arrow buttons and the thumb.
    bar = [(6, 1, 11, 20, 0, (232, 232, 228))]
    bar += raised(6, 1, 11, 6) + triangle(11, 2, 3, False, INK)
    bar += raised(6, 15, 11, 6) + triangle(11, 16, 3, True, INK)
    bar += raised(6, 8, 11, 5)
    icons['TNScrollBar'] = bar
    return icons


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    png_palette(reconnect_glyph(), os.path.join(folder, 'reconnect.png'))
    png_palette(exit_glyph(), os.path.join(folder, 'exit.png'))
    png_palette(trend_glyph(), os.path.join(folder, 'trend.png'))
    icon_png(os.path.join(folder, 'tarvix.png'))
    icon_svg(os.path.join(folder, 'tarvix.svg'))
    shapes_svg(EDIT_SHAPES, ICON, os.path.join(folder, 'tarvix-edit.svg'))
    # The same icons at the sizes of the desktop's icon theme.
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        sub = os.path.join(folder, 'icons', f'{size}x{size}')
        os.makedirs(sub, exist_ok=True)
        icon_png(os.path.join(sub, 'tarvix.png'), size)
        shapes_png(EDIT_SHAPES, ICON, size, os.path.join(sub, 'tarvix-edit.png'))
    # The controls' icons on Qt Designer's widget box.
    widgets = os.path.join(folder, 'widgets')
    os.makedirs(widgets, exist_ok=True)
    for name, shapes in widget_icons().items():
        shapes_png(shapes, WIDGET_ICON, WIDGET_ICON, os.path.join(widgets, f'{name}.png'))


if __name__ == '__main__':
    main()
