#!/usr/bin/env python3
"""Draws the plug-ins' own artwork: the 24 frames of the animated logo (logo00.bmp to
logo23.bmp), one background tile per plug-in (background7001.bmp to background7005.bmp)
and the list's drag cursor (drag.cur). Everything is computed, the same bytes every time.
"""
import math
import struct
import sys

LOGO_SIZE = 44
TILE = 64


def bmp24(width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 14 + 40 + len(rows), 0, 0, 14 + 40) + header + rows


def bmp8(width, height, colours, index):
    """An 8-bit BMP with a 256-entry colour table; index(x, y) picks the entry."""
    table = bytearray()
    for i in range(256):
        r, g, b = colours[i] if i < len(colours) else (0, 0, 0)
        table += bytes((b, g, r, 0))
    stride = (width + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytes(index(x, y) for x in range(width))
        rows += row + bytes(stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(rows), 0, 0, 256, 256)
    offset = 14 + 40 + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset) + header + table + rows


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def logo_frame(frame):
    """A kestrel gliding across a round sky emblem, wings beating once per turn."""
    c = (LOGO_SIZE - 1) / 2
    phase = 2 * math.pi * frame / 24
    beat = math.sin(phase)
    glint = phase

    def pixel(x, y):
        dx, dy = x - c, y - c
        d = math.hypot(dx, dy)
        if d > c + 0.5:
            return (192, 192, 192)
        sky = mix((30, 60, 140), (250, 190, 110), (y / LOGO_SIZE) ** 1.4)
        # A sun whose light circles the rim.
        ang = math.atan2(dy, dx)
        rim = max(0.0, math.cos(ang - glint)) ** 8 * max(0.0, 1 - abs(d - c + 3) / 3)
        colour = mix(sky, (255, 250, 220), rim)
        # The bird: a body and two wings whose tips rise and fall with the beat.
        bx, by = dx, dy + 2
        wing = abs(bx) <= 17 and abs(by - (-beat * 7 * (abs(bx) / 17) ** 1.5 + abs(bx) * 0.15)) <= 1.6 - abs(bx) / 17
        body = (bx / 6.5) ** 2 + (by / 2.6) ** 2 <= 1
        tail = 0 <= by - 1 <= 5 and abs(bx) <= 1 + (by - 1) * 0.5
        if wing or body or tail:
            colour = (60, 35, 20)
        if d > c - 1.5:
            colour = mix(colour, (40, 40, 60), min(1.0, d - (c - 1.5)))
        return tuple(clamp(v) for v in colour)

    return bmp24(LOGO_SIZE, LOGO_SIZE, pixel)


def ripple_tile():
    """Concentric rings, as rain drops leave on water (8-bit)."""
    colours = [mix((70, 110, 150), (200, 225, 240), i / 63) for i in range(64)]
    colours = [tuple(clamp(v) for v in c) for c in colours]

    def index(x, y):
        d = math.hypot(x - 20, y - 24)
        e = math.hypot(x - 50, y - 50)
        v = 0.5 + 0.25 * math.cos(d * 0.9) * math.exp(-d / 40) + 0.25 * math.cos(e * 1.1) * math.exp(-e / 30)
        return max(0, min(63, int(v * 63)))
    return bmp8(TILE, TILE, colours, index)


def lake_tile():
    """Soft horizontal waves (8-bit)."""
    colours = [tuple(clamp(v) for v in mix((40, 90, 110), (170, 210, 200), i / 63)) for i in range(64)]

    def index(x, y):
        v = 0.5 + 0.3 * math.sin(y * 0.6 + 2 * math.sin(x * 2 * math.pi / TILE)) + 0.1 * math.sin(x * 2 * math.pi / TILE * 2)
        return max(0, min(63, int(v * 63)))
    return bmp8(TILE, TILE, colours, index)


def pyro_tile():
    """A night sky with scattered sparks."""
    def pixel(x, y):
        base = mix((15, 10, 40), (45, 20, 60), y / TILE)
        h = (x * 73856093 ^ y * 19349663) & 0xFFFF
        if h % 97 == 0:
            return (255, 230, 150)
        if h % 61 == 0:
            return (200, 120, 220)
        return tuple(clamp(v) for v in base)
    return bmp24(TILE, TILE, pixel)


def lens_tile():
    """Overlapping round lenses."""
    def pixel(x, y):
        best = 99.0
        for cx, cy in ((16, 16), (48, 16), (32, 44), (0, 44), (64, 44), (16, 76), (48, 76), (16, -16), (48, -16)):
            best = min(best, math.hypot(x - cx, y - cy))
        t = min(1.0, best / 18)
        return tuple(clamp(v) for v in mix((230, 235, 245), (150, 165, 190), t * t))
    return bmp24(TILE, TILE, pixel)


def pagecurl_tile():
    """Paper with a soft diagonal fold."""
    def pixel(x, y):
        fold = ((x + y) % TILE) / TILE
        shade = 0.85 + 0.15 * math.cos(fold * 2 * math.pi)
        grain = ((x * 131 + y * 71) % 17) / 17 * 0.04
        return tuple(clamp(v * (shade - grain)) for v in (240, 232, 215))
    return bmp24(TILE, TILE, pixel)


def drag_cursor():
    """A 32 x 32 monochrome cursor: an arrow carrying a small sheet, hot spot at the tip."""
    size = 32
    arrow = ['X', 'XX', 'X.X', 'X..X', 'X...X', 'X....X', 'X.....X', 'X......X', 'X.......X',
             'X........X', 'X.....XXXXX', 'X..X..X', 'X.X X..X', 'XX  X..X', 'X    X..X', '     X..X', '      XX']
    grid = [[' '] * size for _ in range(size)]
    for y, line in enumerate(arrow):
        for x, ch in enumerate(line):
            grid[y][x] = ch
    for y in range(18, 30):  # the sheet
        for x in range(12, 26):
            edge = y in (18, 29) or x in (12, 25)
            grid[y][x] = 'X' if edge else '.'
    xor, andm = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        xbits = abits = 0
        for x in range(size):
            ch = grid[y][x]
            xbits = (xbits << 1) | (1 if ch == '.' else 0)   # white inside
            abits = (abits << 1) | (1 if ch == ' ' else 0)   # transparent outside
        xor += struct.pack('>I', xbits)
        andm += struct.pack('>I', abits)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    table = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = header + table + bytes(xor) + bytes(andm)
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 0, 0, len(image), 22)
    return directory + image


def main():
    out = sys.argv[1]
    for frame in range(24):
        with open(f'{out}/logo{frame:02d}.bmp', 'wb') as f:
            f.write(logo_frame(frame))
    tiles = {7001: ripple_tile, 7002: lake_tile, 7003: pyro_tile, 7004: lens_tile, 7005: pagecurl_tile}
    for ident, make in tiles.items():
        with open(f'{out}/background{ident}.bmp', 'wb') as f:
            f.write(make())
    with open(f'{out}/drag.cur', 'wb') as f:
        f.write(drag_cursor())


if __name__ == '__main__':
    main()
