// The game's sine and cosine, the same to the bit on every machine.
//
// Every result is correctly rounded: the double nearest the exact sine or
// cosine of the double given, for every finite argument, however large. The
// code uses only integer operations and double additions, subtractions and
// multiplications, each rounded to nearest as IEEE 754 requires (the project
// is compiled without fused multiply-add), and nothing from the platform's
// maths library: neither the CPU nor the C library can change a bit. Pure
// functions, safe from any thread. sin(-0) is -0; infinities and NaN give NaN.
//
// Arguments below 2^20 take a fast path (tens of nanoseconds) that proves its
// own rounding; a few in a hundred thousand of them, and every larger
// argument, are finished by a slower exact computation (a few microseconds).
#pragma once

struct SinusCosinus {
  double sinus;
  double cosinus;
};

[[nodiscard]] double sinus(double x);
[[nodiscard]] double cosinus(double x);
[[nodiscard]] SinusCosinus sinus_cosinus(double x);
