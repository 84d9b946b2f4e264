#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the panel's application icon for the hicolor theme.

Run from the repository root: python3 tools/draw_icon.py
Writes packaging/icons/hicolor/scalable/apps/<id>.svg and a PNG for each
fixed size. Both come from the same shapes on a 256-unit canvas, so the SVG
and the PNGs agree; PNGs are drawn at four times their size and scaled down.
"""
from PIL import Image, ImageDraw
import os

APP_ID = 'org.quill_tool.QuillTool'
OUT = os.path.join(os.path.dirname(__file__), '..', 'packaging', 'icons', 'hicolor')
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SS = 4

BACKGROUND = (52, 56, 62)
GREEN = (74, 206, 90)
LIGHT = (238, 240, 242)

# A dark tile, a green dial ring with four tick marks (the time code) and a
# light quill crossing it.
TILE = (16, 16, 240, 240, 44)              # x0, y0, x1, y1, corner radius
RING = (128, 128, 78, 16)                  # centre x, centre y, radius, stroke
TICKS = [(122, 38, 134, 62), (122, 194, 134, 218), (38, 122, 62, 134), (194, 122, 218, 134)]
QUILL = [(196, 52), (170, 118), (126, 158), (84, 186), (70, 200), (62, 198), (74, 176),
         (104, 134), (146, 92)]
NIB = [(70, 200), (52, 214), (62, 198)]


def hex_colour(c):
    return '#%02x%02x%02x' % c


def svg():
    x0, y0, x1, y1, r = TILE
    cx, cy, rr, w = RING
    ticks = ''.join('<rect x="%d" y="%d" width="%d" height="%d" rx="3" fill="%s"/>'
                    % (a, b, c - a, d - b, hex_colour(GREEN)) for a, b, c, d in TICKS)
    points = lambda pts: ' '.join('%d,%d' % p for p in pts)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
            '  <rect x="%d" y="%d" width="%d" height="%d" rx="%d" fill="%s"/>\n'
            '  <circle cx="%d" cy="%d" r="%d" fill="none" stroke="%s" stroke-width="%d"/>\n'
            '  %s\n'
            '  <polygon points="%s" fill="%s"/>\n'
            '  <polygon points="%s" fill="%s"/>\n'
            '</svg>\n') % (x0, y0, x1 - x0, y1 - y0, r, hex_colour(BACKGROUND),
                           cx, cy, rr, hex_colour(GREEN), w, ticks,
                           points(QUILL), hex_colour(LIGHT), points(NIB), hex_colour(LIGHT))


def png(size):
    scale = size * SS / 256.0
    s = lambda v: v * scale
    img = Image.new('RGBA', (size * SS, size * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1, r = TILE
    d.rounded_rectangle([s(x0), s(y0), s(x1), s(y1)], radius=s(r), fill=BACKGROUND)
    cx, cy, rr, w = RING
    d.ellipse([s(cx - rr - w / 2), s(cy - rr - w / 2), s(cx + rr + w / 2), s(cy + rr + w / 2)],
              outline=GREEN, width=max(1, round(s(w))))
    for a, b, c, e in TICKS:
        d.rounded_rectangle([s(a), s(b), s(c), s(e)], radius=s(3), fill=GREEN)
    d.polygon([(s(x), s(y)) for x, y in QUILL], fill=LIGHT)
    d.polygon([(s(x), s(y)) for x, y in NIB], fill=LIGHT)
    return img.resize((size, size), Image.LANCZOS)


def main():
    scalable = os.path.join(OUT, 'scalable', 'apps')
    os.makedirs(scalable, exist_ok=True)
    with open(os.path.join(scalable, APP_ID + '.svg'), 'w') as f:
        f.write(svg())
    for size in SIZES:
        folder = os.path.join(OUT, '%dx%d' % (size, size), 'apps')
        os.makedirs(folder, exist_ok=True)
        png(size).save(os.path.join(folder, APP_ID + '.png'))


if __name__ == '__main__':
    main()
