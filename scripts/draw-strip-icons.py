#!/usr/bin/env python3
"""Draws the 16 x 16 icon of the result table's select-all corner button (324) into
resources/icons/324.png: three ticked rows, in the style of the card buttons' pictures."""
import importlib.machinery
import os
import sys
import types

HERE = os.path.dirname(os.path.abspath(__file__))
# The card buttons' drawing script, loaded as a module (its file name is no module name).
loader = importlib.machinery.SourceFileLoader("cards", os.path.join(HERE, "draw-card-buttons.py"))
cards = types.ModuleType(loader.name)
loader.exec_module(cards)

SIZE = 16
SCALE = 24 / SIZE  # the shapes are laid out on the cards' 24-pixel grid

ICONS = {324: "all"}


def layers(kind):
    if kind != "all":
        return cards.glyph(kind)
    # Select all: three ticked rows.
    rows = cards.union(*(cards.rect(9, y, 20, y + 2) for y in (5, 11, 17)))
    ticks = cards.union(*(cards.union(cards.segment(3, y + 1, 5, y + 3, 1.8),
                                      cards.segment(5, y + 3, 8, y - 1, 1.8))
                          for y in (5, 11, 17)))
    return [(rows, (90, 90, 90)), (ticks, (20, 140, 40))]


def draw(kind):
    shapes = [(lambda s: (lambda x, y: s(x * SCALE, y * SCALE)))(shape) for shape, _ in layers(kind)]
    colours = [colour for _, colour in layers(kind)]
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            p = (0, 0, 0, 0)
            for shape, colour in zip(shapes, colours):
                p = cards.over(p, colour, cards.coverage(shape, px, py))
            row.append(p)
        pixels.append(row)
    return pixels


def main():
    root = os.path.dirname(HERE)
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "icons")
    os.makedirs(out, exist_ok=True)
    cards.SIZE = SIZE  # write_png takes its size from the module
    for image, kind in ICONS.items():
        cards.write_png(os.path.join(out, f"{image}.png"), draw(kind))


if __name__ == "__main__":
    main()
