#include "trigo/precis.h"

#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <optional>

#include "trigo/tables.h"

namespace trigo {

namespace {

constexpr int mots_max = 26;

// A nonnegative fixed-point number: mots[0] is the integer part, mots[1] to
// mots[n - 1] the fraction, most significant first.
struct Fixe {
  int n;
  std::array<std::uint32_t, mots_max> mots{};
};

Fixe entier(int n, std::uint32_t valeur) {
  Fixe a{n};
  a.mots[0] = valeur;
  return a;
}

bool est_nul(const Fixe& a) {
  for (int i = 0; i < a.n; ++i)
    if (a.mots[i] != 0) return false;
  return true;
}

Fixe somme(const Fixe& a, const Fixe& b) {
  Fixe s{a.n};
  std::uint64_t retenue = 0;
  for (int i = a.n - 1; i >= 0; --i) {
    const std::uint64_t t = std::uint64_t{a.mots[i]} + b.mots[i] + retenue;
    s.mots[i] = static_cast<std::uint32_t>(t);
    retenue = t >> 32;
  }
  return s;
}

// a - b, for a >= b.
Fixe difference(const Fixe& a, const Fixe& b) {
  Fixe d{a.n};
  std::uint64_t emprunt = 0;
  for (int i = a.n - 1; i >= 0; --i) {
    const std::uint64_t t = std::uint64_t{a.mots[i]} - b.mots[i] - emprunt;
    d.mots[i] = static_cast<std::uint32_t>(t);
    emprunt = (t >> 32) & 1;
  }
  return d;
}

// a * b rounded down to a's precision (less than one unit of the last word
// below the exact product), for a product below 2^32.
Fixe produit(const Fixe& a, const Fixe& b) {
  const int n = a.n;
  std::array<std::uint32_t, 2 * mots_max> r{};  // r[k] weighs 2^(-32(k - 1))
  for (int i = n - 1; i >= 0; --i) {
    std::uint64_t retenue = 0;
    for (int j = n - 1; j >= 0; --j) {
      const std::uint64_t t = std::uint64_t{a.mots[i]} * b.mots[j] + r[i + j + 1] + retenue;
      r[i + j + 1] = static_cast<std::uint32_t>(t);
      retenue = t >> 32;
    }
    r[i] = static_cast<std::uint32_t>(retenue);
  }
  assert(r[0] == 0);
  Fixe p{n};
  for (int k = 0; k < n; ++k) p.mots[k] = r[k + 1];
  return p;
}

// a / d rounded down.
Fixe quotient(const Fixe& a, std::uint32_t d) {
  Fixe q{a.n};
  std::uint64_t reste = 0;
  for (int i = 0; i < a.n; ++i) {
    const std::uint64_t t = (reste << 32) | a.mots[i];
    q.mots[i] = static_cast<std::uint32_t>(t / d);
    reste = t % d;
  }
  return q;
}

// The double nearest a (ties to even), for 2^-1000 < a < 2^32.
double vers_double(const Fixe& a) {
  int i0 = 0;
  while (a.mots[i0] == 0) ++i0;
  const auto mot = [&](int i) { return i < a.n ? std::uint64_t{a.mots[i]} : 0; };
  const int decalage = std::countl_zero(a.mots[i0]);
  // The 64 bits from the leading one, the 53 kept ones first.
  const std::uint64_t fenetre =
      ((mot(i0) << 32 | mot(i0 + 1)) << decalage) | (decalage ? mot(i0 + 2) >> (32 - decalage) : 0);
  bool collant = (fenetre & 0x3FF) != 0 || (mot(i0 + 2) << (32 + decalage)) != 0;
  for (int i = i0 + 3; i < a.n; ++i) collant = collant || a.mots[i] != 0;
  std::uint64_t mantisse = fenetre >> 11;
  int exposant = 31 - decalage - 32 * i0;  // of the leading one
  if ((fenetre >> 10 & 1) && (collant || (mantisse & 1))) ++mantisse;
  if (mantisse >> 53) {
    mantisse >>= 1;
    ++exposant;
  }
  const std::uint64_t bits = static_cast<std::uint64_t>(exposant + 1023) << 52 |
                             (mantisse & ((std::uint64_t{1} << 52) - 1));
  return std::bit_cast<double>(bits);
}

// Bits debut to debut + 31 after the point of 2/pi; those before the point are 0.
std::uint32_t bits_de_deux_sur_pi(int debut) {
  if (debut < 1) return debut <= -31 ? 0 : bits_de_deux_sur_pi(1) >> (1 - debut);
  const int mot = (debut - 1) / 32, decalage = (debut - 1) % 32;
  assert(mot + 1 < static_cast<int>(std::size(deux_sur_pi)));
  if (decalage == 0) return deux_sur_pi[mot];
  return deux_sur_pi[mot] << decalage | deux_sur_pi[mot + 1] >> (32 - decalage);
}

struct Reduction {
  Fixe r;             // in [0, pi/4]
  unsigned quadrant;  // x = (4m + quadrant) pi/2 + r or - r
  bool negatif;       // - r
};

// x 2/pi modulo 4, with `n - 1` fraction words, within 2 units of the last word.
// The bits of 2/pi that weigh 2^-i with i < e - 1 add multiples of 4 to
// x 2/pi = m 2^e 2/pi: only a window from there on is needed, whatever x.
Fixe deux_x_sur_pi(double x, int n) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int champ = static_cast<int>(bits >> 52);  // x > 0: no sign bit
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;
  const int e = champ - 1075;
  const int k = n + 2;                          // window words, the last one ending at bit b
  const int b = e + 32 * (n + 1);               // so that the product has n + 1 fraction words
  std::array<std::uint32_t, mots_max + 4> y{};  // m * window, y[0] most significant
  const std::uint32_t m_mots[2] = {static_cast<std::uint32_t>(m >> 32),
                                   static_cast<std::uint32_t>(m)};
  for (int i = 1; i >= 0; --i) {
    std::uint64_t retenue = 0;
    for (int j = k - 1; j >= 0; --j) {
      const std::uint64_t fenetre = bits_de_deux_sur_pi(b - 32 * (k - j) + 1);
      const std::uint64_t t = std::uint64_t{m_mots[i]} * fenetre + y[i + j + 1] + retenue;
      y[i + j + 1] = static_cast<std::uint32_t>(t);
      retenue = t >> 32;
    }
    y[i] = static_cast<std::uint32_t>(retenue);
  }
  // y has k + 2 words, the last n + 1 of them after the point.
  Fixe r{n};
  r.mots[0] = y[k + 2 - (n + 1) - 1] & 3;
  for (int i = 1; i < n; ++i) r.mots[i] = y[k + 2 - (n + 1) - 1 + i];
  return r;
}

Reduction reduit(double x, int n) {
  Fixe y = deux_x_sur_pi(x, n);
  Reduction red{Fixe{n}, y.mots[0], false};
  y.mots[0] = 0;
  if (y.mots[1] >> 31) {  // fraction of 1/2 or more: the next multiple is nearer
    y = difference(entier(n, 1), y);
    red.quadrant = (red.quadrant + 1) & 3;
    red.negatif = true;
  }
  Fixe pi_sur_deux = entier(n, 1);
  for (int i = 1; i < n; ++i) pi_sur_deux.mots[i] = pi_sur_deux_fraction[i - 1];
  red.r = produit(y, pi_sur_deux);
  return red;
}

// Taylor series from `terme` (r for the sine, 1 for the cosine) while terms
// are not 0: partial sums stay positive because the terms decrease.
Fixe serie(const Fixe& r2, Fixe terme, std::uint32_t premier_rang) {
  Fixe s = terme;
  for (std::uint32_t k = premier_rang; !est_nul(terme); k += 2) {
    terme = quotient(produit(terme, r2), (k + 1) * (k + 2));
    s = (k - premier_rang) % 4 == 0 ? difference(s, terme) : somme(s, terme);
  }
  return s;
}

bool au_plus(const Fixe& a, const Fixe& b) {
  for (int i = 0; i < a.n; ++i)
    if (a.mots[i] != b.mots[i]) return a.mots[i] < b.mots[i];
  return true;
}

// The double nearest v when all of [v - e, v + e] rounds to it. With
// `dernier`, the double nearest v whatever e.
std::optional<double> arrondi_sur(const Fixe& v, const Fixe& e, bool dernier) {
  if (dernier) return vers_double(v);
  if (au_plus(v, e)) return std::nullopt;  // the sign itself is unsure
  const double a = vers_double(difference(v, e));
  if (a != vers_double(somme(v, e))) return std::nullopt;
  return a;
}

// sin(q pi/2 + rho), rho = r or -r, is cos r or sin r, with this sign.
struct Choix {
  bool cosinus;
  bool negatif;
};

Choix choix(unsigned q, bool rho_negatif) {
  q &= 3;
  if (q & 1) return {true, q == 3};
  return {false, (q == 2) != rho_negatif};
}

std::optional<double> valeur(Choix c, const Fixe& sin_r, const Fixe& cos_r, const Fixe& erreur,
                             bool dernier) {
  const std::optional<double> v = arrondi_sur(c.cosinus ? cos_r : sin_r, erreur, dernier);
  if (v && c.negatif) return -*v;
  return v;
}

}  // namespace

