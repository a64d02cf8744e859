#include "pilote/couleurs.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct Composantes {
  int r, g, b;
};

constexpr Composantes composantes(Rgb rgb) {
  return {static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
          static_cast<int>(rgb & 0xFF)};
}

constexpr Rgb assemble(int r, int g, int b) {
  return static_cast<Rgb>(r) << 16 | static_cast<Rgb>(g) << 8 | static_cast<Rgb>(b);
}

// Terminals disagree so much on the eight basic colours that a distance to
// any one rendering of them means little: a colour takes each primary that is
// at least half as strong as its strongest, and very dark ones are black.
int huit_couleurs(Composantes c) {
  constexpr int noir_sous = 0x40;
  const int plus_forte = std::max({c.r, c.g, c.b});
  if (plus_forte < noir_sous) return 0;
  const auto allume = [&](int v) { return 2 * v >= plus_forte ? 1 : 0; };
  return allume(c.r) | allume(c.g) << 1 | allume(c.b) << 2;  // the curses COLOR_* order
}

int distance(Composantes a, Composantes b) {
  return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

constexpr std::array<int, 6> niveaux_du_cube = {0, 95, 135, 175, 215, 255};

Composantes entree_256(int indice) {
  if (indice >= 232) {
    const int gris = 8 + 10 * (indice - 232);
    return {gris, gris, gris};
  }
  const int n = indice - 16;
  return {niveaux_du_cube[static_cast<std::size_t>(n / 36)],
          niveaux_du_cube[static_cast<std::size_t>(n / 6 % 6)],
          niveaux_du_cube[static_cast<std::size_t>(n % 6)]};
}

}  // namespace

Rgb rgb_de(std::int64_t couleur) { return static_cast<Rgb>(couleur & 0xFFFFFF); }

Rgb visible_sur_noir(Rgb rgb) {
  constexpr int moitie = 0x80;
  const Composantes c = composantes(rgb);
  const int plus_forte = std::max({c.r, c.g, c.b});
  if (plus_forte >= moitie) return rgb;
  if (plus_forte == 0) return assemble(moitie, moitie, moitie);
  const auto eclaire = [&](int v) { return (v * moitie + plus_forte / 2) / plus_forte; };
  return assemble(eclaire(c.r), eclaire(c.g), eclaire(c.b));
}

int couleur_terminal(Rgb rgb, int nb_couleurs) {
  if (nb_couleurs < 8) return -1;
  const Composantes cible = composantes(rgb);
  if (nb_couleurs < 256) return huit_couleurs(cible);
  int meilleure = 16;
  int plus_proche = std::numeric_limits<int>::max();
  for (int i = 16; i < 256; ++i) {
    if (const int d = distance(cible, entree_256(i)); d < plus_proche) {
      plus_proche = d;
      meilleure = i;
    }
  }
  return meilleure;
}
