#!/usr/bin/env python3
"""Draws the sample sight pictures of data/vdata as 24-bit Windows bitmaps.

Usage: scripts/make-sample-sights.py [target folder]   (default: data/vdata)
Only the standard library is used, so the pictures can be rebuilt anywhere.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bmppicture import BLACK, WHITE, Picture  # noqa: E402

GREY = (128, 128, 128)


def ring_front_sight(size):
    """Diopter, front-sight tunnel and ring front sight with arms and post."""
    p = Picture(size, size)
    c = size / 2
    p.outside(c, c, size * 0.40, BLACK)        # diopter: black outside the opening
    p.ring(c, c, size * 0.26, size * 0.21, BLACK)   # tunnel
    p.ring(c, c, size * 0.11, size * 0.07, BLACK)   # ring front sight
    arm = max(2, size // 60)
    y = int(c)
    p.box(int(c - size * 0.21), y - arm, int(c - size * 0.11) + 1, y + arm + 1, BLACK)
    p.box(int(c + size * 0.11), y - arm, int(c + size * 0.21) + 1, y + arm + 1, BLACK)
    post = max(4, size // 20)
    p.box(int(c) - post // 2, int(c + size * 0.25), int(c) - post // 2 + post, int(c + size * 0.40), BLACK)
    return p


def post_front_sight(width, height):
    """A post (bar) front sight seen through a round rear sight, small picture."""
    p = Picture(width, height)
    cx, cy = width / 2, height / 2
    p.outside(cx, cy, height * 0.45, BLACK)
    p.box(int(cx) - 6, int(cy), int(cx) + 6, height, BLACK)
    p.box(int(cx) - 1, int(cy) - 1, int(cx) + 1, int(cy) + 1, GREY)
    return p


def open_ring(size):
    """Only a thin ring front sight in a wide opening, for training without tunnel."""
    p = Picture(size, size)
    c = size / 2
    p.outside(c, c, size * 0.46, BLACK)
    p.ring(c, c, size * 0.14, size * 0.12, BLACK)
    return p


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "vdata")
    os.makedirs(target, exist_ok=True)
    ring_front_sight(300).save_bmp(os.path.join(target, "ringkorn.bmp"))
    post_front_sight(200, 150).save_bmp(os.path.join(target, "balkenkorn_klein.bmp"))
    open_ring(300).save_bmp(os.path.join(target, "ringkorn_offen.bmp"))


if __name__ == "__main__":
    main()
