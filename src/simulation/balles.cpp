#include "simulation/balles.h"

#include <cmath>

#include "world/constantes.h"

namespace {

constexpr double rb = Configuration::rayon_balle;

bool hors_plateau(const balle& b) {
  return b.x - rb < 0.0 || b.x + rb >= largeur_plateau || b.y - rb < 0.0 ||
         b.y + rb >= hauteur_plateau;
}

bool entre_dans(const balle& b, const cube& k) {
  const double cx = (k.x_min + k.x_max + 1.0) / 2.0;
  const double cy = (k.y_min + k.y_max + 1.0) / 2.0;
  double px;
  double py;
  if (b.x == cx) {
    px = b.x;
    py = b.y >= cy ? b.y - rb : b.y + rb;
  } else {
    const double m = (b.y - cy) / (b.x - cx);
    const double d = std::sqrt(rb * rb / (m * m + 1.0));
    px = b.x > cx ? b.x - d : b.x + d;
    py = b.x > cx ? b.y - m * d : b.y + m * d;
  }
  return k.x_min <= px && px <= k.x_max && k.y_min <= py && py <= k.y_max;
}

// Moves the bullet; true when it has left play.
bool vole(balle& b, std::span<const cube> cubes) {
  b.x = b.x + b.pas_x;
  b.y = b.y + b.pas_y;
  return hors_plateau(b) || est_hors_jeu(b, cubes);
}

}  // namespace

bool est_hors_jeu(const balle& b, std::span<const cube> cubes) {
  for (const cube& k : cubes)
    if (entre_dans(b, k)) return true;
  return false;
}

bool a_impact_vaisseau(Monde& monde, const balle& b) {
  constexpr double portee = Configuration::rayon_vaisseau + Configuration::rayon_balle;
  for (vaisseau& v : monde.vaisseaux) {
    if ((v.y - b.y) * (v.y - b.y) + (v.x - b.x) * (v.x - b.x) < portee * portee) {
      v.pt_vie = v.pt_vie - Configuration::degats_balle;
      if (v.pt_vie <= 0) detruit_vaisseau(monde, v.id);
      return true;
    }
  }
  return false;
}

void mise_a_jour_balles(Monde& monde) {
  monde.balles.retire_si([&](balle& b) { return vole(b, monde.cubes); });
  // The ship list is read afresh for every bullet: a ship removed by an earlier
  // bullet can no longer be hit by the later ones.
  monde.balles.retire_si([&](const balle& b) { return a_impact_vaisseau(monde, b); });
}

void detruit_vaisseau(Monde& monde, std::int64_t id) {
  monde.vaisseaux.retire_premier([id](const vaisseau& v) { return v.id == id; });
}
