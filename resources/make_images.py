#!/usr/bin/python3
"""Draws the installer's skin images and its icon.

Run with Debian's python3 and python3-pil (fonts from fonts-wqy-microhei):
    /usr/bin/python3 resources/make_images.py
It rewrites resources/images/*.png and resources/instkst.ico beside this script. The output is the
same bytes on every run: nothing random, no metadata, fixed compression, and text laid out by
FreeType alone (no optional shaping library).
"""

import math
import struct
import subprocess
import tempfile
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
IMAGE_DIR = HERE / "images"
ICON_PATH = HERE / "instkst.ico"
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# Edge supersampling for every hand-drawn shape; the box filter averages exact coverage.
SUPERSAMPLE = 8

# The large pictures are stretched into the picture control (414 x 199 once the shadow inset is
# taken off), which is flatter than either picture. Their content is drawn on a canvas of the
# on-screen aspect and then stretched to the stored size, so circles stay round when shown.
SHOWN_PICTURE_ASPECT = 414 / 199

BRAND_LIGHT = (74, 168, 245)
BRAND_DARK = (28, 91, 184)
BRAND_TEXT = (24, 62, 120)
SUBTLE_TEXT = (96, 122, 158)


# ---------------------------------------------------------------- drawing helpers

def font(size):
    return ImageFont.truetype(FONT_PATH, size, index=0, layout_engine=ImageFont.Layout.BASIC)


def coverage(size, draw_shapes, ss=SUPERSAMPLE):
    """An antialiased 8-bit mask: draw_shapes(draw, s) paints with 255 in coordinates scaled by s."""
    big = Image.new("L", (size[0] * ss, size[1] * ss), 0)
    draw_shapes(ImageDraw.Draw(big), ss)
    return big.resize(size, Image.BOX)


def text_coverage(size, text, typeface, origin):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).text(origin, text, font=typeface, fill=255)
    return mask


def paint(canvas, source, mask):
    """Composites a colour tuple or an RGBA image over canvas through the coverage mask."""
    if isinstance(source, Image.Image):
        layer = source.copy()
    else:
        layer = Image.new("RGBA", canvas.size, source if len(source) == 4 else source + (255,))
    layer.putalpha(ImageChops.multiply(layer.getchannel("A"), mask))
    canvas.alpha_composite(layer)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def gradient(size, stops, vertical=True):
    """RGBA image with colour stops [(t, rgba)] along y (or x), t from 0 to 1."""
    length = size[1] if vertical else size[0]
    line = Image.new("RGBA", (1, length) if vertical else (length, 1))
    for i in range(length):
        t = i / max(length - 1, 1)
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                colour = mix(c0, c1, (t - t0) / (t1 - t0))
                break
        line.putpixel((0, i) if vertical else (i, 0), colour)
    return line.resize(size, Image.NEAREST)


def scaled(points, s):
    return [(x * s, y * s) for x, y in points]


