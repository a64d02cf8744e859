// The precision of the game's sine and cosine against MPFR, on random
// arguments (10^7 unless told otherwise) and on the hard ones of the tests:
// the largest error in ulps and the results not correctly rounded; glibc's
// cos and sin on the same arguments, how often they differ from the game's,
// and how often a reply of the server would read differently with them; and
// how the fast path decided. For glibc's plain build, run it again under
// GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA.
//
//   precision_trigo [count]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "protocol/textes.h"
#include "trigo/rapide.h"
#include "trigo/reference_mpfr.h"
#include "trigo/trigo.h"

namespace {

// The arguments hardest to round seen so far, with their margins, hardest first.
std::vector<std::pair<double, double>> plus_durs;

void retient(double marge, double x) {
  for (const auto& [m, y] : plus_durs)
    if (std::fabs(y) == std::fabs(x)) return;  // already there, or its opposite
  plus_durs.push_back({marge, std::fabs(x)});
  std::sort(plus_durs.begin(), plus_durs.end());
  if (plus_durs.size() > 12) plus_durs.pop_back();
}

struct Bilan {
  long n = 0;
  long faux = 0;  // the game's results not correctly rounded
  double pire = 0.0;
  long differe_glibc = 0;  // glibc's result is not the game's
  long faux_glibc = 0;
  double pire_glibc = 0.0;
  double marge = 1.0;  // the hardest to round found, and where
  double x_marge = 0.0;

  void compte(Exact& exact, double x, double jeu, double glibc) {
    ++n;
    faux += jeu != exact.arrondi();
    pire = std::max(pire, exact.erreur_ulps(jeu));
    differe_glibc += jeu != glibc;
    faux_glibc += glibc != exact.arrondi();
    pire_glibc = std::max(pire_glibc, exact.erreur_ulps(glibc));
    const double m = exact.marge();
    if (m < marge) marge = m, x_marge = x;
    if (plus_durs.size() < 12 || m < plus_durs.back().first) retient(m, x);
  }
};

// How the fast path ended: decided by its first bound, by its second, or
// handed to the exact path.
struct Chemins {
  long premiere = 0, seconde = 0, exacte = 0;

  void compte(const trigo::Estimation& e) {
    if (trigo::arrondi_sur(e.valeur, e.erreur_rapide))
      ++premiere;
    else if (trigo::arrondi_sur(trigo::somme_rapide(e.valeur.haut, e.valeur.bas), e.erreur_fine))
      ++seconde;
    else
      ++exacte;
  }
};

// A ship's next position and a new bullet's, as replies print them, with the
// game's cos and sin and with glibc's: do the texts differ?
struct Reponses {
  long n = 0, deplacements = 0, tirs = 0;
  std::mt19937_64 alea{1};

  void compte(SinusCosinus jeu, SinusCosinus glibc) {
    std::uniform_real_distribution<double> position(9.0, 1399.0), vitesse(-2.0, 3.0);
    const double x = position(alea), y = position(alea), v = vitesse(alea);
    const auto texte = [&](SinusCosinus c, double k) {
      return protocol::texte_flottant(x + c.cosinus * k) + " " +
             protocol::texte_flottant(y + c.sinus * k);
    };
    ++n;
    deplacements += texte(jeu, v) != texte(glibc, v);
    tirs += texte(jeu, 12.6) != texte(glibc, 12.6);
  }
};

struct Mesures {
  std::string nom;
  Bilan sinus, cosinus;
  Chemins chemins;
  Reponses reponses;
  bool des_caps;  // headings: count the replies too

  void mesure(Exacts& exacts, double x) {
    exacts.calcule(x);
    const SinusCosinus jeu = sinus_cosinus(x);
    const SinusCosinus glibc{std::sin(x), std::cos(x)};
    sinus.compte(exacts.sinus, x, jeu.sinus, glibc.sinus);
    cosinus.compte(exacts.cosinus, x, jeu.cosinus, glibc.cosinus);
    const double ax = std::fabs(x);
    if (ax >= 0x1p-27 && ax < 0x1p20) {
      if (const std::optional<trigo::Estimations> e = trigo::estime(ax)) {
        chemins.compte(e->sinus);
        chemins.compte(e->cosinus);
      } else {
        chemins.exacte += 2;
      }
    }
    if (des_caps) reponses.compte(jeu, glibc);
  }
};

void affiche(const Mesures& f) {
  std::printf("\n%s\n", f.nom.c_str());
  for (const auto& [nom, b] : {std::pair{"sin", &f.sinus}, {"cos", &f.cosinus}})
    std::printf(
        "  %s: %ld arguments; game: %ld not correctly rounded, largest error %.4f ulp; "
        "glibc: %ld differ from the game, %ld not correctly rounded, largest error %.4f ulp; "
        "hardest to round: %a, %.3g ulp from a boundary\n",
        nom, b->n, b->faux, b->pire, b->differe_glibc, b->faux_glibc, b->pire_glibc, b->x_marge,
        b->marge);
  const Chemins& c = f.chemins;
  if (const long n = c.premiere + c.seconde + c.exacte)
    std::printf(
        "  fast path: %ld results, decided by the first bound %.6f%%, by the second "
        "%.6f%%, left to the exact path %.6f%%\n",
        n, 100.0 * c.premiere / n, 100.0 * c.seconde / n, 100.0 * c.exacte / n);
  const Reponses& r = f.reponses;
  if (r.n)
    std::printf(
        "  replies with glibc's cos and sin: a ship's next position reads differently "
        "for %ld of %ld headings (%.5f%%), a new bullet's for %ld (%.5f%%)\n",
        r.deplacements, r.n, 100.0 * r.deplacements / r.n, r.tirs, 100.0 * r.tirs / r.n);
}

}  // namespace

int main(int argc, char** argv) {
  const long total = argc > 1 ? std::atol(argv[1]) : 10000000;
  const auto debut = std::chrono::steady_clock::now();
  std::printf("glibc's build: %s\n",
              std::getenv("GLIBC_TUNABLES") ? std::getenv("GLIBC_TUNABLES") : "chosen by the CPU");
  Exacts exacts;
  std::mt19937_64 alea(20260611);
  // The random set: headings as spawned, headings after many turns, and any
  // double (magnitude uniform in exponent, either sign).
  Mesures spawn{"random: spawn headings, uniform in [0, 6.28)", {}, {}, {}, {}, true};
  Mesures tours{"random: headings after turns, uniform in [-1000, 1000]", {}, {}, {}, {}, true};
  Mesures tout{"random: any double, |x| from 2^-30 to 2^1000", {}, {}, {}, {}, false};
  std::uniform_real_distribution<double> u(0.0, 6.28), t(-1000.0, 1000.0), e(-30.0, 1000.0);
  for (long k = 0; k < total; ++k) {
    if (k % 10 < 4)
      spawn.mesure(exacts, u(alea));
    else if (k % 10 < 8)
      tours.mesure(exacts, t(alea));
    else
      tout.mesure(exacts, (alea() & 1 ? 1 : -1) * std::exp2(e(alea)));
  }
  for (const Mesures* f : {&spawn, &tours, &tout}) affiche(*f);
  for (const Famille& difficiles : cas_difficiles(100000)) {
    Mesures f{"hard: " + difficiles.nom, {}, {}, {}, {}, false};
    for (double x : difficiles.arguments) f.mesure(exacts, x);
    affiche(f);
  }
  std::printf("\nhardest to round (margin in ulps, argument):\n");
  for (const auto& [marge, x] : plus_durs) std::printf("  %.3g %a\n", marge, x);
  std::printf("\n%.0f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
}
