#!/usr/bin/env python3
"""Draws the program icon (276) and the alarm-list row icons (296-303) as PNGs.

  icon276.png  the program: a golden bell in front of a dawn-coloured disc
               (64 x 64; also the desktop's 64 x 64 icon)
  dawnbell-48.png, dawnbell-128.png  the same picture for the desktop's other
               icon sizes (dawnbell.svg is its scalable form, drawn by hand)
  icon296.png  wizard alarm, active        icon297.png  wizard alarm, inactive
  icon301.png  compact alarm, active       icon298.png  compact alarm, inactive
  icon299.png  appointment alarm, active   icon302.png  appointment alarm, inactive
  icon300.png  command alarm, active       icon303.png  command alarm, inactive
  kind306.png  appointment alarm  kind307.png  command alarm
  kind309.png  wizard alarm       kind310.png  compact alarm

Kind pictures stand for a kind of new alarm in the template previews; they are
shown 80 x 80 pixels at 96 dpi and drawn at twice that.

Row icons are shown 14 x 14 pixels at 96 dpi and drawn at four times that, so
they stay sharp on dense displays; inactive icons are the same pictures in
greys. Shapes are signed-distance functions sampled 4 x 4 per pixel, written
with the standard library only. Running the script again gives the same bytes.

Usage: make_icons.py [output folder]   (default: the folder of this script)
"""
import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # supersampling per axis