def quadratic(p0, p1, p2, steps=24):
    return [((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
             (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1])
            for t in (i / steps for i in range(1, steps + 1))]


def shield_outline(x, y, w, h):
    """Shield with curved shoulders and a pointed foot, in the box (x, y, w, h)."""
    def at(u, v):
        return (x + u * w, y + v * h)
    right = [at(0.5, 0.0)] + quadratic(at(0.5, 0.0), at(0.80, 0.11), at(1.0, 0.15))
    right += [at(1.0, 0.50)] + quadratic(at(1.0, 0.50), at(0.98, 0.84), at(0.5, 1.0))
    left = [(2 * x + w - px, py) for px, py in reversed(right[1:-1])]
    return right + left


def funnel_outline(x, y, w, h):
    """The filter funnel inside the shield, relative to the shield's box."""
    def at(u, v):
        return (x + u * w, y + v * h)
    return [at(0.23, 0.30), at(0.77, 0.30), at(0.565, 0.54), at(0.565, 0.73),
            at(0.435, 0.80), at(0.435, 0.54)]


def draw_mark(canvas, x, y, w, h, inverse=False):
    """The product mark: a blue shield with a white filter funnel (or white shield, blue funnel)."""
    size = canvas.size
    shield = coverage(size, lambda d, s: d.polygon(scaled(shield_outline(x, y, w, h), s), fill=255))
    left_half = coverage(size, lambda d, s: d.rectangle((0, 0, (x + w / 2) * s, size[1] * s), fill=255))
    funnel = coverage(size, lambda d, s: d.polygon(scaled(funnel_outline(x, y, w, h), s), fill=255))
    body = Image.new("RGBA", size, (0, 0, 0, 0))
    top, bottom = int(y), int(math.ceil(y + h))
    ramp = gradient((size[0], max(bottom - top, 2)), [(0, BRAND_LIGHT + (255,)), (1, BRAND_DARK + (255,))])
    body.paste(ramp, (0, top))
    if inverse:
        paint(canvas, (255, 255, 255), shield)
        paint(canvas, (206, 226, 250), ImageChops.multiply(shield, left_half))
        paint(canvas, body, funnel)
    else:
        paint(canvas, body, shield)
        paint(canvas, (255, 255, 255, 46), ImageChops.multiply(shield, left_half))
        paint(canvas, (255, 255, 255), funnel)


def clear_hidden_colour(image):
    """Zeroes the colour of fully transparent pixels so that they compress and premultiply alike."""
    if image.mode != "RGBA":
        return image
    alpha = image.getchannel("A")
    visible = alpha.point(lambda a: 255 if a else 0)
    out = Image.new("RGBA", image.size, (0, 0, 0, 0))
    out.paste(image, (0, 0), visible)
    return out


def save_png(image, name, colours=None):
    """colours: store an opaque image as a palette of that many colours. The images travel inside
    the installer's executable, and a palette cuts the large smooth pictures to a third; zopflipng
    (Debian's zopfli) then stores the same pixels in the smallest PNG it finds."""
    if colours:
        image = image.convert("RGB").quantize(colors=colours, method=Image.Quantize.MEDIANCUT)
    with tempfile.TemporaryDirectory() as folder:
        drawn = Path(folder) / name
        clear_hidden_colour(image).save(drawn, "PNG", optimize=False, compress_level=9)
        subprocess.run(["zopflipng", "-m", "-y", str(drawn), str(IMAGE_DIR / name)],
                       check=True, stdout=subprocess.DEVNULL)


def shown_canvas(stored_size, scale):
    """Working canvas at scale for a picture shown at SHOWN_PICTURE_ASPECT (see above)."""
    w, h = stored_size
    return (w * scale, round(w / SHOWN_PICTURE_ASPECT) * scale)


# ---------------------------------------------------------------- the images

def background(size, top, bottom, glow, watermark):
    """Window background: a vertical wash, soft light discs at the right, an optional faint shield
    where no picture covers it, and a pale footer band behind the main button."""
    w, h = size
    image = gradient(size, [(0, top + (255,)), (1, bottom + (255,))])
    discs = Image.new("L", size, 0)
    d = ImageDraw.Draw(discs)
    for cx, cy, r, a in ((0.92, 0.18, 0.30, 70), (0.74, 0.52, 0.20, 40), (0.98, 0.72, 0.16, 50)):
        d.ellipse(((cx - r) * w, cy * h - r * w, (cx + r) * w, cy * h + r * w), fill=a)
    paint(image, glow, discs.filter(ImageFilter.GaussianBlur(w * 0.07)))
    if watermark:
        sw = 0.26 * w
        outline = shield_outline(0.70 * w, 0.12 * h, sw, sw * 1.16)
        paint(image, (255, 255, 255, 110), coverage(size, lambda d, s: d.polygon(scaled(outline, s), fill=255)))
    footer_top = round(h * 0.76)
    paint(image, (255, 255, 255, 90), coverage(size, lambda d, s: d.rectangle((0, footer_top * s, w * s, h * s), fill=255)))
    paint(image, (255, 255, 255, 200), coverage(size, lambda d, s: d.rectangle((0, footer_top * s, w * s, (footer_top + 1) * s), fill=255)))
    edge = coverage(size, lambda d, s: d.rectangle((0, 0, w * s - 1, h * s - 1), outline=255, width=s))
    paint(image, mix(bottom, (40, 70, 110), 0.35), edge)
    return image.convert("RGB")


def close_button():
    """Five 16 x 16 cells: plain, hot, unused (as plain), disabled (empty), pressed."""
    strip = Image.new("RGBA", (80, 16), (0, 0, 0, 0))

    def cross(offset):
        def shapes(d, s):
            for a, b in (((4.6, 4.6), (11.4, 11.4)), ((11.4, 4.6), (4.6, 11.4))):
                p = ((offset + a[0]) * s, a[1] * s)
                q = ((offset + b[0]) * s, b[1] * s)
                d.line((p, q), fill=255, width=round(1.5 * s))
                for cx, cy in (p, q):
                    r = 0.75 * s
                    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
        return coverage(strip.size, shapes)

    def disc(offset):
        return coverage(strip.size, lambda d, s: d.ellipse((offset * s + s // 2, s // 2, (offset + 15.5) * s, 15.5 * s), fill=255))

    for cell in (0, 2):
        paint(strip, (84, 104, 134), cross(cell * 16))
    paint(strip, (232, 84, 64), disc(16))
    paint(strip, (255, 255, 255), cross(16))
    paint(strip, (186, 52, 36), disc(64))
    paint(strip, (255, 236, 232), cross(64))
    return strip


def main_button():
    """Five 216 x 45 cells (plain, hot, unused as plain, disabled empty, pressed) and a spare column."""
    cw, ch = 216, 45
    strip = Image.new("RGBA", (cw * 5 + 1, ch), (0, 0, 0, 0))
    # (gradient top, gradient bottom, rim, top shine alpha; 0 draws an inner shadow instead)
    plain = ((255, 168, 62), (241, 124, 14), (214, 100, 6), 80)
    looks = {0: plain, 1: ((255, 190, 102), (250, 148, 44), (222, 114, 16), 100), 2: plain,
             4: ((228, 118, 12), (208, 96, 6), (176, 78, 4), 0)}
    for cell, (top, bottom, rim, shine) in looks.items():
        x = cell * cw
        outer = coverage(strip.size, lambda d, s: d.rounded_rectangle((x * s, 0, (x + cw) * s - 1, ch * s - 1), radius=5 * s, fill=255))
        inner = coverage(strip.size, lambda d, s: d.rounded_rectangle(((x + 1) * s, s, (x + cw - 1) * s - 1, (ch - 1) * s - 1), radius=4 * s, fill=255))
        body = Image.new("RGBA", strip.size, (0, 0, 0, 0))
        body.paste(gradient((cw, ch), [(0, top + (255,)), (1, bottom + (255,))]), (x, 0))
        paint(strip, rim, outer)
        paint(strip, body, inner)
        band = coverage(strip.size, lambda d, s: d.rectangle(((x + 1) * s, s, (x + cw - 1) * s, 2 * s), fill=255))
        if shine:
            paint(strip, (255, 255, 255, shine), ImageChops.multiply(band, inner))
        else:
            paint(strip, (120, 50, 0, 60), ImageChops.multiply(band, inner))
    return strip


def logo():
    image = Image.new("RGBA", (154, 48), (0, 0, 0, 0))
    draw_mark(image, 4, 3, 36, 42)
    paint(image, BRAND_TEXT, text_coverage(image.size, "Veltrin", font(27), (48, 1)))
    paint(image, SUBTLE_TEXT, text_coverage(image.size, "WEB FILTER", font(10), (50, 33)))
    return image


def badge():
    w, h = 154, 48
    image = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    pill = coverage((w, h), lambda d, s: d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), radius=10 * s, fill=255))
    paint(image, gradient((w, h), [(0, (58, 150, 236, 255)), (1, (26, 84, 172, 255))]), pill)
    rim = ImageChops.subtract(pill, coverage((w, h), lambda d, s: d.rounded_rectangle((s, s, (w - 1) * s - 1, (h - 1) * s - 1), radius=9 * s, fill=255)))
    paint(image, (18, 60, 130, 255), rim)
    draw_mark(image, 10, 6, 31, 36, inverse=True)
    paint(image, (255, 255, 255), text_coverage(image.size, "Veltrin", font(24), (50, 4)))
    paint(image, (200, 224, 250), text_coverage(image.size, "WEB FILTER", font(9), (52, 32)))
    return image


def check_mark(size, cx, cy, r):
    points = [(cx - 0.46 * r, cy + 0.02 * r), (cx - 0.12 * r, cy + 0.34 * r), (cx + 0.48 * r, cy - 0.30 * r)]

    def shapes(d, s):
        width = 0.17 * r * s
        d.line(scaled(points, s), fill=255, width=round(width), joint="curve")
        for px, py in scaled(points[:1] + points[-1:], s):
            d.ellipse((px - width / 2, py - width / 2, px + width / 2, py + width / 2), fill=255)
    return coverage(size, shapes, ss=2)


def picture_start():
    stored = (580, 321)
    scale = 2
    size = shown_canvas(stored, scale)
    w, h = size
    image = gradient(size, [(0, (255, 255, 255, 255)), (0.55, (238, 246, 254, 255)), (1, (214, 233, 252, 255))])
    cx, cy = 0.72 * w, 0.47 * h

    glow = Image.new("L", size, 0)
    ImageDraw.Draw(glow).ellipse((cx - 0.23 * w, cy - 0.23 * w, cx + 0.23 * w, cy + 0.23 * w), fill=150)
    paint(image, (190, 222, 252), glow.filter(ImageFilter.GaussianBlur(18 * scale)))
    rings = coverage(size, lambda d, s: [d.ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), outline=255, width=round(1.2 * scale * s)) for r in (0.19 * w, 0.25 * w)], ss=2)
    paint(image, (120, 180, 240, 90), rings)

    for phase, level, colour in ((0.0, 0.80, (160, 204, 248, 110)), (1.7, 0.86, (120, 178, 240, 90))):
        wave = [(x, h * level + math.sin(x / w * 2 * math.pi * 1.2 + phase) * 0.035 * h) for x in range(0, w + 1, 4)]
        outline = wave + [(w, h), (0, h)]
        paint(image, colour, coverage(size, lambda d, s: d.polygon(scaled(outline, s), fill=255), ss=2))

    sw, sh = 0.24 * w, 0.28 * w
    shadow = coverage(size, lambda d, s: d.polygon(scaled(shield_outline(cx - sw / 2 + 4 * scale, cy - sh / 2 + 8 * scale, sw, sh), s), fill=255), ss=2)
    paint(image, (30, 70, 130, 70), shadow.filter(ImageFilter.GaussianBlur(8 * scale)))
    draw_mark(image, cx - sw / 2, cy - sh / 2, sw, sh)

    tick_r = 0.055 * w
    tx, ty = cx + sw * 0.36, cy + sh * 0.30
    paint(image, (255, 255, 255), coverage(size, lambda d, s: d.ellipse(((tx - tick_r - 3 * scale) * s, (ty - tick_r - 3 * scale) * s, (tx + tick_r + 3 * scale) * s, (ty + tick_r + 3 * scale) * s), fill=255), ss=2))
    paint(image, (52, 184, 104), coverage(size, lambda d, s: d.ellipse(((tx - tick_r) * s, (ty - tick_r) * s, (tx + tick_r) * s, (ty + tick_r) * s), fill=255), ss=2))
    paint(image, (255, 255, 255), check_mark(size, tx, ty, tick_r))

    headline = font(30 * scale)
    paint(image, BRAND_TEXT, text_coverage(size, "清爽上网", headline, (0.07 * w, 0.36 * h)))
    paint(image, SUBTLE_TEXT, text_coverage(size, "拦截广告 · 跟踪器 · 恶意网站", font(14 * scale), (0.07 * w + 2 * scale, 0.36 * h + 44 * scale)))
    return image.convert("RGB").resize(stored, Image.LANCZOS)


