#!/usr/bin/python3
"""Draws the program's artwork into resources/art/: the icons (program, the
five tray states, menu and button glyphs) as .ico files with every size the
program asks for at 96 to 192 DPI, and the two pictures (splash, Info tab) as
JPEG at their design size and at twice that size for high-DPI screens.

Everything is drawn from shapes, at four times the target size and scaled
down, so the output depends on Pillow alone (Debian: python3-pil).

    tools/artwork/draw_artwork.py [OUTPUT_DIR]
"""
import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)
SUPER = 4

# Colours: strong, distinct hues that stay apart for the common colour
# vision deficiencies too (the shapes differ as well).
GREEN = (34, 139, 58)
GREY = (112, 118, 128)
RED = (200, 40, 40)
AMBER = (230, 150, 0)
BLUE = (30, 90, 180)
WHITE = (255, 255, 255)
DARK = (40, 44, 52)


# --- ICO writer ------------------------------------------------------------

def ico_bytes(images):
    """An .ico with one 32-bit DIB entry (and its AND mask) per image."""
    entries = []
    for img in images:
        w, h = img.size
        rgba = img.convert("RGBA")
        pixels = rgba.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = pixels[x, y]
                xor += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(w):
                if pixels[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        entries.append((w, h, header + xor + mask))
    out = io.BytesIO()
    out.write(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out.write(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset))
        offset += len(data)
    for _, _, data in entries:
        out.write(data)
    return out.getvalue()


def render(draw_fn, size):
    """draw_fn(draw, s) draws on a canvas of s = size * SUPER pixels."""
    s = size * SUPER
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(img), s, size)
    return img.resize((size, size), Image.LANCZOS)


def write_icon(path, draw_fn, sizes=ICON_SIZES):
    with open(path, "wb") as f:
        f.write(ico_bytes([render(draw_fn, n) for n in sizes]))


# --- shapes ------------------------------------------------------------------

def line_width(s, size, fraction, minimum_px=1.6):
    """A stroke that is a fraction of the canvas, but never thinner than
    about minimum_px pixels of the final icon."""
    return max(int(s * fraction), int(minimum_px * SUPER))


def keycap(d, s, size, fill, inset=0.06):
    """A key seen from above: a rounded square with a darker rim at the
    bottom."""
    m = s * inset
    r = s * 0.18
    rim = tuple(max(0, c - 60) for c in fill)
    d.rounded_rectangle((m, m, s - m, s - m), r, fill=rim)
    d.rounded_rectangle((m, m, s - m, s - m - s * 0.10), r, fill=fill)


def check(d, s, size, color):
    w = line_width(s, size, 0.11, 2.0)
    d.line([(s * 0.27, s * 0.47), (s * 0.44, s * 0.64), (s * 0.74, s * 0.30)], fill=color, width=w, joint="curve")


def pause_bars(d, s, color):
    d.rectangle((s * 0.33, s * 0.25, s * 0.44, s * 0.66), fill=color)
    d.rectangle((s * 0.56, s * 0.25, s * 0.67, s * 0.66), fill=color)


def cross(d, s, size, color, box=(0.30, 0.22, 0.70, 0.62)):
    w = line_width(s, size, 0.10, 2.0)
    x0, y0, x1, y1 = (v * s for v in box)
    d.line([(x0, y0), (x1, y1)], fill=color, width=w)
    d.line([(x0, y1), (x1, y0)], fill=color, width=w)


def question(d, s, size, color):
    w = line_width(s, size, 0.10, 2.0)
    d.arc((s * 0.33, s * 0.18, s * 0.67, s * 0.48), 180, 90, fill=color, width=w)
    d.line([(s * 0.50, s * 0.47), (s * 0.50, s * 0.54)], fill=color, width=w)
    r = max(s * 0.055, SUPER * 1.1)
    d.ellipse((s * 0.5 - r, s * 0.64 - r, s * 0.5 + r, s * 0.64 + r), fill=color)


def exclamation(d, s, size, color, top=0.34, bottom=0.66, dot=0.78):
    w = line_width(s, size, 0.10, 2.0)
    d.line([(s * 0.5, s * top), (s * 0.5, s * bottom)], fill=color, width=w)
    r = max(s * 0.055, SUPER * 1.1)
    d.ellipse((s * 0.5 - r, s * dot - r, s * 0.5 + r, s * dot + r), fill=color)


# --- icons -------------------------------------------------------------------

def program_icon(d, s, size):
    d.rounded_rectangle((0, 0, s - 1, s - 1), s * 0.2, fill=BLUE)
    keycap(d, s, size, (245, 245, 250), inset=0.18)
    w = line_width(s, size, 0.085, 1.8)
    d.line([(s * 0.34, s * 0.30), (s * 0.50, s * 0.62), (s * 0.66, s * 0.30)], fill=BLUE, width=w, joint="curve")


