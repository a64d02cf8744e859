#include "simulation/spawn.h"

#include <utility>

#include "geometry/collisions.h"
#include "geometry/segments.h"
#include "world/constantes.h"

namespace simulation {

namespace {

constexpr double r = config::rayon_vaisseau;

}  // namespace

// The seven rejection tests, in their order; the board's four are the ones a
// moving ship meets.
bool position_libre(const world::Monde& monde, double x, double y, std::int64_t id) {
  if (geometry::inter_cubes(x, y, geometry::get_cube_inter_segments(monde.grille, x, y)))
    return false;
  if (geometry::inter_plateau(x, y)) return false;
  if (geometry::inter_vaisseau(x, y, id, monde.index_vaisseaux)) return false;
  return !geometry::inside_cube(x, y, monde.cubes);
}

Spawn cree_vaisseau(world::Monde& monde, std::int64_t id, int essais) {
  for (const world::vaisseau& v : monde.vaisseaux)
    if (v.id == id) return Spawn::CouleurUtilisee;
  if (monde.observateur && !monde.observateur->couleur_admise(id)) return Spawn::CouleurUtilisee;
  const double lx = world::largeur_plateau - 2.0 * r;
  const double ly = world::hauteur_plateau - 2.0 * r;
  // A crowded board can take many candidates: each asks only the ships near it.
  monde.index_vaisseaux.reconstruit(monde.vaisseaux);
  const double angle = 6.28 * world::tirage_unitaire(monde.alea);
  for (int essai = 0; essai < essais; ++essai) {
    const double x = world::tirage_unitaire(monde.alea) * lx + r;
    const double y = world::tirage_unitaire(monde.alea) * ly + r;
    if (!position_libre(monde, x, y, id)) continue;
    monde.vaisseaux.ajoute_en_tete(world::vaisseau{x, y, angle, 0.0, config::pt_vie_max, id});
    if (monde.observateur) monde.observateur->vaisseau_cree(std::as_const(monde.vaisseaux)[0]);
    return Spawn::Cree;
  }
  return Spawn::PasDePlace;
}

}  // namespace simulation
