// Error-free transformations of doubles: a sum or a product returned as the
// rounded result plus the exact error, built only from additions, subtractions
// and multiplications rounded to nearest (no fused multiply-add), so that the
// same bits come out on every machine.
#pragma once

namespace trigo {

// An unevaluated sum haut + bas, with |bas| at most about an ulp of haut; of
// doubles, or of vectors of doubles (element by element).
template <class T>
struct Deux {
  T haut;
  T bas;
};
using DoubleDouble = Deux<double>;

// a + b exactly (Knuth), whatever their magnitudes.
template <class T>
inline Deux<T> somme_exacte(T a, T b) {
  const T s = a + b;
  const T b_virtuel = s - a;
  const T a_virtuel = s - b_virtuel;
  return {s, (a - a_virtuel) + (b - b_virtuel)};
}

// a + b exactly when |a| >= |b| or a is 0 (Dekker).
inline DoubleDouble somme_rapide(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a split into two halves of at most 26 significant bits each (Veltkamp),
// whose pairwise products are exact. For |a| below 2^995.
inline DoubleDouble coupe(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double haut = c - (c - a);
  return {haut, a - haut};
}

// a * b exactly (Dekker), given both already split; no underflow or overflow.
inline DoubleDouble produit_exact(DoubleDouble a, DoubleDouble b) {
  const double p = (a.haut + a.bas) * (b.haut + b.bas);
  const double e = ((a.haut * b.haut - p) + a.haut * b.bas + a.bas * b.haut) + a.bas * b.bas;
  return {p, e};
}

inline DoubleDouble produit_exact(double a, double b) { return produit_exact(coupe(a), coupe(b)); }

}  // namespace trigo
