#!/usr/bin/env python3
"""Writes the benchmark's inputs, the same bytes on every run: one large
document (about 60 MB), 500 small files (1 to 10 KB) and one document of each
size of the sweep (1 KB to 100 MB), with a realistic mix of nested elements,
attributes, entity references, non-ASCII text, mixed content, comments and
CDATA sections; elements with 10k to 80k attributes; and a hostile pair,
SVG "text" elements under ancestors with many attributes beside the same
document with another element name, whose times must stay close."""

import os
import random
import sys

WORDS = ("invoice ledger river amber falcon quartz meadow signal harbor copper lantern orbit "
         "velvet timber cobalt summit prairie saffron glacier beacon").split()
NON_ASCII = ("café", "Müller", "naïve", "Ærø", "Łódź", "東京", "Ελλάδα", "Привет", "€ 12,50", "→")


def text(rng, n):
    parts = []
    for _ in range(n):
        r = rng.random()
        if r < 0.08:
            parts.append(rng.choice(NON_ASCII))
        elif r < 0.12:
            parts.append(rng.choice(("&amp;", "&lt;", "&gt;", "&quot;", "&#169;", "&#x263A;")))
        else:
            parts.append(rng.choice(WORDS))
    return " ".join(parts)


def record(rng, i, depth=0):
    out = [f'<record id="r{i}" status="{rng.choice(("open", "closed", "held"))}" '
           f'owner="{rng.choice(WORDS)} &amp; {rng.choice(WORDS)}">']
    out.append(f"<title>{text(rng, rng.randint(2, 6))}</title>")
    if rng.random() < 0.3:
        out.append(f"<!-- {text(rng, rng.randint(3, 8))} -->")
    out.append(f"<note>{text(rng, 3)} <em>{text(rng, 2)}</em> {text(rng, 4)}</note>")
    if rng.random() < 0.2:
        out.append(f"<raw><![CDATA[if (a < b && c > d) {{ {rng.choice(WORDS)}(); }}]]></raw>")
    out.append("<items>")
    for k in range(rng.randint(1, 5)):
        out.append(f'<item n="{k}" price="{rng.randint(1, 9999) / 100:.2f}" unit="{rng.choice(("kg", "m", "pcs"))}"/>')
    out.append("</items>")
    if depth < 2 and rng.random() < 0.25:
        out.append(record(rng, i * 10 + 1, depth + 1))
    out.append("</record>")
    return "".join(out)


def document(rng, target):
    chunks = ['<?xml version="1.0" encoding="UTF-8"?>\n<archive>']
    size, i = 0, 0
    while size < target:
        chunk = record(rng, i)
        chunks.append(chunk)
        size += len(chunk.encode())
        i += 1
    chunks.append("</archive>\n")
    return "".join(chunks).encode()


# The sweep's sizes, by name.
SIZES = {"1 KB": 1_000, "10 KB": 10_000, "100 KB": 100_000, "1 MB": 1_000_000, "10 MB": 10_000_000,
         "100 MB": 100_000_000}
ATTRIBUTES = (10_000, 20_000, 40_000, 80_000)


def sweep_path(data, name):
    """The sweep's document of the size NAME ("1 KB")."""
    return os.path.join(data, "sweep", name.replace(" ", "") + ".xml")


def attributes_path(data, n):
    """The element with N attributes."""
    return os.path.join(data, "attributes", f"{n // 1000}k.xml")


# The hostile pair: 10 nested groups of 3,000 attributes each around
# 200,000 small elements, named "text" (verbatim in SVG, so its namespace is
# looked up) or "item".
HOSTILE = ("text", "item")


def hostile_path(data, name):
    return os.path.join(data, "hostile", f"svg-{name}.xml")


def hostile(name):
    groups = "".join("<g " + " ".join(f'a{i}="{i}"' for i in range(3000)) + ">" for _ in range(10))
    return (f'<svg xmlns="http://www.w3.org/2000/svg">{groups}' + f"<{name}> </{name}>" * 200_000 +
            "</g>" * 10 + "</svg>\n").encode()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1]
    rng = random.Random(20261206)
    write(os.path.join(out, "large.xml"), document(rng, 60_000_000))
    for n in range(500):
        write(os.path.join(out, "small", f"f{n:03}.xml"), document(rng, rng.randint(1000, 9500)))
    for name, size in SIZES.items():
        write(sweep_path(out, name), document(rng, size))
    for n in ATTRIBUTES:
        attributes = " ".join(f'attribute{i}="{i}"' for i in range(n))
        write(attributes_path(out, n), f"<a {attributes}/>\n".encode())
    for name in HOSTILE:
        write(hostile_path(out, name), hostile(name))


if __name__ == "__main__":
    main()
