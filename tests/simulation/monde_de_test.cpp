#include "simulation/monde_de_test.h"

#include "geometry/cubes.h"

void place_cube(world::Monde& monde, Case c) {
  const double x = c.i * config::taille_cube;
  const double y = c.j * config::taille_cube;
  // The cubes vector is in list order, head first.
  monde.cubes.insert(monde.cubes.begin(),
                     world::cube{x, y, x + config::taille_cube, y + config::taille_cube});
  monde.grille[c.i + 1][c.j + 1] = true;
}

void place_cubes(world::Monde& monde, std::initializer_list<Case> cases) {
  for (Case c : cases) place_cube(monde, c);
}

world::vaisseau vaisseau_en(double x, double y, std::int64_t id, double angle, double vitesse,
                            std::int64_t pt_vie) {
  return world::vaisseau{x, y, angle, vitesse, pt_vie, id};
}

void ajoute_vaisseaux(world::Monde& monde, std::initializer_list<world::vaisseau> vaisseaux) {
  for (const world::vaisseau& v : vaisseaux) monde.vaisseaux.ajoute_en_tete(v);
}

void ajoute_balles(world::Monde& monde, std::initializer_list<world::balle> balles) {
  for (const world::balle& b : balles) monde.balles.ajoute_en_tete(b);
}

std::vector<world::vaisseau> en_ordre(const world::ListeRecente<world::vaisseau>& liste) {
  return {liste.begin(), liste.end()};
}

std::vector<world::balle> en_ordre(const world::ListeBalles& liste) {
  return {liste.begin(), liste.end()};
}

std::unique_ptr<world::Monde> monde_avec_cubes(std::uint64_t graine) {
  return geometry::cree_monde(graine);
}