def picture_installing():
    return Image.new("RGB", (496, 260), (255, 255, 255))


def picture_finished():
    stored = (496, 260)
    scale = 2
    size = shown_canvas(stored, scale)
    w, h = size
    image = gradient(size, [(0, (255, 255, 255, 255)), (0.6, (255, 255, 255, 255)), (1, (232, 243, 254, 255))])
    cx, cy, r = w / 2, 0.40 * h, 0.095 * w

    halo = Image.new("L", size, 0)
    ImageDraw.Draw(halo).ellipse((cx - 1.5 * r, cy - 1.5 * r, cx + 1.5 * r, cy + 1.5 * r), fill=120)
    paint(image, (200, 240, 214), halo.filter(ImageFilter.GaussianBlur(14 * scale)))
    shade = coverage(size, lambda d, s: d.ellipse(((cx - r) * s, (cy - r + 5 * scale) * s, (cx + r) * s, (cy + r + 5 * scale) * s), fill=255), ss=2)
    paint(image, (20, 110, 60, 70), shade.filter(ImageFilter.GaussianBlur(5 * scale)))
    disc = coverage(size, lambda d, s: d.ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), fill=255), ss=2)
    ramp = Image.new("RGBA", size, (0, 0, 0, 0))
    ramp.paste(gradient((w, round(2 * r)), [(0, (88, 208, 132, 255)), (1, (36, 164, 88, 255))]), (0, round(cy - r)))
    paint(image, ramp, disc)
    paint(image, (255, 255, 255), check_mark(size, cx, cy, r))

    caption = font(26 * scale)
    left, top, right, bottom = caption.getbbox("安装完成")
    origin = (round(cx - (right + left) / 2), round(0.70 * h - (bottom + top) / 2))
    paint(image, BRAND_TEXT, text_coverage(size, "安装完成", caption, origin))
    return image.convert("RGB").resize(stored, Image.LANCZOS)


