// The game's sine and cosine against MPFR: their constants, then every result
// on hard arguments and on random ones, both paths, and the error bounds the
// fast path relies on to decide its rounding.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "trigo/precis.h"
#include "trigo/rapide.h"
#include "trigo/reference_mpfr.h"
#include "trigo/tables.h"
#include "trigo/trigo.h"

namespace {

using trigo::DoubleDouble;

// Every way to ask: each function alone and both at once.
void verifie(double x, int& erreurs) {
  const double s = reference(Fonction::Sinus, x), c = reference(Fonction::Cosinus, x);
  const SinusCosinus sc = sinus_cosinus(x);
  const bool juste = sinus(x) == s && cosinus(x) == c && sc.sinus == s && sc.cosinus == c;
  if (!juste && ++erreurs <= 10)
    ADD_FAILURE() << std::hexfloat << "x = " << x << ": sin " << sinus(x) << " / " << sc.sinus
                  << " for " << s << ", cos " << cosinus(x) << " / " << sc.cosinus << " for " << c;
}

TEST(TrigoMpfr, TheConstantsAreThoseOfPi) {
  mpfr_t pi, v;
  mpfr_inits2(2600, pi, v, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(pi, MPFR_RNDN);
  // The words of 2/pi and of pi/2 - 1, each the next 32 bits.
  mpfr_ui_div(v, 2, pi, MPFR_RNDN);
  for (std::uint32_t mot : trigo::deux_sur_pi) {
    mpfr_mul_2ui(v, v, 32, MPFR_RNDN);
    ASSERT_EQ(mpfr_get_ui(v, MPFR_RNDZ), mot);
    mpfr_frac(v, v, MPFR_RNDN);
  }
  mpfr_div_2ui(v, pi, 1, MPFR_RNDN);
  mpfr_sub_ui(v, v, 1, MPFR_RNDN);
  for (std::uint32_t mot : trigo::pi_sur_deux_fraction) {
    mpfr_mul_2ui(v, v, 32, MPFR_RNDN);
    ASSERT_EQ(mpfr_get_ui(v, MPFR_RNDZ), mot);
    mpfr_frac(v, v, MPFR_RNDN);
  }
  mpfr_div_ui(v, pi, 512, MPFR_RNDN);
  for (double morceau : trigo::pas_morceaux) mpfr_sub_d(v, v, morceau, MPFR_RNDN);
  EXPECT_LT(std::fabs(mpfr_get_d(v, MPFR_RNDN)), 0x1p-137);
  mpfr_ui_div(v, 512, pi, MPFR_RNDN);
  EXPECT_EQ(trigo::pas_inverse, mpfr_get_d(v, MPFR_RNDN));
  // The table: within 2^-80 relative, heads of 27 bits at most.
  for (int j = 0; j <= trigo::pas_par_quart; ++j) {
    const DoubleDouble s = trigo::sinus_pas[j];
    mpfr_mul_ui(v, pi, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 512, MPFR_RNDN);
    mpfr_sin(v, v, MPFR_RNDN);
    mpfr_sub_d(v, v, s.haut, MPFR_RNDN);
    mpfr_sub_d(v, v, s.bas, MPFR_RNDN);
    EXPECT_LE(std::fabs(mpfr_get_d(v, MPFR_RNDN)), 0x1p-80 * s.haut) << j;
    EXPECT_EQ(std::ldexp(s.haut, 26 - std::ilogb(s.haut + (j == 0))),
              std::trunc(std::ldexp(s.haut, 26 - std::ilogb(s.haut + (j == 0)))))
        << j;
  }
  mpfr_clears(pi, v, static_cast<mpfr_ptr>(nullptr));
}

TEST(TrigoMpfr, CorrectlyRoundedOnHardArguments) {
  for (const Famille& f : cas_difficiles(2000)) {
    int erreurs = 0;
    for (double x : f.arguments) verifie(x, erreurs);
    EXPECT_EQ(erreurs, 0) << f.nom << ", " << f.arguments.size() << " arguments";
  }
}

// Ranges that reach each path: the fast one, its limit, the exact one. The
// wide one is drawn uniform in the exponent.
struct Plage {
  double de, a;
  bool en_exposant;
};
constexpr Plage plages[] = {
    {-7.0, 7.0, false}, {-1e3, 1e3, false}, {0x1p19, 0x1p21, false}, {0x1p20, 0x1p1000, true}};

TEST(TrigoMpfr, CorrectlyRoundedOnRandomArguments) {
  std::mt19937_64 alea(26);
  for (const Plage p : plages) {
    std::uniform_real_distribution<double> u(p.en_exposant ? std::log2(p.de) : p.de,
                                             p.en_exposant ? std::log2(p.a) : p.a);
    int erreurs = 0;
    for (int k = 0; k < 10000; ++k) verifie(p.en_exposant ? std::exp2(u(alea)) : u(alea), erreurs);
    EXPECT_EQ(erreurs, 0) << p.de << " to " << p.a;
  }
}

// The fast path decides a rounding only when the exact value is within its
// bounds; these are checked here, on arguments where it applies, hard or not.
TEST(TrigoMpfr, TheFastPathsErrorBoundsHold) {
  std::vector<double> arguments;
  std::mt19937_64 alea(27);
  std::uniform_real_distribution<double> u(0.0, 1000.0);
  for (int k = 0; k < 100000; ++k) arguments.push_back(u(alea));
  for (const Famille& f : cas_difficiles(2000))
    for (double x : f.arguments)
      if (x >= 0x1p-27 && x < 0x1p20) arguments.push_back(x);
  double pire_rapide = 0.0, pire_fine = 0.0;
  for (double x : arguments) {
    const std::optional<trigo::Estimations> e = trigo::estime(x);
    if (!e) continue;  // left to the exact path
    for (const auto& [f, est] :
         {std::pair{Fonction::Sinus, e->sinus}, {Fonction::Cosinus, e->cosinus}}) {
      const double d = ecart(f, x, est.valeur.haut, est.valeur.bas);
      ASSERT_LE(d, est.erreur_rapide) << std::hexfloat << x;
      ASSERT_LE(d, est.erreur_fine) << std::hexfloat << x;
      pire_rapide = std::max(pire_rapide, d / est.erreur_rapide);
      pire_fine = std::max(pire_fine, d / est.erreur_fine);
    }
  }
  std::printf("largest error over its bound: %.3g (first bound), %.3g (second)\n", pire_rapide,
              pire_fine);
}

// The exact path alone, where the fast one would have decided, and on the
// hardest to round found.
TEST(TrigoMpfr, TheExactPathAloneIsCorrectlyRounded) {
  std::mt19937_64 alea(28);
  std::uniform_real_distribution<double> u(0x1p-27, 100.0);
  std::vector<double> arguments = cas_difficiles(0).back().arguments;
  for (int k = 0; k < 4000; ++k) arguments.push_back(u(alea));
  int erreurs = 0;
  for (double x : arguments) {
    const SinusCosinus sc = trigo::sinus_cosinus_precis(std::fabs(x));
    erreurs += sc.sinus != reference(Fonction::Sinus, std::fabs(x)) ||
               sc.cosinus != reference(Fonction::Cosinus, std::fabs(x));
  }
  EXPECT_EQ(erreurs, 0);
}

}  // namespace
