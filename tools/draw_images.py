#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the panel's pictures into resources/image/.

Run from the repository root: python3 tools/draw_images.py
Each picture is drawn at four times its size and scaled down, which gives
smooth edges. Normal pictures are dark grey, hover variants green, and the
transport's pictures for a disabled button light grey.
"""
from PIL import Image, ImageDraw, ImageFont
import os

OUT = os.path.join(os.path.dirname(__file__), '..', 'resources', 'image')
DARK = (64, 64, 64, 255)
GREEN = (74, 206, 90, 255)
GREY = (180, 180, 180, 255)
SS = 4


def canvas(size):
    img = Image.new('RGBA', (size * SS, size * SS), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def save(img, size, name):
    img.resize((size, size), Image.LANCZOS).save(os.path.join(OUT, name))


def play(color, name):
    img, d = canvas(200)
    s = SS
    d.polygon([(60 * s, 40 * s), (60 * s, 160 * s), (160 * s, 100 * s)], fill=color)
    save(img, 200, name)


def pause(color, name):
    img, d = canvas(200)
    s = SS
    d.rounded_rectangle([55 * s, 45 * s, 88 * s, 155 * s], radius=6 * s, fill=color)
    d.rounded_rectangle([112 * s, 45 * s, 145 * s, 155 * s], radius=6 * s, fill=color)
    save(img, 200, name)


def stop(color, name):
    img, d = canvas(200)
    s = SS
    d.rounded_rectangle([52 * s, 52 * s, 148 * s, 148 * s], radius=10 * s, fill=color)
    save(img, 200, name)


def back(color, name):
    # A bar and a left-pointing triangle: "go back to start".
    img, d = canvas(200)
    s = SS
    d.rounded_rectangle([45 * s, 45 * s, 65 * s, 155 * s], radius=5 * s, fill=color)
    d.polygon([(155 * s, 45 * s), (155 * s, 155 * s), (70 * s, 100 * s)], fill=color)
    save(img, 200, name)


def loop(color, name):
    img, d = canvas(32)
    s = SS
    w = 3 * s
    d.arc([5 * s, 7 * s, 27 * s, 25 * s], start=200, end=340, fill=color, width=w)
    d.arc([5 * s, 7 * s, 27 * s, 25 * s], start=20, end=160, fill=color, width=w)
    # Arrow heads at the ends of both arcs.
    d.polygon([(23 * s, 5 * s), (29 * s, 11 * s), (21 * s, 12 * s)], fill=color)
    d.polygon([(9 * s, 27 * s), (3 * s, 21 * s), (11 * s, 20 * s)], fill=color)
    save(img, 32, name)


def knob(size, name):
    img, d = canvas(size)
    s = SS * size / 200
    d.ellipse([10 * s, 10 * s, 190 * s, 190 * s], fill=(255, 255, 255, 255), outline=DARK, width=int(14 * s))
    d.ellipse([70 * s, 70 * s, 130 * s, 130 * s], fill=GREEN)
    save(img, size, name)


def marker(name):
    # Start marker: a small green flag on a pole.
    img, d = canvas(32)
    s = SS
    d.rectangle([14 * s, 3 * s, 17 * s, 29 * s], fill=DARK)
    d.polygon([(17 * s, 3 * s), (29 * s, 8 * s), (17 * s, 14 * s)], fill=GREEN)
    save(img, 32, name)


def logo(name):
    w, h = 128, 20
    img = Image.new('RGBA', (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, w * SS - 1, h * SS - 1], radius=5 * SS, fill=DARK)
    try:
        f = ImageFont.truetype('DejaVuSans-Bold.ttf', 13 * SS)
    except OSError:
        f = ImageFont.load_default()
    d.ellipse([5 * SS, 5 * SS, 15 * SS, 15 * SS], fill=GREEN)
    d.text((21 * SS, 2 * SS), 'QUILL TQR', font=f, fill=(0, 255, 0, 255))
    img.resize((w, h), Image.LANCZOS).save(os.path.join(OUT, name))


def main():
    os.makedirs(OUT, exist_ok=True)
    play(DARK, 'play2.png'); play(GREEN, 'gplay.png')
    pause(DARK, 'hstop.png'); pause(GREEN, 'gstop.png')
    stop(DARK, 'hpstop2.png'); stop(GREEN, 'gpstop2.png')
    back(DARK, 'backward.png'); back(GREEN, 'gbackward.png')
    play(GREY, 'play_off.png'); pause(GREY, 'hstop_off.png')
    stop(GREY, 'hpstop2_off.png'); back(GREY, 'backward_off.png')
    loop(DARK, 'xxhh2.png'); loop(GREEN, 'xxll2.png')
    knob(200, 'hk.png')
    marker('hk32.png')
    logo('label.png')


if __name__ == '__main__':
    main()
