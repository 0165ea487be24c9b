#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes lines of the syntax exprcalc-cli shares with `bc -l`: + - * /,
integer powers, brackets, sqrt and decimals, such as (123+45.6)/7,
sqrt(81)+12 and 17^3-5. The same seed gives the same lines.

Usage: tools/gen_bc_lines.py [COUNT] [SEED] > lines.txt   (defaults 100000, 1)
"""
from linegen import write_lines


def number(rng):
    if rng.random() < 0.3:
        return f"{rng.randint(0, 999)}.{rng.randint(0, 99)}"
    return str(rng.randint(1, 999))


def term(rng, depth=0):
    kind = rng.random()
    if kind < 0.15 and depth < 2:
        return f"({expression(rng, depth + 1)})"
    if kind < 0.25:
        return f"sqrt({rng.randint(1, 999)})"
    if kind < 0.35:
        return f"{rng.randint(2, 30)}^{rng.randint(2, 4)}"
    return number(rng)


def expression(rng, depth=0):
    text = term(rng, depth)
    for _ in range(rng.randint(1, 3)):
        text += rng.choice("+-*/") + term(rng, depth)
    return text


write_lines(expression)
