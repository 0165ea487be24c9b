#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes everyday lines that exprcalc-cli and `bc -l` both read and that
always have a result: sums and products of two to five integers or numbers
with two decimals, brackets up to two deep, squares and cubes, the square
root of an integer, and one division in about a third of the lines, such as
(12.50+3)*4, 7^2+sqrt(20)*1.25 and 845.10/(3*2.40). Every value is positive,
so no division is by zero and no power has a negative base. The same seed
gives the same lines.

Usage: tools/gen_everyday_lines.py [COUNT] [SEED] > lines.txt   (defaults 100000, 1)
"""
from linegen import write_lines


def number(rng):
    if rng.random() < 0.5:
        return str(rng.randint(1, 999))
    return f"{rng.randint(0, 999)}.{rng.randint(1, 99):02d}"


def operand(rng, depth):
    kind = rng.random()
    if kind < 0.15 and depth < 2:
        return f"({chain(rng, depth + 1)})"
    if kind < 0.25:
        base = str(rng.randint(2, 99)) if rng.random() < 0.7 else number(rng)
        return f"{base}^{rng.choice((2, 3))}"
    if kind < 0.33:
        return f"sqrt({rng.randint(2, 9999)})"
    return number(rng)


def chain(rng, depth):
    """Two to five operands joined by + and *."""
    text = operand(rng, depth)
    for _ in range(rng.randint(1, 4)):
        text += rng.choice("+*") + operand(rng, depth)
    return text


def line(rng):
    operands = [operand(rng, 0) for _ in range(rng.randint(2, 5))]
    operators = [rng.choice("+*") for _ in range(len(operands) - 1)]
    if rng.random() < 1 / 3:
        operators[rng.randrange(len(operators))] = "/"
    text = operands[0]
    for op, right in zip(operators, operands[1:]):
        text += op + right
    return text


write_lines(line)
