#include "simulation/monde_de_test.h"

#include "geometry/cubes.h"

void place_cube(Monde& monde, Case c) {
  const double x = c.i * config::taille_cube;
  const double y = c.j * config::taille_cube;
  // The cubes vector is in list order, head first.
  monde.cubes.insert(monde.cubes.begin(),
                     cube{x, y, x + config::taille_cube, y + config::taille_cube});
  monde.grille[c.i + 1][c.j + 1] = true;
}

void place_cubes(Monde& monde, std::initializer_list<Case> cases) {
  for (Case c : cases) place_cube(monde, c);
}

vaisseau vaisseau_en(double x, double y, std::int64_t id, double angle, double vitesse,
                     std::int64_t pt_vie) {
  return vaisseau{x, y, angle, vitesse, pt_vie, id};
}

void ajoute_vaisseaux(Monde& monde, std::initializer_list<vaisseau> vaisseaux) {
  for (const vaisseau& v : vaisseaux) monde.vaisseaux.ajoute_en_tete(v);
}

void ajoute_balles(Monde& monde, std::initializer_list<balle> balles) {
  for (const balle& b : balles) monde.balles.ajoute_en_tete(b);
}

std::vector<vaisseau> en_ordre(const ListeRecente<vaisseau>& liste) {
  return {liste.begin(), liste.end()};
}

std::vector<balle> en_ordre(const ListeBalles& liste) { return {liste.begin(), liste.end()}; }

std::unique_ptr<Monde> monde_avec_cubes(std::uint64_t graine) { return cree_monde(graine); }
