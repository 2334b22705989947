#!/usr/bin/env python3
"""Writes a web folder like the ones action pads live in: HTML, CSS and JS
text that compresses as such text does, and images and fonts whose content is
compressed already. Usage: make_web_folder.py FOLDER [SCALE] - SCALE 1 gives
about 1,500 files and 160 MB; the content is the same for the same SCALE."""
import os
import random
import sys

WORDS = ("action pad customer order invoice table inspector overview database web bar "
         "publish archive folder page style script function return value class div span "
         "header footer nav section article button input label select option width height "
         "margin padding border color background font size weight display block inline flex "
         "grid position relative absolute top left right bottom var let const if else for "
         "while document window element event listener click load data json fetch then").split()


def text(rng, size, kind):
    parts = []
    total = 0
    while total < size:
        words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        number = rng.randint(0, 99999)
        if kind == "html":
            line = f'<div class="{rng.choice(WORDS)}-{number % 97}"><p>{words} {number}</p></div>\n'
        elif kind == "css":
            line = (f".{rng.choice(WORDS)}-{number % 89} {{ {rng.choice(WORDS)}: {number % 640}px; "
                    f"color: #{number:05x}; }}\n")
        else:
            line = f"function {rng.choice(WORDS)}{number}(a, b) {{ return a.{rng.choice(WORDS)}(b, {number}); }} // {words}\n"
        parts.append(line)
        total += len(line)
    return "".join(parts).encode()


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
