// The fast path of the sine and cosine: a table of sin(j pi/512), short
// Taylor series, and error-free transformations, with a proven bound on the
// error of each estimate so that its rounding can be decided, or left to the
// exact path (precis.h) when the bound straddles a rounding boundary.
#pragma once

#include <optional>

#include "trigo/double_double.h"

namespace trigo {

// sin x or cos x is within each bound of haut + bas (|bas| below 2^-16 |haut|,
// not normalised): the first, cheap, is tried first; the second, tighter,
// once haut + bas is normalised. Each bound carries the margin `arrondi_sur`
// needs.
struct Estimation {
  DoubleDouble valeur;
  double erreur_rapide;
  double erreur_fine;
};

struct Estimations {
  Estimation sinus;
  Estimation cosinus;
};

// sin x and cos x as the fast path sees them; nothing where it leaves them to
// the exact path (x of 2^20 and more, or within 2^-30 of a multiple of pi/512).
[[nodiscard]] std::optional<Estimations> estime(double x);

// The double nearest every value within `erreur` of v, if there is one: then
// it is the double nearest the exact value. Each end of the interval,
// computed with two roundings, still lies beyond the exact one (the margin in
// the bound covers the rounding of v.bas plus or minus it), so it rounds to
// the same side as every value inside, by monotony.
[[nodiscard]] inline std::optional<double> arrondi_sur(DoubleDouble v, double erreur) {
  const double haut = v.haut + (v.bas + erreur);
  const double bas = v.haut + (v.bas - erreur);
  if (haut != bas) return std::nullopt;
  return haut;
}

}  // namespace trigo
