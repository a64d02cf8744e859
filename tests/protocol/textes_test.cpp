// Number formats and element lines of the replies.
#include "protocol/textes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The reference: printf's "%.12g", then a "." when only digits and "-" remain.
std::string reference(double x) {
  char tampon[64];
  std::snprintf(tampon, sizeof tampon, "%.12g", x);
  std::string texte = tampon;
  if (texte.find_first_not_of("0123456789-") == std::string::npos) texte += '.';
  return texte;
}

TEST(TexteFlottant, WorkedExamples) {
  const std::pair<double, const char*> cas[] = {
      {1408.0, "1408."},
      {9.0, "9."},
      {4.0, "4."},
      {-2.0, "-2."},
      {0.0, "0."},
      {-0.0, "-0."},
      {350.25, "350.25"},
      {1.5, "1.5"},
      {2.0 * std::numbers::pi / 3.0, "2.09439510239"},
      {1234.5678901234, "1234.56789012"},
      {123456789012345.0, "1.23456789012e+14"},
      {999999999999.0, "999999999999."},
      {1e12, "1e+12"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
      {1e20, "1e+20"},
      {-1e-300, "-1e-300"},
      {inf, "inf"},
      {-inf, "-inf"},
      {nan, "nan"},
      {-nan, "-nan"},
  };
  for (const auto& [valeur, attendu] : cas)
    EXPECT_EQ(protocol::texte_flottant(valeur), attendu) << attendu;
}

TEST(TexteFlottant, MatchesPrintfOnRandomValues) {
  std::mt19937_64 alea(20240601);
  std::uniform_real_distribution<double> plateau(-2000.0, 2000.0);
  std::uniform_real_distribution<double> mantisse(-2.0, 2.0);
  std::uniform_int_distribution<int> exposant(-320, 307);
  for (int i = 0; i < 200'000; ++i) {
    double x = 0;
    switch (i % 4) {
      case 0:  // any bit pattern: subnormals, NaN payloads, infinities
        x = std::bit_cast<double>(alea());
        break;
      case 1:  // the values a game shows: positions and angles
        x = plateau(alea);
        break;
      case 2:  // whole and half values, the trailing-point cases
        x = std::round(plateau(alea) * 2.0) / 2.0;
        break;
      default:  // every magnitude, around the switch to exponent notation
        x = mantisse(alea) * std::pow(10.0, exposant(alea));
        break;
    }
    ASSERT_EQ(protocol::texte_flottant(x), reference(x)) << std::bit_cast<std::uint64_t>(x);
  }
}

TEST(TexteEntier, PlainDecimalOverTheWholeRange) {
  const std::pair<std::int64_t, const char*> cas[] = {
      {0, "0"},
      {5, "5"},
      {-5, "-5"},
      {16711680, "16711680"},
      {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
      {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
  };
  for (const auto& [valeur, attendu] : cas) EXPECT_EQ(protocol::texte_entier(valeur), attendu);
}

TEST(LignesElements, ShipBulletAndCubeLines) {
  std::string sortie;
  protocol::envoie_vaisseau(sortie, world::vaisseau{700.0, 350.25, 1.5, 2.5, 5, 16711680});
  protocol::envoie_vaisseau(sortie, world::vaisseau{120.75, 980.0, 4.01, 0.0, 3, -5});
  protocol::envoie_balle(sortie, world::balle{100.5, 20.0, 0.3, 255});
  protocol::envoie_balle(sortie, world::balle{1.0, 2.0, 0.0, -5});
  protocol::envoie_cube(sortie, world::cube{44.0, 66.0, 66.0, 88.0});
  EXPECT_EQ(sortie,
            "700. 350.25 1.5 5 16711680\r\n"
            "120.75 980. 4.01 3 -5\r\n"
            "100.5 20. 255\r\n"
            "1. 2. -5\r\n"
            "44. 66. 66. 88.\r\n");
}

}  // namespace
