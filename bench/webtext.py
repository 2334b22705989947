"""Text that compresses as the HTML, CSS and JS of a web folder do, made from a
seeded random generator, so that the same seed gives the same bytes. Shared by
the benchmarks' web folder generators."""

WORDS = ("action pad customer order invoice table inspector overview database web bar "
         "publish archive folder page style script function return value class div span "
         "header footer nav section article button input label select option width height "
         "margin padding border color background font size weight display block inline flex "
         "grid position relative absolute top left right bottom var let const if else for "
         "while document window element event listener click load data json fetch then").split()


def text(rng, size, kind):
    """`size` bytes of kind "html", "css" or "js"."""
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
            line = (f"function {rng.choice(WORDS)}{number}(a, b) "
                    f"{{ return a.{rng.choice(WORDS)}(b, {number}); }} // {words}\n")
        parts.append(line)
        total += len(line)
    return "".join(parts).encode()[:size]