def tray_active(d, s, size):
    keycap(d, s, size, GREEN)
    check(d, s, size, WHITE)


def tray_inactive(d, s, size):
    keycap(d, s, size, GREY)
    pause_bars(d, s, WHITE)


def tray_closed(d, s, size):
    keycap(d, s, size, (205, 208, 214))
    cross(d, s, size, RED)


def tray_error(d, s, size):
    m = s * 0.04
    d.polygon([(s * 0.5, m), (s - m, s - m * 2), (m, s - m * 2)], fill=RED)
    exclamation(d, s, size, WHITE, top=0.34, bottom=0.64, dot=0.80)


def tray_language(d, s, size):
    keycap(d, s, size, AMBER)
    question(d, s, size, DARK)


def menu_exit(d, s, size):
    w = line_width(s, size, 0.11, 1.8)
    d.arc((s * 0.16, s * 0.18, s * 0.84, s * 0.86), -60, 240, fill=RED, width=w)
    d.line([(s * 0.5, s * 0.08), (s * 0.5, s * 0.50)], fill=RED, width=w)


def menu_setup(d, s, size):
    c = s / 2
    teeth = 8
    outer, inner = s * 0.46, s * 0.34
    points = []
    for i in range(teeth * 2):
        angle = math.pi * i / teeth
        for da in (-0.16, 0.16):
            r = outer if i % 2 == 0 else inner
            points.append((c + r * math.cos(angle + da), c + r * math.sin(angle + da)))
    d.polygon(points, fill=(90, 100, 115))
    d.ellipse((c - s * 0.30, c - s * 0.30, c + s * 0.30, c + s * 0.30), fill=(90, 100, 115))
    hole = s * 0.13
    d.ellipse((c - hole, c - hole, c + hole, c + hole), fill=(0, 0, 0, 0))


def glyph_start(d, s, size):
    d.polygon([(s * 0.22, s * 0.12), (s * 0.86, s * 0.5), (s * 0.22, s * 0.88)], fill=GREEN)


def glyph_stop(d, s, size):
    d.rounded_rectangle((s * 0.16, s * 0.16, s * 0.84, s * 0.84), s * 0.08, fill=RED)


