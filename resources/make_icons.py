#!/usr/bin/env python3
"""Draws the program's window icons (a photographed page with a print arrow) and writes them as
.ico files with 16, 32 and 48 pixel images in 32-bit BGRA. Standard library only."""
import math
import struct
import sys


def draw(size, accent):
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0

    def fill(x0, y0, x1, y1, c):
        for y in range(max(0, int(y0 * s)), min(size, int(math.ceil(y1 * s)))):
            for x in range(max(0, int(x0 * s)), min(size, int(math.ceil(x1 * s)))):
                px[y][x] = c

    fill(5, 2, 25, 30, (60, 60, 60, 255))          # page outline
    fill(6, 3, 24, 29, (250, 250, 244, 255))       # paper
    fill(19, 3, 24, 8, (210, 210, 200, 255))       # folded corner
    for row in range(7, 25, 4):                    # printed lines
        fill(8, row, 21 if row % 8 else 17, row + 1.5, (90, 90, 110, 255))
    # Round badge with a brightness sun in the lower right corner.
    cx, cy, r = 23 * s, 23 * s, 8 * s
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r:
                px[y][x] = accent + (255,)
            if d <= r * 0.45:
                px[y][x] = (255, 214, 64, 255)
    return px


def ico(images):
    out = struct.pack('<HHH', 0, 1, len(images))
    blobs = []
    offset = 6 + 16 * len(images)
    for px in images:
        n = len(px)
        header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = b''.join(bytes(v for (r, g, b, a) in px[y] for v in (b, g, r, a)) for y in reversed(range(n)))
        mask_stride = ((n + 31) // 32) * 4
        mask = b'\0' * (mask_stride * n)
        blob = header + rows + mask
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else '.'
    for name, accent in (('app.ico', (30, 110, 220)), ('fallback.ico', (120, 120, 120))):
        with open(f'{folder}/{name}', 'wb') as f:
            f.write(ico([draw(n, accent) for n in (16, 32, 48)]))
