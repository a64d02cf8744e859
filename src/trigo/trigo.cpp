#include "trigo/trigo.h"

#include <bit>
#include <cfloat>
#include <cstdint>
#include <optional>

#include "trigo/precis.h"
#include "trigo/rapide.h"
#include "trigo/tables.h"

// Every double operation below must round once, to double: no wider
// intermediate precision, no reassociation, no fused multiply-add.
static_assert(FLT_EVAL_METHOD == 0, "doubles must be evaluated as doubles");
#ifdef __FAST_MATH__
#error "the sine and cosine need IEEE arithmetic: build without -ffast-math"
#endif

namespace trigo {

namespace {

double abs(double x) {
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & ~(std::uint64_t{1} << 63));
}

// x = k pi/512 + r, |r| <= pi/1024 (a hair more), for 0 <= x < 2^20 and
// |r| >= 2^-30.
struct Reduit {
  unsigned k;  // modulo 1024: the table entry and the quadrant
  DoubleDouble r;
  double erreur;  // |r - (haut + bas)| at most
};

// Cody-Waite. k < 2^28, so k times each 25-bit piece is exact. Both first
// differences are exact too: each side is a multiple of 2^-58 or of x's ulp,
// and the difference is below 2^53 of those. What rounds: k times the last
// piece (at most k 2^-141), the sum of the low parts (2^-106 |r| + k 2^-141),
// and the pieces' own error, k 2^-142.
[[gnu::always_inline]] inline Reduit reduit(double x) {
  // t + 1.5 2^52 rounds t to the nearest integer, which its low bits hold:
  // the table entry comes from them without waiting for the reduction.
  const double decale = x * pas_inverse + 0x1.8p52;
  const double k = decale - 0x1.8p52;
  const double a = x - k * pas_morceaux[0];
  const double s = a - k * pas_morceaux[1];
  // Both sums are exact when |r| >= 2^-30 (k times the third piece is below
  // 2^-34); the caller hands the rare smaller r to the exact path.
  const DoubleDouble h = somme_rapide(s, -(k * pas_morceaux[2]));
  const DoubleDouble r = somme_rapide(h.haut, h.bas - k * pas_morceaux[3]);
  return {static_cast<unsigned>(std::bit_cast<std::uint64_t>(decale) & 1023), r,
          0x1p-104 * abs(r.haut) + k * 0x1p-138};
}

// What p cos r + q sin r needs of r, for |r| <= pi/1024 + 2^-40, r.haut split
// into r1 + r2 with r1 of 26 bits. Taylor series; the first terms left out
// weigh below 2^-82 and 2^-85 |r|.
struct Developpement {
  double r1;
  double r2_bas;   // r2 + r.bas
  double r_sigma;  // r.haut + sigma
  double gamma;    // cos r - 1, within 2^-51 |gamma| + 2^-82
  double sigma;    // sin r - r, within 2^-50 |sigma| + 2^-85 |r|
};

[[gnu::always_inline]] inline Developpement developpe(DoubleDouble r) {
  const DoubleDouble coupe_r = coupe(r.haut);
  const double c = r.haut * r.haut;
  const double gamma = c * (-0.5 + c * (1.0 / 24 - c * (1.0 / 720))) - r.haut * r.bas;
  const double poly_sin = -1.0 / 6 + c * (1.0 / 120 - c * (1.0 / 5040));
  const double sigma = c * (r.haut * poly_sin - 0.5 * r.bas);
  return {coupe_r.haut, coupe_r.bas + r.bas, r.haut + sigma, gamma, sigma};
}

// p cos r + q sin r, p and q from the table, as haut + bas with |bas| below
// 2^-16 |haut|, not normalised.
struct Combinaison {
  DoubleDouble valeur;
  double p_abs;  // |p.haut|
  double q_abs;  // |q.haut|
};

// p cos r + q sin r = p.haut + q.haut r1 + (p.bas + q.haut (r2 + r.bas) +
// q.bas (r + sigma) + q.haut sigma + p gamma). The first two are summed
// exactly (q.haut r1 is exact); the rest rounds: p gamma and the two sums it
// enters within 2^-50 |p gamma| (gamma's own error included), q sigma and the
// sums it enters within 2^-49.4 |q sigma|, everything else (tables, series,
// small products, their sums) below 2^-75 (|p| + |q r|).
// T is a double, or a pair of them, (sin, cos), each computed as a double.
template <class T>
[[gnu::always_inline]] inline Deux<T> combine(Deux<T> p, Deux<T> q, const Developpement& d) {
  const Deux<T> h = somme_exacte(p.haut, q.haut * d.r1);
  const T l = ((p.bas + q.haut * d.r2_bas) + (q.bas * d.r_sigma + q.haut * d.sigma)) +
              (h.bas + (p.haut + p.bas) * d.gamma);
  return {h.haut, l};
}

// 1 or -1, to flip signs without a branch (quadrants are as good as random
// from one call to the next); the products are exact.
constexpr double signes[2] = {1.0, -1.0};

// sin(q pi/2 + j pi/512 + r) for k = 256 q + j: p sin + q cos of the table's
// entries j and 256 - j (sin and cos of j pi/512, both nonnegative), turned
// by the quadrant: an odd one swaps them and negates the new q, the last two
// negate the result.
[[gnu::always_inline]] inline Combinaison sinus_en(unsigned k, const Developpement& d) {
  const unsigned impair = (k >> 8) & 1, j = k & 255;
  const unsigned masque = 0u - impair;  // all ones when odd
  const unsigned i_p = (j & ~masque) | ((pas_par_quart - j) & masque);
  const DoubleDouble p = sinus_pas[i_p];
  const DoubleDouble q = sinus_pas[pas_par_quart - i_p];
  const double signe_q = signes[impair], signe = signes[(k >> 9) & 1];
  const DoubleDouble v = combine(p, DoubleDouble{q.haut * signe_q, q.bas * signe_q}, d);
  return {{v.haut * signe, v.bas * signe}, p.haut, q.haut};
}

// The first bound, cheap, and known before the result. The second one below
// is at most 2^-66.7 |p| + 2^-74.4 |q| (|gamma| < 2^-17.7, |sigma| < 2^-27.4);
// 2^-68 (|p| + 2^-8 |q|), above 2^-68 |haut|, covers the roundings of bas
// plus or minus the bound in `arrondi_sur`, and 2^-109 the reduction's error
// (|r| < 2^-8, k < 2^28): this one is above their sum.
template <class T>
T erreur_rapide(T p_abs, T q_abs) {
  return 0x1p-64 * (p_abs + 0x1p-8 * q_abs) + 0x1p-108;
}

// The second, tighter, for the normalised value: `combine`'s error term by
// term, with margins for its own roundings, the reduction's (|p| or |q| is
// above 0.7) and 2^-104 |haut| for the rounding test.
double erreur_fine(const Combinaison& c, const Developpement& d, const Reduit& red) {
  const double reduction = 1.5 * red.erreur;
  return c.p_abs * (0x1p-49 * abs(d.gamma) + 0x1p-74 + reduction) +
         c.q_abs * (0x1p-47 * abs(d.sigma) + 0x1p-74 * abs(red.r.haut) + reduction);
}

// The double nearest the exact value, when one of the two bounds decides it.
[[gnu::always_inline]] inline std::optional<double> arrondi(const Combinaison& c,
                                                            const Developpement& d,
                                                            const Reduit& red) {
  if (const auto v = arrondi_sur(c.valeur, erreur_rapide(c.p_abs, c.q_abs))) return v;
  return arrondi_sur(somme_rapide(c.valeur.haut, c.valeur.bas), erreur_fine(c, d, red));
}

// Two doubles side by side, (sin, cos): each operation applies to both and
// rounds as for doubles, so the bits are those of two runs of the scalar code.
using Paire = double __attribute__((vector_size(16)));

// sin x and cos x through the fast path at once: the sine's p and q are the
// cosine's q and p, with their own signs.
[[gnu::always_inline]] inline std::optional<SinusCosinus> les_deux(const Reduit& red,
                                                                   const Developpement& d,
                                                                   unsigned k) {
  const unsigned impair = (k >> 8) & 1, j = k & 255, masque = 0u - impair;
  const unsigned i_p = (j & ~masque) | ((pas_par_quart - j) & masque);
  const DoubleDouble a = sinus_pas[i_p], b = sinus_pas[pas_par_quart - i_p];
  const Paire signe_q = {signes[impair], signes[impair ^ 1]};
  const Paire signe = {signes[(k >> 9) & 1], signes[((k + pas_par_quart) >> 9) & 1]};
  const Deux<Paire> p{{a.haut, b.haut}, {a.bas, b.bas}};
  const Deux<Paire> q{Paire{b.haut, a.haut} * signe_q, Paire{b.bas, a.bas} * signe_q};
  const Deux<Paire> v0 = combine(p, q, d);
  const Deux<Paire> v{v0.haut * signe, v0.bas * signe};
  const Paire marge = erreur_rapide(p.haut, Paire{b.haut, a.haut});
  const Paire haut = v.haut + (v.bas + marge), bas = v.haut + (v.bas - marge);
  if (haut[0] == bas[0] && haut[1] == bas[1]) return SinusCosinus{haut[0], haut[1]};
  const std::optional<double> s = arrondi({{v.haut[0], v.bas[0]}, a.haut, b.haut}, d, red);
  const std::optional<double> c = arrondi({{v.haut[1], v.bas[1]}, b.haut, a.haut}, d, red);
  if (s && c) return SinusCosinus{*s, *c};
  return std::nullopt;
}

// sin x and cos x for 2^-27 <= x, by the fast path below 2^20, and by the
// exact one for what it leaves undecided and beyond; each only when asked for.
[[gnu::always_inline]] inline SinusCosinus positif(double x, bool sinus_voulu, bool cosinus_voulu) {
  const Reduit red = reduit(x < 0x1p20 ? x : 0.0);
  if (x < 0x1p20 && abs(red.r.haut) >= 0x1p-30) {
    const Developpement d = developpe(red.r);
    const unsigned k = red.k;
    if (sinus_voulu && cosinus_voulu) {
      if (const auto sc = les_deux(red, d, k)) return *sc;
      return sinus_cosinus_precis(x);
    }
    // cos x = sin(x + pi/2): the next quadrant.
    const std::optional<double> s = sinus_voulu ? arrondi(sinus_en(k, d), d, red) : 0.0;
    const std::optional<double> c =
        cosinus_voulu ? arrondi(sinus_en(k + pas_par_quart, d), d, red) : 0.0;
    if (s && c) return {*s, *c};
  }
  return sinus_cosinus_precis(x);
}

}  // namespace

