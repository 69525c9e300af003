#!/usr/bin/env python3
"""Draws the application icon of Korvo 2 and writes it as SVG and as PNG in every size.

The icon repeats the logo strip of the main window: the strip's blue ground, a collage of little
photographs with white borders, and the lettering "K2" in white with a red "2". The drawing is
made once as a list of filled shapes; the SVG file states them as paths and a small rasteriser
below (nonzero fill, analytic coverage across a row, several sub-rows per pixel) paints the same
shapes into the PNG files, so every size shows the same picture. Small sizes leave out detail
that would only blur.

Usage: make-icons.py [FOLDER]   (default: the hicolor folder beside this script)
Only the Python standard library is used, so the icons can be remade on any machine.
"""

import math
import os
import struct
import sys
import zlib

CANVAS = 256.0
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# The strip's blue at its left and right edge (src/ui/window/Artwork.cpp, StripBlue).
BLUE_LEFT = (41, 92, 199)
BLUE_RIGHT = (15, 51, 122)
RED = (230, 20, 30)
WHITE = (255, 255, 255)
PAPER = (250, 250, 244)


# ---------------------------------------------------------------------------------------------
# Shapes


class Gradient:
    """A linear gradient between two points of the canvas, with (offset, colour) stops."""

    def __init__(self, start, end, stops):
        self.start = start
        self.end = end
        self.stops = stops

    def transformed(self, transform):
        return Gradient(transform(self.start), transform(self.end), self.stops)

    def colour_at(self, x, y):
        dx = self.end[0] - self.start[0]
        dy = self.end[1] - self.start[1]
        length = dx * dx + dy * dy
        t = ((x - self.start[0]) * dx + (y - self.start[1]) * dy) / length if length else 0.0
        t = min(1.0, max(0.0, t))
        previous = self.stops[0]
        for stop in self.stops:
            if t <= stop[0]:
                span = stop[0] - previous[0]
                f = (t - previous[0]) / span if span > 0 else 1.0
                return tuple(previous[1][i] + (stop[1][i] - previous[1][i]) * f for i in range(3))
            previous = stop
        return self.stops[-1][1]


class Shape:
    """Polygons filled together with the nonzero rule (so overlapping parts join without seams),
    in one colour or gradient, with an opacity."""

    def __init__(self, polygons, fill, opacity=1.0):
        self.polygons = [oriented(p) for p in polygons if len(p) >= 3]
        self.fill = fill
        self.opacity = opacity


def area(polygon):
    return 0.5 * sum(
        polygon[i][0] * polygon[(i + 1) % len(polygon)][1] - polygon[(i + 1) % len(polygon)][0] * polygon[i][1]
        for i in range(len(polygon)))


def oriented(polygon):
    # One winding direction for all, so that overlaps add up instead of cancelling out.
    return polygon if area(polygon) >= 0 else list(reversed(polygon))


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def rounded_rect(x0, y0, x1, y1, radius, steps=12):
    points = []
    corners = ((x1 - radius, y0 + radius, -90), (x1 - radius, y1 - radius, 0), (x0 + radius, y1 - radius, 90),
               (x0 + radius, y0 + radius, 180))
    for cx, cy, start in corners:
        for i in range(steps + 1):
            a = math.radians(start + 90.0 * i / steps)
            points.append((cx + radius * math.cos(a), cy + radius * math.sin(a)))
    return points