def shadow_frame():
    """Black edge three pixels deep, darkest innermost, around a clear interior."""
    w, h = 200, 144
    image = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    for ring, alpha in enumerate((5, 14, 28)):
        d.rectangle((ring, ring, w - 1 - ring, h - 1 - ring), outline=(0, 0, 0, alpha))
    return image


def icon_image(side):
    image = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    draw_mark(image, side * 0.06, 0, side * 0.88, side)
    return clear_hidden_colour(image)


def write_icon(path, images):
    """ICO with uncompressed 32-bit DIB entries, which every Windows version reads."""
    header = struct.pack("<HHH", 0, 1, len(images))
    directory, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for image in images:
        w, h = image.size
        pixels = image.load()
        colour = b"".join(bytes((pixels[x, y][2], pixels[x, y][1], pixels[x, y][0], pixels[x, y][3]))
                          for y in reversed(range(h)) for x in range(w))
        stride = (w + 31) // 32 * 4
        mask = b""
        for y in reversed(range(h)):
            row = bytearray(stride)
            for x in range(w):
                if pixels[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(row)
        info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
        blob = info + colour + mask
        directory += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    path.write_bytes(header + directory + blobs)


def main():
    IMAGE_DIR.mkdir(exist_ok=True)
    save_png(background((486, 267), (243, 249, 255), (205, 228, 250), (255, 255, 255), False),
             "background_install.png", colours=64)
    save_png(background((560, 337), (240, 244, 249), (208, 218, 231), (250, 252, 255), True),
             "background_uninstall.png", colours=64)
    save_png(badge(), "badge.png")
    save_png(close_button(), "close_button.png")
    save_png(main_button(), "main_button.png")
    save_png(logo(), "logo.png")
    save_png(picture_start(), "picture_start.png", colours=64)
    save_png(picture_installing(), "picture_installing.png")
    save_png(picture_finished(), "picture_finished.png", colours=64)
    save_png(shadow_frame(), "shadow_frame.png")
    write_icon(ICON_PATH, [icon_image(16), icon_image(32)])


if __name__ == "__main__":
    main()
