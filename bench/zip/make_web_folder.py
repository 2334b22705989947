#!/usr/bin/env python3
"""Writes a web folder like the ones action pads live in: HTML, CSS and JS
text that compresses as such text does, and images and fonts whose content is
compressed already. Usage: make_web_folder.py FOLDER [SCALE] - SCALE 1 gives
about 1,500 files and 160 MB; the content is the same for the same SCALE."""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from webtext import text  # noqa: E402


def main():
    folder = sys.argv[1]
    scale = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    rng = random.Random(20240 + scale)
    kinds = [("html", 0.30, 2_000, 60_000), ("css", 0.10, 1_000, 80_000),
             ("js", 0.20, 2_000, 300_000), ("png", 0.20, 2_000, 300_000),
             ("jpg", 0.12, 10_000, 600_000), ("woff2", 0.03, 20_000, 90_000),
             ("svg", 0.05, 500, 20_000)]
    count = 1500 * scale
    for index in range(count):
        pick = rng.random()
        for kind, share, low, high in kinds:
            if pick < share:
                break
            pick -= share
        sub = os.path.join(folder, f"section{index % 12:02d}", f"part{index % 5}")
        os.makedirs(sub, exist_ok=True)
        size = int(rng.uniform(low, high))
        if kind in ("png", "jpg", "woff2"):
            data = rng.randbytes(size)
        else:
            data = text(rng, size, "html" if kind == "svg" else kind)
        with open(os.path.join(sub, f"{kind}file{index:05d}.{kind}"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