def write_png(path, size, pixels):
    """pixels: list of rows of (r, g, b, a) tuples, 0-255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(tag, data):
        c = struct.pack(">I", len(data)) + tag + data
        return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# --- signed distance functions in unit coordinates (0..1, y down) ---------------

def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_box(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def f(x, y):
        dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(dx, 0), max(dy, 0))
        return outside + min(max(dx, dy), 0) - radius
    return f


def sd_polygon(points):
    def f(x, y):
        d = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            d = min(d, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -d if inside else d
    return f


def sd_segment(ax, ay, bx, by, width):
    def f(x, y):
        ex, ey = bx - ax, by - ay
        wx, wy = x - ax, y - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        return math.hypot(wx - ex * t, wy - ey * t) - width / 2
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def translate(f, dx, dy, scale=1.0):
    return lambda x, y: f((x - dx) / scale, (y - dy) / scale) * scale


# --- pictures: lists of layers (sdf, colour or colour function) ------------------

def bell_shape():
    dome = sd_circle(0.5, 0.38, 0.22)
    body = sd_polygon([(0.28, 0.38), (0.72, 0.38), (0.80, 0.70), (0.20, 0.70)])
    rim = sd_box(0.12, 0.66, 0.88, 0.78, 0.05)
    knob = sd_circle(0.5, 0.14, 0.06)
    return union(dome, body, rim, knob)


def clapper_shape():
    return sd_circle(0.5, 0.85, 0.08)


def star_shape(cx, cy, r):
    pts = []
    for i in range(8):
        a = -math.pi / 2 + i * math.pi / 4
        rr = r if i % 2 == 0 else r * 0.38
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return sd_polygon(pts)


PALETTES = {
    True: {"bell": (242, 183, 5), "bellEdge": (122, 82, 0), "shine": (255, 236, 150),
           "star": (90, 170, 255), "starEdge": (20, 70, 150),
           "page": (255, 255, 255), "pageEdge": (70, 70, 70), "header": (216, 58, 46),
           "screen": (32, 48, 64), "screenEdge": (10, 16, 24), "prompt": (64, 224, 112)},
    False: {"bell": (176, 176, 176), "bellEdge": (88, 88, 88), "shine": (215, 215, 215),
            "star": (190, 190, 190), "starEdge": (96, 96, 96),
            "page": (232, 232, 232), "pageEdge": (96, 96, 96), "header": (150, 150, 150),
            "screen": (120, 120, 120), "screenEdge": (70, 70, 70), "prompt": (215, 215, 215)},
}

EDGE = 0.07  # outline width in unit coordinates


def outlined(shape, fill, edge):
    return [(shape, edge), (lambda x, y: shape(x, y) + EDGE, fill)]


def bell_layers(p, scale=1.0, dx=0.0, dy=0.0):
    b = translate(bell_shape(), dx, dy, scale)
    c = translate(clapper_shape(), dx, dy, scale)
    shine = translate(sd_segment(0.37, 0.32, 0.31, 0.60, 0.06), dx, dy, scale)
    return outlined(c, p["bell"], p["bellEdge"]) + outlined(b, p["bell"], p["bellEdge"]) + [(shine, p["shine"])]


def compact(active):
    return bell_layers(PALETTES[active])


def wizard(active):
    p = PALETTES[active]
    star = star_shape(0.80, 0.22, 0.22)
    return bell_layers(p, 0.86, 0.0, 0.14) + outlined(star, p["star"], p["starEdge"])


def appointment(active):
    p = PALETTES[active]
    page = sd_box(0.08, 0.14, 0.92, 0.94, 0.08)
    header = lambda x, y: max(sd_box(0.08, 0.14, 0.92, 0.94, 0.08)(x, y) + EDGE, y - 0.36)
    layers = outlined(page, p["page"], p["pageEdge"]) + [(header, p["header"])]
    for rx in (0.30, 0.70):
        layers += [(sd_box(rx - 0.05, 0.04, rx + 0.05, 0.26, 0.04), p["pageEdge"])]
    for row in range(2):
        for col in range(3):
            cx, cy = 0.27 + col * 0.23, 0.53 + row * 0.22
            layers.append((sd_box(cx - 0.07, cy - 0.06, cx + 0.07, cy + 0.06, 0.02), p["header"]))
    return layers


def command(active):
    p = PALETTES[active]
    screen = sd_box(0.04, 0.12, 0.96, 0.88, 0.10)
    chevron = union(sd_segment(0.22, 0.34, 0.44, 0.50, 0.10), sd_segment(0.44, 0.50, 0.22, 0.66, 0.10))
    cursor = sd_segment(0.52, 0.68, 0.78, 0.68, 0.10)
    return outlined(screen, p["screen"], p["screenEdge"]) + [(union(chevron, cursor), p["prompt"])]


def program():
    p = PALETTES[True]

    def dawn(x, y):
        t = max(0.0, min(1.0, y))
        top, bottom = (255, 214, 120), (232, 96, 60)
        return tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3))
    disc = sd_circle(0.5, 0.5, 0.48)
    return [(disc, (150, 60, 40)), (lambda x, y: disc(x, y) + 0.04, dawn)] + bell_layers(p, 0.78, 0.11, 0.10)


def render(layers, size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied colour and alpha
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for shape, fill in layers:
                        if shape(x, y) < 0:
                            colour = fill(x, y) if callable(fill) else fill
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if acc[3] > 0:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(a * 255)),))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    row_size = 56   # 14 px at 96 dpi, four times
    icons = {
        296: wizard(True), 297: wizard(False),
        301: compact(True), 298: compact(False),
        299: appointment(True), 302: appointment(False),
        300: command(True), 303: command(False),
    }
    for ident, layers in icons.items():
        write_png(os.path.join(out, "icon%d.png" % ident), row_size, render(layers, row_size))
    write_png(os.path.join(out, "icon276.png"), 64, render(program(), 64))
    for size in (48, 128):
        write_png(os.path.join(out, "dawnbell-%d.png" % size), size, render(program(), size))
    kind_size = 160  # 80 px at 96 dpi, twice
    kinds = {306: appointment(True), 307: command(True), 309: wizard(True), 310: compact(True)}
    for ident, layers in kinds.items():
        write_png(os.path.join(out, "kind%d.png" % ident), kind_size, render(layers, kind_size))


if __name__ == "__main__":
    main()
