#include "tournoi/couleurs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>

namespace {

constexpr std::int64_t nb_couleurs = std::int64_t{1} << 24;
constexpr int pas_grille = 17;  // 0, 17, ..., 255: 16 levels per channel
// The viewer flashes a ship that is hit in white: no bot should look like it.
constexpr std::int64_t blanc = 0xFFFFFF;

// Reads the bits it needs from getrandom, not from a seeded generator: knowing
// when the tournament started must not tell the colours.
std::uint64_t hasard() {
  std::random_device source;
  return (std::uint64_t{source()} << 32) | source();
}

double lineaire(int canal) {
  const double c = canal / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Candidat {
  std::int64_t couleur;
  Oklab point;
  double proche;  // distance to the nearest colour taken
};

std::vector<Candidat> candidats() {
  std::vector<Candidat> liste;
  for (int r = 0; r < 256; r += pas_grille)
    for (int g = 0; g < 256; g += pas_grille)
      for (int b = 0; b < 256; b += pas_grille) {
        const std::int64_t c = (r << 16) | (g << 8) | b;
        const Oklab p = oklab(c);
        if (p.l >= clarte_min) liste.push_back({c, p, std::numeric_limits<double>::infinity()});
      }
  return liste;
}

void eloigne_de(std::vector<Candidat>& liste, const Oklab& prise) {
  for (auto& c : liste) c.proche = std::min(c.proche, distance(c.point, prise));
}

// After the candidates: the next values nobody has, from the last one given.
bool complete(std::vector<std::int64_t>& donnees, std::set<std::int64_t>& prises,
              std::size_t nombre) {
  std::int64_t c = donnees.empty() ? 0 : donnees.back();
  for (std::int64_t essai = 0; donnees.size() < nombre && essai < nb_couleurs; ++essai) {
    c = (c + 1) % nb_couleurs;
    if (prises.insert(c).second) donnees.push_back(c);
  }
  return donnees.size() == nombre;
}

}  // namespace

Oklab oklab(std::int64_t couleur) {
  const double r = lineaire(static_cast<int>((couleur >> 16) & 0xFF));
  const double g = lineaire(static_cast<int>((couleur >> 8) & 0xFF));
  const double b = lineaire(static_cast<int>(couleur & 0xFF));
  const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
          1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
          0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

double distance(const Oklab& x, const Oklab& y) {
  return std::hypot(x.l - y.l, x.a - y.a, x.b - y.b);
}

std::optional<std::vector<std::int64_t>> couleurs_eloignees(const std::vector<std::int64_t>& fixees,
                                                            std::size_t nombre) {
  std::vector<Candidat> liste = candidats();
  std::set<std::int64_t> prises(fixees.begin(), fixees.end());
  eloigne_de(liste, oklab(blanc));
  for (std::int64_t c : fixees) eloigne_de(liste, oklab(c));
  std::vector<std::int64_t> donnees;
  while (donnees.size() < nombre && !liste.empty()) {
    // The first of the farthest, so that the choice never depends on more than the order.
    const auto loin =
        std::max_element(liste.begin(), liste.end(),
                         [](const auto& x, const auto& y) { return x.proche < y.proche; });
    const Candidat choisi = *loin;
    liste.erase(loin);
    if (!prises.insert(choisi.couleur).second) continue;
    donnees.push_back(choisi.couleur);
    eloigne_de(liste, choisi.point);
  }
  if (!complete(donnees, prises, nombre)) return std::nullopt;
  return donnees;
}

std::int64_t couleur_de_match(std::int64_t affichage) {
  std::uint64_t haut = 0;
  while (haut == 0) haut = hasard() >> (64 - bits_tires);
  return static_cast<std::int64_t>(haut << 24) | (affichage & masque_affichage);
}
