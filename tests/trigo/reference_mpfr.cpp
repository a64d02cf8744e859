#include "trigo/reference_mpfr.h"

#include <mpfr.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace {

// Enough bits for any argument: the reduction of a huge x needs about its
// exponent's worth more, which MPFR finds on its own; these are for results.
constexpr mpfr_prec_t precision = 256;

struct Nombre {
  mpfr_t v;
  explicit Nombre(mpfr_prec_t bits = precision) { mpfr_init2(v, bits); }
  ~Nombre() { mpfr_clear(v); }
  Nombre(const Nombre&) = delete;
  Nombre& operator=(const Nombre&) = delete;
};

// The gap between `juste` and the next double above it, or below: the ulp
// that matters for a value on that side of `juste`.
double ecart_des_doubles(double juste, bool au_dessus) {
  return std::fabs(std::nextafter(juste, au_dessus ? INFINITY : -INFINITY) - juste);
}

}  // namespace

Exact::Exact() { mpfr_init2(v_, precision); }
Exact::~Exact() { mpfr_clear(v_); }

void Exact::calcule(Fonction f, double x) {
  Nombre a(53);
  mpfr_set_d(a.v, x, MPFR_RNDN);
  if (f == Fonction::Sinus)
    mpfr_sin(v_, a.v, MPFR_RNDN);
  else
    mpfr_cos(v_, a.v, MPFR_RNDN);
}

double Exact::arrondi() const { return mpfr_get_d(v_, MPFR_RNDN); }

double Exact::ecart(double haut, double bas) const {
  Nombre d;
  mpfr_sub_d(d.v, v_, haut, MPFR_RNDN);
  mpfr_sub_d(d.v, d.v, bas, MPFR_RNDN);
  return std::fabs(mpfr_get_d(d.v, MPFR_RNDU));
}

double Exact::erreur_ulps(double y) const {
  const double juste = arrondi();
  if (juste == 0.0) return y == 0.0 ? 0.0 : INFINITY;
  Nombre d;
  mpfr_sub_d(d.v, v_, juste, MPFR_RNDN);
  return ecart(y, 0.0) / ecart_des_doubles(juste, mpfr_sgn(d.v) > 0);
}

// The exact value is within half a gap of `juste`, on one side: its distance
// to the boundary on that side is half that gap minus this.
double Exact::marge() const {
  const double juste = arrondi();
  if (juste == 0.0) return INFINITY;
  Nombre d;
  mpfr_sub_d(d.v, v_, juste, MPFR_RNDN);
  const double dedans = mpfr_get_d(d.v, MPFR_RNDN);
  return 0.5 - std::fabs(dedans) / ecart_des_doubles(juste, dedans > 0);
}

void Exacts::calcule(double x) {
  Nombre a(53);
  mpfr_set_d(a.v, x, MPFR_RNDN);
  mpfr_sin_cos(sinus.valeur(), cosinus.valeur(), a.v, MPFR_RNDN);
}

double reference(Fonction f, double x) {
  Exact e;
  e.calcule(f, x);
  return e.arrondi();
}

double ecart(Fonction f, double x, double haut, double bas) {
  Exact e;
  e.calcule(f, x);
  return e.ecart(haut, bas);
}

double erreur_ulps(Fonction f, double x, double y) {
  Exact e;
  e.calcule(f, x);
  return e.erreur_ulps(y);
}

double marge_d_arrondi(Fonction f, double x) {
  Exact e;
  e.calcule(f, x);
  return e.marge();
}

