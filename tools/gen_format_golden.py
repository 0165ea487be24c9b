#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes tests/evaluator/format_golden.inc: extended (x87 80-bit) values with
their general form at 15 and 18 digits and their fixed form with 2 decimals,
computed with exact rationals, independently of the C++ code.

The digits follow the documented steps: the value is scaled by the extended
powers of ten (each product or quotient rounded to extended, to nearest, ties
to even), rounded to an 18-digit integer, and that integer is rounded again at
the cut with halves away from zero. Every rounding to extended is done here
exactly with fractions.

Usage: tools/gen_format_golden.py > tests/evaluator/format_golden.inc
"""
import random
from fractions import Fraction

BIAS = 16383


def round_half_even(x):
    """The integer nearest to the non-negative fraction x, ties to even."""
    q, r = divmod(x.numerator, x.denominator)
    twice = 2 * r
    if twice > x.denominator or (twice == x.denominator and q % 2 == 1):
        q += 1
    return q


def to_extended(x):
    """The extended value nearest to the positive fraction x (normal range)."""
    e = x.numerator.bit_length() - x.denominator.bit_length() - 63
    while Fraction(2) ** 63 > x / Fraction(2) ** e:
        e -= 1
    while x / Fraction(2) ** e >= Fraction(2) ** 64:
        e += 1
    q = round_half_even(x / Fraction(2) ** e)
    if q == 1 << 64:
        q, e = 1 << 63, e + 1
    return Fraction(q) * Fraction(2) ** e


def bits_value(sign_exponent, significand):
    biased = sign_exponent & 0x7FFF
    v = Fraction(significand) * Fraction(2) ** (biased - BIAS - 63)
    return -v if sign_exponent & 0x8000 else v


def extended_bits(v):
    """(sign_exponent, significand) of an extended value given exactly."""
    sign = 0x8000 if v < 0 else 0
    v = abs(v)
    e = v.numerator.bit_length() - v.denominator.bit_length()
    while Fraction(2) ** e > v:
        e -= 1
    while Fraction(2) ** (e + 1) <= v:
        e += 1
    m = v / Fraction(2) ** (e - 63)
    assert m.denominator == 1
    return sign | (e + BIAS), int(m)


POW_A = [to_extended(Fraction(10) ** k) for k in range(32)]
POW_B = [None] + [to_extended(Fraction(10) ** (32 * k)) for k in range(1, 16)]
POW_C = [None] + [to_extended(Fraction(10) ** (512 * k)) for k in range(1, 10)]


def scale_by_power_of_ten(x, n):
    if n == 0:
        return x
    m = abs(n)
    factors = [POW_A[m % 32]]
    if (m // 32) % 16:
        factors.append(POW_B[(m // 32) % 16])
    if m // 512:
        factors.append(POW_C[m // 512])
    for f in factors:
        x = to_extended(x * f if n > 0 else x / f)
    return x


def decimal_digits(v, precision, decimals):
    """(exponent, negative, digits) as the documented steps give them."""
    if v == 0:
        return 0, False, ""
    magnitude = abs(v)
    se, _ = extended_bits(magnitude)
    e2 = (se & 0x7FFF) - BIAS
    exponent = (e2 * 19728) // 65536 + 1  # Python's // rounds toward minus infinity
    w = Fraction(round_half_even(scale_by_power_of_ten(magnitude, 18 - exponent)))
    if w < 10**17:
        exponent -= 1
        w = Fraction(round_half_even(scale_by_power_of_ten(magnitude, 18 - exponent)))
    if w >= 10**18:
        w = to_extended(w / 10)
        exponent += 1
    c = f"{round_half_even(w):018d}"
    k = precision if decimals is None else exponent + decimals
    if k < 0:
        return 0, False, ""
    k = min(k, precision)
    if k >= 18:
        digits = c
    else:
        digits = c[:k]
        if c[k] >= "5":
            if digits and digits.strip("9"):
                n = int(digits) + 1
                digits = f"{n:0{k}d}"
            else:
                digits = "1"
                exponent += 1
    digits = digits.rstrip("0")
    if not digits:
        return 0, False, ""
    return exponent, v < 0, digits


def format_general(v, precision):
    e, negative, digits = decimal_digits(v, precision, None)
    if not digits:
        return "0"
    out = "-" if negative else ""
    if e > precision or e < -3:
        out += digits[0]
        if len(digits) > 1:
            out += "." + digits[1:]
        out += "E" + str(e - 1)
    elif e <= 0:
        out += "0." + "0" * -e + digits
    elif len(digits) <= e:
        out += digits + "0" * (e - len(digits))
    else:
        out += digits[:e] + "." + digits[e:]
    return out


def format_fixed(v, decimals):
    e, negative, digits = decimal_digits(v, 18, decimals)
    if e > 18:
        return format_general(v, 18)
    out = "-" if negative else ""
    used = 0
    if e <= 0:
        out += "0"
    else:
        used = min(e, len(digits))
        out += digits[:used] + "0" * (e - used)
    if decimals > 0:
        fraction = "0" * min(-e, decimals) if e < 0 else ""
        fraction += digits[used:]
        out += "." + fraction[:decimals].ljust(decimals, "0")
    return out


def values():
    rng = random.Random(20261210)
    out = [Fraction(1), Fraction(-5, 2), Fraction(1000), to_extended(Fraction(1, 3)), to_extended(Fraction(2, 3))]
    # The extended values nearest to decimals where the rounding is close:
    # halves at the second decimal and at the 15th digit, runs of nines.
    for text in ["0.1", "0.3", "2.675", "1.005", "99.995", "-0.005", "-0.004", "0.0001", "0.000123", "0.00001",
                 "1.5E-7", "999999999999999", "999999999999999.5", "1E15", "123456789012345678", "1E18",
                 "18446744073709551616", "1.5E20", "1E-3000", "9.98E-206", "0.333333333333333",
                 "0.9999999999999995", "9999999999999995", "1.4142135623730950488", "4.9999999999999995E-5",
                 "99999.995", "0.125", "0.375", "1E-4931", "1E4931", "3.36210314311209E-4932", "12345.675"]:
        mantissa, _, exp = text.partition("E")
        sign = -1 if mantissa.startswith("-") else 1
        x = Fraction(mantissa.lstrip("-")) * Fraction(10) ** int(exp or 0)
        if x >= Fraction(2) ** -16382:
            out.append(sign * to_extended(x))
    # Random decimals of 14 to 19 digits across the exponent range.
    for _ in range(150):
        n = rng.randrange(10**13, 10**rng.randint(14, 19))
        exp = rng.choice([rng.randint(-30, 30), rng.randint(-4900, 4900)])
        x = Fraction(n) * Fraction(10) ** exp
        if Fraction(2) ** -16382 <= x < Fraction(2) ** 16383:
            out.append(rng.choice([1, -1]) * to_extended(x))
    # Arbitrary bit patterns, every exponent region.
    for _ in range(150):
        biased = rng.choice([rng.randint(1, 0x7FFE), rng.randint(BIAS - 70, BIAS + 70)])
        significand = (1 << 63) | rng.getrandbits(63)
        out.append(bits_value(biased | rng.choice([0, 0x8000]), significand))
    # The largest finite value and the smallest normal one.
    out.append(bits_value(0x7FFE, (1 << 64) - 1))
    out.append(bits_value(0x0001, 1 << 63))
    return out


def main():
    print("// Generated by tools/gen_format_golden.py; do not edit.")
    print("// {sign_exponent, significand, general 15, general 18, fixed 2}")
    print("constexpr FormatGolden kFormatGolden[] = {")
    for v in values():
        se, m = extended_bits(v)
        print(f'    {{0x{se:04X}u, 0x{m:016X}u, "{format_general(v, 15)}", "{format_general(v, 18)}", '
              f'"{format_fixed(v, 2)}"}},')
    print("};")


main()
