// The constants of the sine and cosine, written by tools/trigo/genere_tables.py
// from exact integer arithmetic, and checked against MPFR by the tests.
#pragma once

#include <cstdint>

#include "trigo/double_double.h"

namespace trigo {

// The table's step is pi/512: 256 steps per quarter turn.
inline constexpr int pas_par_quart = 256;

// Bits 1 to 1920 after the binary point of 2/pi, 32 to a word, first word first.
extern const std::uint32_t deux_sur_pi[60];
// Bits 1 to 832 after the binary point of pi/2 (whose integer part is 1).
extern const std::uint32_t pi_sur_deux_fraction[26];

// 512/pi rounded, to pick the table entry nearest an argument.
extern const double pas_inverse;
// pi/512 = pas_morceaux[0] + ... + pas_morceaux[3] + less than 2^-137. The
// first three have 25 significant bits, so that their products by an integer
// below 2^28 are exact.
extern const double pas_morceaux[4];

// sin(j pi/512) for j in 0..256, as haut + bas within 2^-80 of it relative,
// haut with at most 27 significant bits so that its product by a double of 26
// is exact; cos(j pi/512) is entry 256 - j.
extern const DoubleDouble sinus_pas[pas_par_quart + 1];

}  // namespace trigo
