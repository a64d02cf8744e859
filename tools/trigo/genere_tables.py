#!/usr/bin/env python3
"""Writes src/trigo/tables.cpp: the constants of the game's sine and cosine.

Everything is derived here in exact integer arithmetic, from Machin's formula
pi = 16 atan(1/5) - 4 atan(1/239) and the Taylor series of sin and cos, with
far more bits than kept; each constant is checked again against MPFR by the
tests. Run it from the repository's root: python3 tools/trigo/genere_tables.py
"""
from fractions import Fraction
import sys

BITS = 2400          # working precision of every fixed-point value below
MOTS_DEUX_SUR_PI = 60  # 32-bit words of 2/pi: 1920 bits, enough for every double
MOTS_PI_SUR_DEUX = 26  # 32-bit words of the fraction of pi/2
PAS = 512            # the table's step is pi/PAS: 256 steps per quarter turn


def arctan_inverse(n, bits):
    """atan(1/n) * 2^bits, to within a few units."""
    un = 1 << bits
    terme = un // n
    somme = terme
    k = 1
    n2 = n * n
    while terme:
        terme //= n2
        somme += -(terme // (2 * k + 1)) if k % 2 else terme // (2 * k + 1)
        k += 1
    return somme


def pi_fixe(bits):
    """pi * 2^bits, to within a few units (64 guard bits are dropped)."""
    g = bits + 64
    return (16 * arctan_inverse(5, g) - 4 * arctan_inverse(239, g)) >> 64


def sin_cos_fixe(a, bits):
    """sin and cos of a / 2^bits, both times 2^bits, for |a| / 2^bits < 1."""
    un = 1 << bits
    s, c = 0, 0
    terme, k = un, 0  # a^k / k!
    while terme:
        signe = -1 if (k // 2) % 2 else 1
        if k % 2:
            s += signe * terme
        else:
            c += signe * terme
        k += 1
        terme = terme * a // un // k
    return s, c


def tronque(valeur, bits_significatifs):
    """The double nearest a Fraction with at most that many significant bits."""
    if valeur == 0:
        return 0.0
    exposant = abs(valeur).numerator.bit_length() - abs(valeur).denominator.bit_length()
    while Fraction(2) ** exposant > abs(valeur):
        exposant -= 1
    while Fraction(2) ** (exposant + 1) <= abs(valeur):
        exposant += 1
    unite = Fraction(2) ** (exposant - bits_significatifs + 1)
    return float(round(valeur / unite) * unite)


def hexa(x):
    return x.hex() if x != 0 else "0.0"


def main():
    pi = pi_fixe(BITS)
    pi_exact = Fraction(pi, 1 << BITS)

    deux_sur_pi = (1 << (2 * BITS + 1)) // pi  # 2/pi * 2^BITS
    mots_2pi = [(deux_sur_pi >> (BITS - 32 * (i + 1))) & 0xFFFFFFFF
                for i in range(MOTS_DEUX_SUR_PI)]
    pi_sur_deux = pi >> 1
    fraction = pi_sur_deux - (1 << BITS)  # pi/2 - 1
    mots_pi2 = [(fraction >> (BITS - 32 * (i + 1))) & 0xFFFFFFFF
                for i in range(MOTS_PI_SUR_DEUX)]

    # Cody-Waite pieces of pi/PAS: three of 25 bits, whose products by a
    # quotient of up to 28 bits are exact, then a full double.
    reste = pi_exact / PAS
    morceaux = []
    for bits in (25, 25, 25, 53):
        m = tronque(reste, bits)
        morceaux.append(m)
        reste -= Fraction(m)
    inverse = float(PAS / pi_exact)
    # What the pieces leave out, bounded in the header.
    assert abs(reste) < Fraction(1, 2 ** 137), float(reste)

    lignes = []
    for j in range(PAS // 2 + 1):
        a = pi * j // PAS
        s, _ = sin_cos_fixe(a, BITS)
        # A head of 27 bits, whose product by half a split double is exact.
        valeur = Fraction(s, 1 << BITS)
        tete = tronque(valeur, 27)
        lignes.append((tete, float(valeur - Fraction(tete))))

    out = sys.stdout
    out.write("// Written by tools/trigo/genere_tables.py: do not edit.\n")
    out.write("// clang-format off\n")
    out.write('#include "trigo/tables.h"\n\n')
    out.write("namespace trigo {\n\n")
    out.write("const std::uint32_t deux_sur_pi[%d] = {\n" % MOTS_DEUX_SUR_PI)
    for i in range(0, MOTS_DEUX_SUR_PI, 6):
        out.write("    " + ", ".join("0x%08xu" % w for w in mots_2pi[i:i + 6]) + ",\n")
    out.write("};\n\n")
    out.write("const std::uint32_t pi_sur_deux_fraction[%d] = {\n" % MOTS_PI_SUR_DEUX)
    for i in range(0, MOTS_PI_SUR_DEUX, 6):
        out.write("    " + ", ".join("0x%08xu" % w for w in mots_pi2[i:i + 6]) + ",\n")
    out.write("};\n\n")
    out.write("const double pas_inverse = %s;\n" % hexa(inverse))
    out.write("const double pas_morceaux[4] = {%s};\n\n" % ", ".join(hexa(m) for m in morceaux))
    out.write("const DoubleDouble sinus_pas[%d] = {\n" % len(lignes))
    for haut, bas in lignes:
        out.write("    {%s, %s},\n" % (hexa(haut), hexa(bas)))
    out.write("};\n\n")
    out.write("}  // namespace trigo\n")


if __name__ == "__main__":
    main()
