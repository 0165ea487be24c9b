#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes lines that reach every path of the evaluator: the thirteen functions
in any letter case, divisions by numbers, brackets, functions and signed
names, powers, pi, numbers in every written form (exponents near the limits,
long digit runs, commas), doubled minus signs, spaces, and the lines that end
in a message: bad characters, unbalanced or empty brackets, broken syntax,
refused arguments, overflows, and inputs near and past the working length.
The same seed gives the same lines; every line is valid UTF-8.

Usage: tools/gen_evaluator_lines.py [COUNT] [SEED] > lines.txt   (defaults 100000, 1)
"""
from linegen import write_lines

FUNCTIONS = ["inv", "exp", "sqr", "sqrt", "sin", "cos", "tan", "arcsin", "arccos", "arctan", "log", "ln", "fact"]
ODD = ["#", "=", "\u00e9", "\u20ac", "\U0001F600", "\t", "$", "?", "%", "&"]


def number(rng):
    kind = rng.random()
    if kind < 0.35:
        return str(rng.randint(0, 999))
    if kind < 0.55:
        return f"{rng.randint(0, 9999)}.{rng.randint(0, 999):0{rng.randint(1, 3)}d}"
    if kind < 0.65:
        return f".{rng.randint(0, 99)}"
    if kind < 0.78:
        sign = rng.choice(["", "-", "+"])
        return f"{rng.randint(1, 99)}{rng.choice('Ee')}{sign}{rng.choice([rng.randint(0, 30), rng.randint(2990, 3010)])}"
    if kind < 0.83:
        return "".join(rng.choice("0123456789") for _ in range(rng.randint(15, 40)))
    if kind < 0.88:
        return rng.choice(["pi", "PI", "Pi", "2pi", "pi/2"])
    if kind < 0.93:
        return f"{rng.randint(1, 9)},{rng.randint(0, 999):03d}"
    if kind < 0.96:
        return rng.choice(["0", "0.0", "1E-8", "1E8", "99999999.99999999", "1E5000", "1e-4950", "1.5E-3"])
    return f"{rng.randint(1, 9)}.{rng.randint(0, 10**14)}"


def argument(rng, depth):
    kind = rng.random()
    if kind < 0.2:
        return rng.choice(["0", "1", "-1", "0.5", "-0.5", "90", "180", "270", "-90", "45", "30", "1000", "1001",
                           "170", "1754", "1755", "2.5", "-3", "11356", "11357", "1E2466"])
    return expression(rng, depth + 1)


def term(rng, depth):
    kind = rng.random()
    if kind < 0.2 and depth < 3:
        name = rng.choice(FUNCTIONS)
        name = rng.choice([name, name.upper(), name.capitalize()])
        return f"{name}({argument(rng, depth)})"
    if kind < 0.3 and depth < 3:
        return f"({expression(rng, depth + 1)})"
    if kind < 0.38:
        return "-" * rng.randint(1, 4) + number(rng)
    return number(rng)


def expression(rng, depth=0):
    text = term(rng, depth)
    for _ in range(rng.randint(0, 3 if depth == 0 else 1)):
        op = rng.choice(["+", "-", "*", "/", "/", "^", "+", "-", "*", "/"] if rng.random() < 0.9 else
                        ["x", "X", "--", "*-", "/-", "^-"])
        spaces = " " if rng.random() < 0.2 else ""
        text += spaces + op + spaces + term(rng, depth)
    return text


def broken(rng):
    text = expression(rng)
    kind = rng.random()
    if kind < 0.2:
        i = rng.randint(0, len(text))
        return text[:i] + rng.choice(ODD) + text[i:]
    if kind < 0.35:
        return text + rng.choice([")", "(", "()", ")("])
    if kind < 0.5:
        return rng.choice(["(", ")"]) + text
    if kind < 0.6:
        return text + rng.choice(["+", "-", "*", "/", "^", "E", ".", ".."])
    if kind < 0.7:
        return rng.choice(["foo(", "x(", "2(", "E(", "abc"]) + text + ")"
    if kind < 0.8:
        i = rng.randint(0, len(text))
        return text[:i] + rng.choice(["++", "**", "..", "EE", "()", "^^", "/*"]) + text[i:]
    return rng.choice(["", " ", ",,", "--", "----", "()", "1/0", "sqrt(-4)", "0^2", "fact(2.5)", "tan(90)",
                       "arcsin(2)", "ln(0)", "1E3001", "2E5E3", "1E1E1", "(2)(3)", "2/1,000", "1E5*1E4"])


def long_line(rng):
    unit = rng.choice(["+1", "*1.00000000000001", "/3", "^1.1", "+(1+1)", "+sqrt(2)", "-1", "+pi", "/(2)"])
    first = number(rng)
    target = rng.randint(200, 300)
    text = first
    while len(text) + len(unit) <= target:
        text += unit
    if rng.random() < 0.3:
        depth = rng.randint(10, 70)
        text = "(" * depth + "1+1" + ")" * depth
    return text


def any_line(rng):
    kind = rng.random()
    if kind < 0.7:
        return expression(rng)
    if kind < 0.9:
        return broken(rng)
    return long_line(rng)


write_lines(any_line)