namespace {

// The m in [2^52, 2^53) whose m 2^(e-52) lie nearest a multiple of pi/2:
// from the continued fraction of 2^(e-52) 2/pi, whose denominators give the
// best approximations. A handful of candidates per binade.
std::vector<double> pres_des_multiples(int e) {
  Nombre alpha(2400), reste(2400), inverse(2400);
  mpfr_const_pi(alpha.v, MPFR_RNDN);
  mpfr_ui_div(alpha.v, 2, alpha.v, MPFR_RNDN);
  mpfr_mul_2si(alpha.v, alpha.v, e - 52, MPFR_RNDN);
  mpfr_frac(reste.v, alpha.v, MPFR_RNDN);
  std::uint64_t q_avant = 0, q = 1;
  std::vector<double> candidats;
  constexpr std::uint64_t bas = std::uint64_t{1} << 52, haut = std::uint64_t{1} << 53;
  for (int pas = 0; pas < 200 && !mpfr_zero_p(reste.v); ++pas) {
    mpfr_ui_div(inverse.v, 1, reste.v, MPFR_RNDN);
    // A huge partial quotient: x 2/pi is nearly that fraction, and the next
    // denominator leaves the range whatever it is.
    const std::uint64_t a = mpfr_cmp_d(inverse.v, 0x1p60) > 0 ? std::uint64_t{1} << 60
                                                              : mpfr_get_ui(inverse.v, MPFR_RNDZ);
    mpfr_frac(reste.v, inverse.v, MPFR_RNDN);
    if (a > (haut - 1 - q_avant) / q) {  // the next denominator leaves the range
      // The last convergent, its smallest multiple in range, and the last
      // intermediate fraction in range, often the nearest of all.
      const std::uint64_t t = (haut - 1 - q_avant) / q;
      for (std::uint64_t m : {q, q * (bas / q + 1), q_avant + t * q})
        if (m >= bas && m < haut) candidats.push_back(std::ldexp(static_cast<double>(m), e - 52));
      break;
    }
    const std::uint64_t suivant = a * q + q_avant;
    q_avant = q;
    q = suivant;
    if (q >= bas) candidats.push_back(std::ldexp(static_cast<double>(q), e - 52));
  }
  return candidats;
}

void avec_voisins(std::vector<double>& liste, double x, int n) {
  double bas = x, haut = x;
  liste.push_back(x);
  for (int k = 0; k < n; ++k) {
    bas = std::nextafter(bas, 0.0);
    haut = std::nextafter(haut, INFINITY);
    if (std::isfinite(haut)) liste.push_back(haut);
    liste.push_back(bas);
  }
}

Famille multiples_de_pi_sur_deux() {
  Famille f{"near multiples of pi/2", {}};
  for (int e = 0; e <= 1023; ++e)
    for (double x : pres_des_multiples(e)) avec_voisins(f.arguments, x, 1);
  Nombre m;
  for (int k = 1; k <= 2000; ++k) {  // k pi/2 rounded, the small ones all
    mpfr_const_pi(m.v, MPFR_RNDN);
    mpfr_mul_si(m.v, m.v, k, MPFR_RNDN);
    mpfr_div_2ui(m.v, m.v, 1, MPFR_RNDN);
    avec_voisins(f.arguments, mpfr_get_d(m.v, MPFR_RNDN), 2);
  }
  return f;
}

Famille extremes() {
  Famille f{"tiny, huge and the limits of each path", {}};
  for (int e = -1074; e <= 1023; e += 7) avec_voisins(f.arguments, std::ldexp(1.0, e), 1);
  for (double x : {0x1p-27, 0x1p-26, 0x1p20, 0x1p28, 0x1p53, DBL_MIN, DBL_MAX, 1e22, 1e300,
                   std::acos(-1.0) / 1024, std::acos(-1.0) / 512})
    avec_voisins(f.arguments, x, 3);
  return f;
}

// What the server stores after n turns: each turn adds or takes 0.05, rounded.
Famille caps_du_jeu(int pas) {
  Famille f{"headings after turns of 0.05", {}};
  for (double depart : {0.0, 1.0, 3.14, 6.27, 0.123456789}) {
    double gauche = depart, droite = depart;
    for (int k = 0; k < pas; ++k) {
      gauche = gauche + 0.05;
      droite = droite - 0.05;
      f.arguments.push_back(gauche);
      f.arguments.push_back(droite);
    }
  }
  return f;
}

// The hardest to round that bench/precision_trigo found among its 10^7
// random arguments and the families above: sin or cos within 2^-25 ulp or
// less of a rounding boundary. (The true worst cases over all doubles need a
// lattice search, and lie far closer.)
Famille plus_durs_trouves() {
  return {
      "hardest to round found",
      {0x1.beebdb95e9d2ep+8, 0x1.129a77f4a3a0dp+284, 0x1.782df11c2b4b2p+2, 0x1.7495ae37508b4p-2,
       0x1.56bcee660fc94p+9, 0x1.edb59bd50a559p+657, 0x1.1252c1ba87474p+9, 0x1.ef7336de3fe04p+383,
       0x1.e71c2d4620cd9p+243, 0x1.764add081c4b3p+0, 0x1.76fd1989ecee7p+2, 0x1.c8784e547d43ep+1}};
}

}  // namespace

std::vector<Famille> cas_difficiles(int pas_de_cap) {
  std::vector<Famille> familles = {multiples_de_pi_sur_deux(), extremes(), caps_du_jeu(pas_de_cap),
                                   plus_durs_trouves()};
  for (Famille& f : familles) {  // odd functions, even functions: both signs
    const std::size_t n = f.arguments.size();
    for (std::size_t k = 0; k < n; ++k) f.arguments.push_back(-f.arguments[k]);
  }
  return familles;
}