std::optional<Estimations> estime(double x) {
  const Reduit red = reduit(x);
  if (!(x < 0x1p20 && abs(red.r.haut) >= 0x1p-30)) return std::nullopt;
  const Developpement d = developpe(red.r);
  const unsigned k = red.k;
  const auto estimation = [&](const Combinaison& c) {
    return Estimation{c.valeur, erreur_rapide(c.p_abs, c.q_abs), erreur_fine(c, d, red)};
  };
  return Estimations{estimation(sinus_en(k, d)), estimation(sinus_en(k + pas_par_quart, d))};
}

}  // namespace trigo

double sinus(double x) {
  const double ax = trigo::abs(x);
  if (!(ax <= DBL_MAX)) return x - x;  // NaN
  // sin x = x (1 - x^2/6 ...) is within a quarter ulp of x.
  if (ax < 0x1p-26) return x;
  const double s = trigo::positif(ax, true, false).sinus;
  return x < 0 ? -s : s;
}

double cosinus(double x) {
  const double ax = trigo::abs(x);
  if (!(ax <= DBL_MAX)) return x - x;
  // 1 - x^2/2 is within a quarter ulp of 1.
  if (ax < 0x1p-27) return 1.0;
  return trigo::positif(ax, false, true).cosinus;
}

SinusCosinus sinus_cosinus(double x) {
  const double ax = trigo::abs(x);
  if (!(ax <= DBL_MAX)) return {x - x, x - x};
  if (ax < 0x1p-27) return {x, 1.0};
  const SinusCosinus sc = trigo::positif(ax, true, true);
  return {x < 0 ? -sc.sinus : sc.sinus, sc.cosinus};
}