// Each level computes with n words. Errors, in units of the last word: 2 for
// 2x/pi, then 5 for r (pi/2 < 2, and two truncations); each term of a series
// adds 2 more to what r's error brings through derivatives whose sum stays
// below e^r < 3, and there are fewer than 200 terms: 1024 units is a bound
// with room to spare. The last level gives the double nearest its estimate
// without deciding: it is reached only by a result within about 2^-400 of a
// rounding boundary. None is known; none can be on one (sin and cos of a
// nonzero rational are transcendental), and every hard case of the tests is
// decided by the first level.
SinusCosinus sinus_cosinus_precis(double x) {
  assert(x >= 0x1p-27 && x <= 0x1.fffffffffffffp1023);
  std::optional<double> s, c;
  for (int n : {7, 13, mots_max}) {
    const Reduction red = reduit(x, n);
    const Fixe r2 = produit(red.r, red.r);
    const Fixe sin_r = serie(r2, red.r, 1);
    const Fixe cos_r = serie(r2, entier(n, 1), 0);
    Fixe erreur{n};
    erreur.mots[n - 1] = 1024;
    const bool dernier = n == mots_max;
    // cos(x) = sin(x + pi/2): the next quadrant.
    if (!s) s = valeur(choix(red.quadrant, red.negatif), sin_r, cos_r, erreur, dernier);
    if (!c) c = valeur(choix(red.quadrant + 1, red.negatif), sin_r, cos_r, erreur, dernier);
    if (s && c) break;
  }
  return {*s, *c};
}

}  // namespace trigo