def ellipse(cx, cy, rx, ry, steps=48):
    return [(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def thick_segment(p, q, width):
    dx, dy = q[0] - p[0], q[1] - p[1]
    length = math.hypot(dx, dy)
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return [(p[0] + nx, p[1] + ny), (q[0] + nx, q[1] + ny), (q[0] - nx, q[1] - ny), (p[0] - nx, p[1] - ny)]


def thick_arc(cx, cy, radius, width, start, end, steps=40):
    """A band along a circle from angle `start` to `end` (degrees, counter-clockwise on screen
    means decreasing y, as in mathematics)."""
    outer, inner = [], []
    for i in range(steps + 1):
        a = math.radians(start + (end - start) * i / steps)
        outer.append((cx + (radius + width / 2) * math.cos(a), cy - (radius + width / 2) * math.sin(a)))
        inner.append((cx + (radius - width / 2) * math.cos(a), cy - (radius - width / 2) * math.sin(a)))
    return outer + list(reversed(inner))


def clip(polygon, box):
    """Sutherland-Hodgman: the part of `polygon` inside the axis-parallel `box` (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = box
    edges = (
        (lambda p: p[0] >= x0, lambda p, q: (x0, p[1] + (q[1] - p[1]) * (x0 - p[0]) / (q[0] - p[0]))),
        (lambda p: p[0] <= x1, lambda p, q: (x1, p[1] + (q[1] - p[1]) * (x1 - p[0]) / (q[0] - p[0]))),
        (lambda p: p[1] >= y0, lambda p, q: (p[0] + (q[0] - p[0]) * (y0 - p[1]) / (q[1] - p[1]), y0)),
        (lambda p: p[1] <= y1, lambda p, q: (p[0] + (q[0] - p[0]) * (y1 - p[1]) / (q[1] - p[1]), y1)),
    )
    result = polygon
    for inside, cross in edges:
        if not result:
            break
        source, result = result, []
        for i, current in enumerate(source):
            previous = source[i - 1]
            if inside(current):
                if not inside(previous):
                    result.append(cross(previous, current))
                result.append(current)
            elif inside(previous):
                result.append(cross(previous, current))
    return result


def placement(cx, cy, angle):
    """Turns local coordinates by `angle` degrees (clockwise on screen) and moves them to (cx, cy)."""
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    return lambda p: (cx + p[0] * c - p[1] * s, cy + p[0] * s + p[1] * c)


# ---------------------------------------------------------------------------------------------
# The drawing


def photo(cx, cy, width, angle, scene, simple):
    """One photograph of the collage, as in the logo strip: a scene inside a white border, with
    a soft shadow. Coordinates are local to the photo until `place` moves them."""
    w, h = width, width * 23.0 / 29.0
    border = width * 2.0 / 29.0
    place = placement(cx, cy, angle)
    shift = width * 1.5 / 29.0
    shapes = [
        Shape([[place(p) for p in rect(-w / 2 + shift, -h / 2 + shift, w / 2 + shift, h / 2 + shift)]],
              (0, 0, 30), 90 / 255.0),
        Shape([[place(p) for p in rect(-w / 2, -h / 2, w / 2, h / 2)]], PAPER),
    ]
    box = (-w / 2 + border, -h / 2 + border, w / 2 - border, h / 2 - border)
    left, top, right, bottom = box
    pw, ph = right - left, bottom - top

    def add(polygons, fill, opacity=1.0):
        clipped = [[place(p) for p in clip(polygon, box)] for polygon in polygons]
        if isinstance(fill, Gradient):
            fill = fill.transformed(place)
        shapes.append(Shape(clipped, fill, opacity))

    def sky(top_colour, bottom_colour, middle=None):
        stops = [(0.0, top_colour)] + ([middle] if middle else []) + [(1.0, bottom_colour)]
        add([rect(*box)], Gradient((0, top), (0, bottom), stops))

    if scene == "meadow":
        sky((90, 160, 235), (190, 225, 250))
        add([ellipse(right - pw * 0.24, top + ph * 0.28, pw * 0.12, pw * 0.12)], (255, 220, 60))
        add([ellipse(left + pw * 0.25, bottom + ph * 0.05, pw * 0.6, ph * 0.42)], (70, 150, 60))
        if not simple:
            add([ellipse(left + pw * 0.9, bottom + ph * 0.15, pw * 0.6, ph * 0.4)], (50, 125, 45))
    elif scene == "sea":
        sky((120, 180, 240), (210, 235, 250))
        add([rect(left, top + ph * 0.58, right, bottom)], (30, 90, 170))
        add([[(left + pw * 0.55, top + ph * 0.56), (left + pw * 0.55, top + ph * 0.14),
              (left + pw * 0.80, top + ph * 0.56)]], WHITE)
    elif scene == "mountains":
        sky((150, 195, 240), (235, 240, 250))
        add([[(left - pw * 0.1, bottom), (left + pw * 0.36, top + ph * 0.22), (right - pw * 0.12, bottom)]],
            (110, 115, 135))
        add([[(left + pw * 0.4, bottom), (left + pw * 0.72, top + ph * 0.40), (right + pw * 0.2, bottom)]],
            (135, 140, 160))
        if not simple:
            add([[(left + pw * 0.26, top + ph * 0.40), (left + pw * 0.36, top + ph * 0.22),
                  (left + pw * 0.46, top + ph * 0.40)]], WHITE)
    elif scene == "sunset":
        sky((120, 60, 150), (255, 210, 110), (0.6, (250, 140, 60)))
        add([ellipse(left + pw * 0.5, top + ph * 0.62, pw * 0.17, pw * 0.17)], (255, 235, 140))
        add([rect(left, top + ph * 0.66, right, bottom)], (60, 30, 70))
    return shapes


def lettering(x0, y0, height, stroke, gap=0.08):
    """'K2': the K in white, the 2 in red, both above a dark shadow, as in the logo strip.
    (x0, y0) is the top left corner; the letters are `height` tall, `gap` times that apart."""
    y1 = y0 + height
    ym = y0 + height * 0.55
    k_width = height * 0.78
    k_box = (x0, y0, x0 + k_width, y1)
    k = [rect(x0, y0, x0 + stroke, y1)]
    k.append(clip(thick_segment((x0 + stroke * 0.6, ym + stroke * 0.25), (x0 + k_width + stroke * 0.2, y0 - stroke),
                                stroke * 1.05), k_box))
    k.append(clip(thick_segment((x0 + stroke * 1.2, ym - stroke * 0.55), (x0 + k_width + stroke * 0.2, y1 + stroke),
                                stroke * 1.1), k_box))

    bx0 = x0 + k_width + gap * height
    two_width = height * 0.74
    bx1 = bx0 + two_width
    radius = two_width / 2 - stroke / 2
    cx, cy = (bx0 + bx1) / 2, y0 + two_width / 2
    two_box = (bx0, y0, bx1, y1)
    joint_angle = -38.0
    joint = (cx + radius * math.cos(math.radians(joint_angle)), cy - radius * math.sin(math.radians(joint_angle)))
    foot = (bx0 + stroke * 0.45, y1 - stroke * 0.55)
    two = [
        thick_arc(cx, cy, radius, stroke, 168.0, joint_angle),
        ellipse(joint[0], joint[1], stroke / 2, stroke / 2, 24),
        clip(thick_segment(joint, foot, stroke * 1.05), two_box),
        rect(bx0, y1 - stroke, bx1, y1),
    ]

    offset = stroke * 0.16
    moved = lambda polygons: [[(x + offset, y + offset) for x, y in p] for p in polygons]
    return [
        Shape(moved(k) + moved(two), (0, 10, 50), 140 / 255.0),
        Shape(k, WHITE),
        Shape(two, RED),
    ], bx1


def drawing(size):
    """The icon for a given pixel size: a smaller icon has fewer and simpler photographs."""
    margin = 10.0 if size >= 48 else 6.0
    ground = Gradient((margin, margin), (CANVAS - margin, CANVAS - margin * 3),
                      [(0.0, BLUE_LEFT), (1.0, BLUE_RIGHT)])
    shapes = [
        Shape([rounded_rect(margin, margin, CANVAS - margin, CANVAS - margin, 44.0 if size >= 48 else 36.0)],
              ground),
        # A faint band of light across the top, like the gradient tiles of the strip.
        Shape([clip(rounded_rect(margin, margin, CANVAS - margin, CANVAS - margin, 44.0), (0, 0, CANVAS, 92))],
              Gradient((0, margin), (0, 92), [(0.0, WHITE), (1.0, BLUE_LEFT)]), 0.16),
    ]
    if size >= 48:
        shapes += photo(78, 78, 100, -10, "mountains", False)
        shapes += photo(178, 74, 100, 8, "meadow", False)
        shapes += photo(130, 112, 104, -3, "sunset", False)
        letters, _ = lettering(50, 136, 92, 25)
    elif size >= 32:
        shapes += photo(82, 82, 118, -9, "mountains", True)
        shapes += photo(176, 80, 118, 8, "meadow", True)
        letters, _ = lettering(42, 132, 100, 29, 0.12)
    else:
        shapes += photo(128, 70, 150, -6, "meadow", True)
        letters, _ = lettering(30, 116, 120, 36, 0.16)
    return shapes + letters


# ---------------------------------------------------------------------------------------------
# SVG


def svg_text(shapes):
    defs, body = [], []
    for number, shape in enumerate(shapes):
        paths = " ".join(
            "M " + " L ".join("%.2f %.2f" % point for point in polygon) + " Z" for polygon in shape.polygons)
        if not paths:
            continue
        if isinstance(shape.fill, Gradient):
            gradient = shape.fill
            stops = "".join(
                '<stop offset="%.3f" stop-color="#%02x%02x%02x"/>' % ((offset,) + tuple(round(c) for c in colour))
                for offset, colour in gradient.stops)
            defs.append('<linearGradient id="g%d" gradientUnits="userSpaceOnUse" x1="%.2f" y1="%.2f" '
                        'x2="%.2f" y2="%.2f">%s</linearGradient>' %
                        ((number,) + gradient.start + gradient.end + (stops,)))
            fill = "url(#g%d)" % number
        else:
            fill = "#%02x%02x%02x" % tuple(round(c) for c in shape.fill)
        opacity = '' if shape.opacity >= 1.0 else ' fill-opacity="%.3f"' % shape.opacity
        body.append('<path fill="%s"%s d="%s"/>' % (fill, opacity, paths))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
            '<title>Korvo 2</title>\n<defs>\n' + "\n".join(defs) + '\n</defs>\n' + "\n".join(body) + '\n</svg>\n')


# ---------------------------------------------------------------------------------------------
# Rasteriser and PNG


def rasterise(shapes, size):
    """Premultiplied RGBA floats, row by row, top row first."""
    scale = size / CANVAS
    sub_rows = 16 if size <= 64 else 6
    pixels = [[0.0] * (size * 4) for _ in range(size)]
    for shape in shapes:
        edges = []
        for polygon in shape.polygons:
            for i, p in enumerate(polygon):
                q = polygon[(i + 1) % len(polygon)]
                if p[1] != q[1]:
                    edges.append((p[0] * scale, p[1] * scale, q[0] * scale, q[1] * scale))
        if not edges:
            continue
        low = max(0, int(math.floor(min(min(e[1], e[3]) for e in edges))))
        high = min(size, int(math.ceil(max(max(e[1], e[3]) for e in edges))))
        for row in range(low, high):
            coverage = {}
            for sub in range(sub_rows):
                y = row + (sub + 0.5) / sub_rows
                crossings = []
                for xa, ya, xb, yb in edges:
                    if (ya <= y < yb) or (yb <= y < ya):
                        crossings.append((xa + (y - ya) * (xb - xa) / (yb - ya), 1 if yb > ya else -1))
                crossings.sort()
                winding = 0
                for x, direction in crossings:
                    before = winding
                    winding += direction
                    if before == 0 and winding != 0:
                        start = x
                    elif before != 0 and winding == 0:
                        add_span(coverage, max(0.0, start), min(float(size), x), 1.0 / sub_rows)
            line = pixels[row]
            for column, cover in coverage.items():
                alpha = min(1.0, cover) * shape.opacity
                if alpha <= 0.0:
                    continue
                colour = shape.fill
                if isinstance(colour, Gradient):
                    colour = colour.colour_at((column + 0.5) / scale, (row + 0.5) / scale)
                base = column * 4
                keep = 1.0 - alpha
                for channel in range(3):
                    line[base + channel] = colour[channel] / 255.0 * alpha + line[base + channel] * keep
                line[base + 3] = alpha + line[base + 3] * keep
    return pixels


def add_span(coverage, start, end, weight):
    if end <= start:
        return
    first, last = int(math.floor(start)), int(math.ceil(end)) - 1
    for column in range(first, last + 1):
        part = min(end, column + 1.0) - max(start, float(column))
        if part > 0:
            coverage[column] = coverage.get(column, 0.0) + part * weight


def png_bytes(pixels, width, height):
    rows = bytearray()
    for line in pixels:
        rows.append(0)
        for column in range(width):
            r, g, b, a = line[column * 4:column * 4 + 4]
            if a > 0:
                r, g, b = r / a, g / a, b / a
            rows.extend(min(255, max(0, int(round(v * 255.0)))) for v in (r, g, b, a))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) +
            chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                "hicolor")
    scalable = os.path.join(folder, "scalable", "apps")
    os.makedirs(scalable, exist_ok=True)
    with open(os.path.join(scalable, "korvo2.svg"), "w", encoding="utf-8", newline="\n") as svg:
        svg.write(svg_text(drawing(256)))
    for size in SIZES:
        target = os.path.join(folder, "%dx%d" % (size, size), "apps")
        os.makedirs(target, exist_ok=True)
        with open(os.path.join(target, "korvo2.png"), "wb") as png:
            png.write(png_bytes(rasterise(drawing(size), size), size, size))


if __name__ == "__main__":
    main()
