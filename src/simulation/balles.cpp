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

// The cube of board cell (i, j), with the bounds the field was built with.
cube cube_de_la_case(int i, int j) {
  const double x = i * Configuration::taille_cube;
  const double y = j * Configuration::taille_cube;
  return cube{x, y, x + Configuration::taille_cube, y + Configuration::taille_cube};
}

// Moves the bullet; true when it has left play.
bool vole(balle& b, const Grille& grille) {
  b.x = b.x + b.pas_x;
  b.y = b.y + b.pas_y;
  return hors_plateau(b) || est_hors_jeu(b, grille);
}

}  // namespace

bool est_hors_jeu(const balle& b, const Grille& grille) {
  // The probe lies within rayon_balle of the centre on each axis (and within
  // rounding of it, far below the half unit added), so only the cubes of the
  // cells that this square meets can contain it, whatever the scan order: at
  // most two columns and two rows. The grid's border ring answers for cells
  // just off the board.
  constexpr double portee = rb + 0.5;
  const Plage colonnes = plage_autour(b.x, colonne_du_plateau(b.x), portee);
  const Plage lignes = plage_autour(b.y, ligne_du_plateau(b.y), portee);
  // Most bullets have no cube there: four look-ups and no branch settle them.
  if (!(grille[colonnes.debut + 1][lignes.debut + 1] | grille[colonnes.debut + 1][lignes.fin + 1] |
        grille[colonnes.fin + 1][lignes.debut + 1] | grille[colonnes.fin + 1][lignes.fin + 1]))
    return false;
  for (int i = colonnes.debut; i <= colonnes.fin; ++i) {
    for (int j = lignes.debut; j <= lignes.fin; ++j)
      if (grille[i + 1][j + 1] && entre_dans(b, cube_de_la_case(i, j))) return true;
  }
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
  monde.balles.retire_si([&](balle& b) { return vole(b, monde.grille); });
  // The ship list is read afresh for every bullet: a ship removed by an earlier
  // bullet can no longer be hit by the later ones.
  monde.balles.retire_si([&](const balle& b) { return a_impact_vaisseau(monde, b); });
}

void detruit_vaisseau(Monde& monde, std::int64_t id) {
  monde.vaisseaux.retire_premier([id](const vaisseau& v) { return v.id == id; });
}
