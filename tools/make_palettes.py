#!/usr/bin/env python3
"""Writes the two palette resources, PALETTE216 and PALETTE256G, from their rules.

Each is an 853-byte record: the "VARNRSRC" magic, a 64-byte title, a small chunk
header ("CMAP", version 1, length 768) and 256 red, green, blue entries.
"""
import struct
import sys


def record(entries):
    assert len(entries) <= 256
    colours = bytearray(768)
    for i, (r, g, b) in enumerate(entries):
        colours[3 * i:3 * i + 3] = bytes((r, g, b))
    title = b'256 colour palette'.ljust(64, b'\0')
    data = b'VARNRSRC' + title + b'\x00\x01\x00' + b'CMAP' + struct.pack('<IH', 1, 768) + bytes(colours)
    assert len(data) == 853
    return data


def web_safe_cube():
    levels = [0, 51, 102, 153, 204, 255]
    return [(r, g, b) for r in levels for g in levels for b in levels]


def colours_with_greys():
    reds = [0, 43, 85, 128, 170, 213, 255]
    greens = [0, 36, 73, 109, 146, 182, 219, 255]
    blues = [0, 85, 170, 255]
    colours = [(r, g, b) for r in reds for g in greens for b in blues]
    greys = [1, 8, 16, 24, 32, 41, 49, 57, 65, 74, 82, 90, 98, 106, 115, 123,
             131, 139, 148, 156, 164, 172, 180, 189, 197, 205, 213, 222, 230, 238, 246, 254]
    return colours[:112] + [(v, v, v) for v in greys] + colours[112:]


def main():
    out_dir = sys.argv[1]
    with open(f'{out_dir}/palette216.bin', 'wb') as f:
        f.write(record(web_safe_cube()))
    with open(f'{out_dir}/palette256g.bin', 'wb') as f:
        f.write(record(colours_with_greys()))


if __name__ == '__main__':
    main()
