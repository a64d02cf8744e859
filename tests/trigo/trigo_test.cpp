// The game's sine and cosine where MPFR is not at hand (other machines):
// special values, two independent algorithms that must agree, and a
// fingerprint of many results, taken on x86-64, that every machine must give.
#include "trigo/trigo.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "simulation/empreinte.h"
#include "trigo/precis.h"

namespace {

bool memes_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(Trigo, SpecialValues) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Cas {
    double x, sinus, cosinus;
  };
  const Cas cas[] = {{0.0, 0.0, 1.0},
                     {-0.0, -0.0, 1.0},
                     {0x1p-1074, 0x1p-1074, 1.0},
                     {-0x1p-30, -0x1p-30, 1.0},
                     {0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28, 1.0}};
  for (const Cas& c : cas) {
    EXPECT_TRUE(memes_bits(sinus(c.x), c.sinus)) << c.x;
    EXPECT_TRUE(memes_bits(cosinus(c.x), c.cosinus)) << c.x;
    EXPECT_TRUE(memes_bits(sinus_cosinus(c.x).sinus, c.sinus)) << c.x;
  }
  for (double x : {inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_TRUE(std::isnan(sinus(x)) && std::isnan(cosinus(x)));
    EXPECT_TRUE(std::isnan(sinus_cosinus(x).sinus) && std::isnan(sinus_cosinus(x).cosinus));
  }
}

// Arguments of every size, and headings as turns of 0.05 make them.
std::vector<double> arguments(int n) {
  std::vector<double> xs;
  std::mt19937_64 alea(2026);
  for (int k = 0; k < n; ++k) {
    const double u = static_cast<double>(alea() >> 11) * 0x1p-53;  // the same on every machine
    const int exposant = static_cast<int>(alea() % 90) - 40;
    xs.push_back(6.28 * u);
    xs.push_back(std::ldexp(u - 0.5, exposant));
  }
  double cap = 0.5;
  for (int k = 0; k < n; ++k) xs.push_back(cap = cap + 0.05);
  for (double x : {DBL_MAX, 1e22, 0x1p20, 0x1.921fb54442d18p0, 1.0}) xs.push_back(x);
  return xs;
}

// The fast path against the exact one, which shares only the constants of
// pi with it: the same results, bit for bit.
TEST(Trigo, TheFastAndTheExactPathsAgree) {
  int desaccords = 0;
  for (double x : arguments(3000)) {
    if (!(std::fabs(x) >= 0x1p-27 && std::fabs(x) < 0x1p20)) continue;
    const SinusCosinus rapide = sinus_cosinus(std::fabs(x));
    const SinusCosinus exact = trigo::sinus_cosinus_precis(std::fabs(x));
    if ((!memes_bits(rapide.sinus, exact.sinus) || !memes_bits(rapide.cosinus, exact.cosinus)) &&
        ++desaccords <= 10)
      ADD_FAILURE() << std::hexfloat << x << ": " << rapide.sinus << " " << exact.sinus << ", "
                    << rapide.cosinus << " " << exact.cosinus;
  }
  EXPECT_EQ(desaccords, 0);
}

TEST(Trigo, EveryMachineGivesTheSameBits) {
  std::vector<std::uint64_t> bits;
  for (double x : arguments(50000)) {
    const SinusCosinus sc = sinus_cosinus(x);
    ASSERT_TRUE(memes_bits(sc.sinus, sinus(x)) && memes_bits(sc.cosinus, cosinus(x))) << x;
    ASSERT_TRUE(memes_bits(sinus(-x), -sinus(x)) && memes_bits(cosinus(-x), cosinus(x))) << x;
    bits.push_back(std::bit_cast<std::uint64_t>(sc.sinus));
    bits.push_back(std::bit_cast<std::uint64_t>(sc.cosinus));
  }
  const std::uint64_t attendue = 0x991a714bc8f08d7cu;
  EXPECT_EQ(empreinte(bits), attendue) << en_initialiseur({empreinte(bits)});
}

}  // namespace
