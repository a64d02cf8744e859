#include "simulation/spawn.h"

#include <utility>

#include "geometry/collisions.h"
#include "geometry/segments.h"
#include "world/constantes.h"

namespace {

constexpr double r = Configuration::rayon_vaisseau;

}  // namespace

// The seven rejection tests, in their order; the board's four are the ones a
// moving ship meets.
bool position_libre(const Monde& monde, double x, double y, std::int64_t id) {
  if (inter_cubes(x, y, get_cube_inter_segments(monde.grille, x, y))) return false;
  if (inter_plateau(x, y)) return false;
  if (inter_vaisseau(x, y, id, monde.index_vaisseaux)) return false;
  return !inside_cube(x, y, monde.cubes);
}

Spawn cree_vaisseau(Monde& monde, std::int64_t id, int essais) {
  for (const vaisseau& v : monde.vaisseaux)
    if (v.id == id) return Spawn::CouleurUtilisee;
  if (monde.observateur && !monde.observateur->couleur_admise(id)) return Spawn::CouleurUtilisee;
  const double lx = largeur_plateau - 2.0 * r;
  const double ly = hauteur_plateau - 2.0 * r;
  // A crowded board can take many candidates: each asks only the ships near it.
  monde.index_vaisseaux.reconstruit(monde.vaisseaux);
  const double angle = 6.28 * tirage_unitaire(monde.alea);
  for (int essai = 0; essai < essais; ++essai) {
    const double x = tirage_unitaire(monde.alea) * lx + r;
    const double y = tirage_unitaire(monde.alea) * ly + r;
    if (!position_libre(monde, x, y, id)) continue;
    monde.vaisseaux.ajoute_en_tete(vaisseau{x, y, angle, 0.0, Configuration::pt_vie_max, id});
    if (monde.observateur) monde.observateur->vaisseau_cree(std::as_const(monde.vaisseaux)[0]);
    return Spawn::Cree;
  }
  return Spawn::PasDePlace;
}
