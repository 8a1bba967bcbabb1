#!/usr/bin/env python3
"""Draws the installer's picture: a unicorn's head with its horn and mane
(unicorn.bmp) and its mask (unicorn_mask.bmp). The picture is black wherever the mask
is white, so that drawing the mask with AND and then the picture with XOR leaves the
background showing around the head. Computed, the same bytes every time.

Usage: make_installer_artwork.py OUTDIR
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_artwork import bmp24, clamp  # noqa: E402

WIDTH, HEIGHT = 112, 120


def inside_ellipse(x, y, cx, cy, rx, ry, angle=0.0):
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def inside_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def part(x, y):
    """Which part of the drawing covers a pixel: None for the background."""
    horn = ((62, 6), (56, 40), (70, 38))
    if inside_triangle(x, y, *horn):
        return 'horn'
    if inside_ellipse(x, y, 40, 62, 11, 34, -0.35) or inside_ellipse(x, y, 30, 84, 10, 26, -0.2):
        return 'mane'
    if inside_ellipse(x, y, 46, 38, 5, 10, -0.4) or inside_ellipse(x, y, 74, 36, 5, 10, 0.4):
        return 'ear'
    head = inside_ellipse(x, y, 62, 56, 20, 18)
    snout = inside_ellipse(x, y, 78, 78, 14, 22, -0.7)
    neck = inside_ellipse(x, y, 50, 92, 20, 28, 0.25)
    if head or snout or neck:
        if (x - 68) ** 2 + (y - 54) ** 2 <= 9:
            return 'eye'
        if (x - 88) ** 2 + (y - 88) ** 2 <= 4:
            return 'eye'
        return 'coat'
    return None


def colour(x, y):
    p = part(x, y)
    if p is None:
        return (0, 0, 0)
    if p == 'horn':
        band = (x + 2 * y) % 8 < 4
        return (236, 200, 92) if band else (206, 160, 60)
    if p == 'mane':
        t = y / HEIGHT
        return (clamp(150 + 80 * t), clamp(90 + 40 * t), clamp(200 - 40 * t))
    if p == 'eye':
        return (24, 24, 40)
    shade = 1.0 - 0.35 * (x / WIDTH) - 0.15 * (y / HEIGHT)
    return (clamp(250 * shade), clamp(248 * shade), clamp(240 * shade))


def mask(x, y):
    return (0, 0, 0) if part(x, y) else (255, 255, 255)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, 'unicorn.bmp'), 'wb') as f:
        f.write(bmp24(WIDTH, HEIGHT, colour))
    with open(os.path.join(out, 'unicorn_mask.bmp'), 'wb') as f:
        f.write(bmp24(WIDTH, HEIGHT, mask))


if __name__ == '__main__':
    main()