def page(d, box, s, size):
    w = line_width(s, size, 0.06, 1.2)
    d.rectangle(box, fill=WHITE, outline=DARK, width=w)
    x0, y0, x1, y1 = box
    for i in range(3):
        y = y0 + (y1 - y0) * (0.3 + 0.2 * i)
        d.line([(x0 + (x1 - x0) * 0.2, y), (x1 - (x1 - x0) * 0.2, y)], fill=(120, 130, 150), width=max(1, w // 2))


def glyph_copy(d, s, size):
    page(d, (s * 0.08, s * 0.06, s * 0.62, s * 0.70), s, size)
    page(d, (s * 0.36, s * 0.30, s * 0.92, s * 0.94), s, size)


def chevron(d, s, size, up):
    w = line_width(s, size, 0.12, 2.0)
    y_tip, y_ends = (0.32, 0.66) if up else (0.68, 0.34)
    d.line([(s * 0.20, s * y_ends), (s * 0.5, s * y_tip), (s * 0.80, s * y_ends)], fill=DARK, width=w, joint="curve")


def glyph_folder(d, s, size):
    body = (222, 170, 40)
    d.rounded_rectangle((s * 0.06, s * 0.18, s * 0.48, s * 0.40), s * 0.05, fill=(190, 140, 20))
    d.rounded_rectangle((s * 0.06, s * 0.28, s * 0.94, s * 0.84), s * 0.06, fill=body)


def glyph_info(d, s, size):
    d.ellipse((s * 0.04, s * 0.04, s * 0.96, s * 0.96), fill=BLUE)
    r = max(s * 0.07, SUPER * 1.1)
    d.ellipse((s * 0.5 - r, s * 0.28 - r, s * 0.5 + r, s * 0.28 + r), fill=WHITE)
    w = line_width(s, size, 0.13, 2.0)
    d.line([(s * 0.5, s * 0.43), (s * 0.5, s * 0.76)], fill=WHITE, width=w)


ICONS = {
    "program.ico": program_icon,
    "tray-active.ico": tray_active,
    "tray-inactive.ico": tray_inactive,
    "tray-closed.ico": tray_closed,
    "tray-error.ico": tray_error,
    "tray-language.ico": tray_language,
    "menu-exit.ico": menu_exit,
    "menu-setup.ico": menu_setup,
    "glyph-start.ico": glyph_start,
    "glyph-stop.ico": glyph_stop,
    "glyph-copy.ico": glyph_copy,
    "glyph-collapse.ico": lambda d, s, n: chevron(d, s, n, True),
    "glyph-expand.ico": lambda d, s, n: chevron(d, s, n, False),
    "glyph-folder.ico": glyph_folder,
    "glyph-info.ico": glyph_info,
}


# --- pictures ----------------------------------------------------------------

def vertical_gradient(w, h, stops):
    """stops: (fraction, rgb) pairs from top to bottom."""
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                k = (t - t0) / max(1e-9, t1 - t0)
                d.line([(0, y), (w, y)], fill=tuple(int(a + (b - a) * k) for a, b in zip(c0, c1)))
                break
    return img


def key_row(img, scale, top, count, key, gap, left, colors, shadow=True):
    """A row of keycaps with a soft shadow; colors cycles over the keys."""
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for i in range(count):
        x = left + i * (key + gap)
        fill = colors[i % len(colors)]
        rim = tuple(max(0, c - 45) for c in fill)
        box = (x * scale, top * scale, (x + key) * scale, (top + key) * scale)
        if shadow:
            d.rounded_rectangle((box[0] + 3 * scale, box[1] + 4 * scale, box[2] + 3 * scale, box[3] + 4 * scale),
                                8 * scale, fill=(0, 0, 0, 60))
        d.rounded_rectangle(box, 8 * scale, fill=rim + (255,))
        d.rounded_rectangle((box[0], box[1], box[2], box[3] - 6 * scale), 8 * scale, fill=fill + (255,))
    layer = layer.filter(ImageFilter.GaussianBlur(0.6 * scale))
    img.paste(layer, (0, 0), layer)


def cable(img, scale, points, width, color):
    d = ImageDraw.Draw(img)
    d.line([(x * scale, y * scale) for x, y in points], fill=color, width=int(width * scale), joint="curve")


def switch(img, scale, cx, cy, r):
    """A large round push switch on its base, as assistive devices have."""
    d = ImageDraw.Draw(img)
    base = (58, 66, 82)
    d.ellipse(((cx - r - 6) * scale, (cy - r + 4) * scale, (cx + r + 6) * scale, (cy + r + 14) * scale), fill=base)
    d.ellipse(((cx - r) * scale, (cy - r) * scale, (cx + r) * scale, (cy + r) * scale), fill=(196, 40, 48))
    hi = r * 0.55
    d.ellipse(((cx - hi) * scale, (cy - r * 0.8) * scale, (cx + hi * 0.6) * scale, (cy - r * 0.2) * scale),
              fill=(226, 96, 100))


def splash(scale):
    w, h = 400 * scale, 303 * scale
    # Dark band at the top for the silver step text, light lower part for
    # the dark title and credit texts.
    img = vertical_gradient(w, h, [(0.0, (22, 48, 92)), (0.16, (32, 74, 140)), (0.42, (120, 168, 220)),
                                   (0.75, (226, 236, 248)), (1.0, (246, 249, 253))])
    # An assistive switch on the left, its cable running to the keys.
    cable(img, scale, [(96, 128), (140, 140), (170, 118), (206, 110)], 5, (60, 70, 90))
    switch(img, scale, 62, 124, 36)
    key_row(img, scale, 74, 4, 46, 10, 214, [(250, 250, 252), (250, 250, 252), (46, 150, 70), (250, 250, 252)])
    key_row(img, scale, 130, 3, 46, 10, 240, [(250, 250, 252), (236, 160, 20), (250, 250, 252)])
    key_row(img, scale, 186, 5, 46, 10, 40, [(250, 250, 252)])
    return img


def info_background(scale):
    w, h = 292 * scale, 246 * scale
    img = vertical_gradient(w, h, [(0.0, (28, 60, 112)), (0.14, (40, 86, 156)), (0.40, (170, 200, 236)),
                                   (0.70, (238, 243, 250)), (1.0, (250, 252, 255))])
    key_row(img, scale, 52, 4, 40, 9, 52, [(250, 250, 252), (46, 150, 70), (250, 250, 252), (250, 250, 252)])
    key_row(img, scale, 101, 3, 40, 9, 76, [(250, 250, 252), (250, 250, 252), (236, 160, 20)])
    return img


def write_jpeg(path, img):
    img.save(path, "JPEG", quality=90, optimize=True, progressive=False)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "resources", "art")
    os.makedirs(out, exist_ok=True)
    for name, fn in ICONS.items():
        write_icon(os.path.join(out, name), fn)
    write_jpeg(os.path.join(out, "splash.jpg"), splash(1))
    write_jpeg(os.path.join(out, "splash@2x.jpg"), splash(2))
    write_jpeg(os.path.join(out, "info.jpg"), info_background(1))
    write_jpeg(os.path.join(out, "info@2x.jpg"), info_background(2))
    print("artwork written to", out)


if __name__ == "__main__":
    main()
