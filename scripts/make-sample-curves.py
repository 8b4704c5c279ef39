#!/usr/bin/env python3
"""Draws the sample shooting systems of data/sdata and writes the sample curve
sets of data/kdata.

Usage: scripts/make-sample-curves.py [data folder]   (default: data)
Shooting systems: a picture (24-bit Windows bitmap) and a definition file
with the five mirrors as X:Y|S. Curve sets: one folder per set, one .kdf file
per series with the sections 1 to 5, points X:Y|T in the 300 x 300 display.
Only the standard library is used; the same seeds give the same files.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bmppicture import BLACK, WHITE, Picture  # noqa: E402


def shooting_system(width, height, mirrors, radius, housing):
    """A wall with a floor line and five mirror housings; the mirror is a black disc."""
    pic = Picture(width, height, (196, 204, 196))
    pic.box(0, height * 3 // 4, width, height, (150, 138, 112))  # floor
    pic.box(0, height * 3 // 4 - 2, width, height * 3 // 4, (96, 88, 72))
    for x, y in mirrors:
        hw, hh = housing
        pic.box(x - hw, y - hh, x + hw, y + hh, (88, 96, 104))
        pic.box(x - hw + 2, y - hh + 2, x + hw - 2, y + hh - 2, (232, 232, 224))
        pic.disc(x, y, radius + max(2, radius // 5), (160, 160, 160))
        pic.disc(x, y, radius, BLACK)
    return pic


def write_system(folder, name, width, height, mirror_xs, mirror_y, size, housing):
    mirrors = [(x, mirror_y) for x in mirror_xs]
    pic = shooting_system(width, height, mirrors, size // 2, housing)
    pic.save_bmp(os.path.join(folder, name + ".bmp"))
    with open(os.path.join(folder, name + ".def"), "w", newline="\r\n") as f:
        f.write("[Spiegel]\n")
        for n, (x, y) in enumerate(mirrors, start=1):
            f.write("%d=%d:%d|%d\n" % (n, x, y, size))


def clamp(v):
    return max(0, min(299, int(round(v))))


def curve(rng, kind, speed):
    """Points (x, y, t) of one curve: onto, over or off the mirror in the middle (150, 150)."""
    pts = []
    angle = rng.uniform(0, 2 * math.pi)
    dist = rng.uniform(70, 120)
    x = 150 + dist * math.cos(angle)
    y = 150 + dist * math.sin(angle)
    hold = 20

    def add(px, py, t=hold):
        pts.append((clamp(px), clamp(py), t))

    add(x, y)
    if kind == "over":
        # straight across the mirror and out on the other side
        tx = 150 - (x - 150)
        ty = 150 - (y - 150) * 0.6
        steps = rng.randint(40, 60)
        for i in range(1, steps + 1):
            f = i / steps
            add(x + (tx - x) * f + rng.uniform(-2, 2), y + (ty - y) * f + rng.uniform(-2, 2))
        return pts
    steps_in = rng.randint(15, 30) // speed
    for i in range(1, steps_in + 1):
        f = 1 - (1 - i / steps_in) ** 2  # slows down near the mirror
        add(x + (150 - x) * f + rng.uniform(-3, 3), y + (150 - y) * f + rng.uniform(-3, 3))
    # wobble on the mirror
    cx, cy = 150.0, 150.0
    for _ in range(rng.randint(20, 40)):
        cx += rng.uniform(-2.5, 2.5) - (cx - 150) * 0.15
        cy += rng.uniform(-2.5, 2.5) - (cy - 150) * 0.15
        add(cx, cy, rng.choice((20, 20, 20, 30)))
    if kind in ("off", "back"):
        a = rng.uniform(0, 2 * math.pi)
        steps = rng.randint(10, 20)
        for i in range(1, steps + 1):
            add(cx + 3 * i * math.cos(a), cy + 3 * i * math.sin(a))
        if kind == "back":
            ox, oy = pts[-1][0], pts[-1][1]
            for i in range(1, steps + 1):
                f = i / steps
                add(ox + (150 - ox) * f, oy + (150 - oy) * f)
            for _ in range(rng.randint(10, 20)):
                add(150 + rng.uniform(-4, 4), 150 + rng.uniform(-4, 4))
    return pts


def write_set(folder, name, files, seed, speed, kinds):
    target = os.path.join(folder, name)
    os.makedirs(target, exist_ok=True)
    rng = random.Random(seed)
    for n in range(1, files + 1):
        with open(os.path.join(target, "serie%02d.kdf" % n), "w", newline="\r\n") as f:
            for section in range(1, 6):
                kind = rng.choice(kinds)
                pts = curve(rng, kind, speed)
                f.write("[%d]\n" % section)
                f.write("Rec=1\n")
                f.write("Points=%d\n" % len(pts))
                f.write("Description=Beispielkurve %s, Serie %d, Scheibe %d\n" % (kind, n, section))
                f.write("Speed=%d\n" % speed)
                for k, (x, y, t) in enumerate(pts):
                    f.write("%d=%d:%d|%d\n" % (k, x, y, t))
                f.write("\n")


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    sdata = os.path.join(data, "sdata")
    kdata = os.path.join(data, "kdata")
    os.makedirs(sdata, exist_ok=True)
    os.makedirs(kdata, exist_ok=True)
    write_system(sdata, "anlage_600", 600, 200, [60, 180, 300, 420, 540], 100, 40, (26, 34))
    write_system(sdata, "anlage_200", 200, 120, [20, 60, 100, 140, 180], 60, 16, (12, 16))
    write_set(kdata, "Standard", 5, 1101, 1, ("on", "off", "back", "over", "on"))
    write_set(kdata, "Schnell", 3, 2202, 2, ("on", "off", "over"))


if __name__ == "__main__":
    main()
