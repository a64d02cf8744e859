#include "geometry/cubes.h"

#include "world/constantes.h"
#include "world/echec.h"

namespace geometry {

namespace {

struct Dimensions {
  int colonnes;
  int lignes;
};

// Draws the k cubes in order, first to k-th, the k-th ending at the head: the
// list is built tail first and the head is at the back of `resultat`.
void cree_tmp(int k, const Dimensions& d, world::Grille& grille, world::Alea& alea,
              std::vector<world::cube>& resultat) {
  if (k == 0) return;
  cree_tmp(k - 1, d, grille, alea, resultat);
  for (;;) {
    const int i = world::tirage_entier(alea, d.colonnes);
    const int j = world::tirage_entier(alea, d.lignes);
    if (grille[i + 1][j + 1]) continue;
    grille[i + 1][j + 1] = true;
    const double x = i * config::taille_cube;
    const double y = j * config::taille_cube;
    resultat.push_back(world::cube{x, y, x + config::taille_cube, y + config::taille_cube});
    return;
  }
}

}  // namespace

std::vector<world::cube> cree_cubes(world::Grille& grille, world::Alea& alea, int n) {
  const int t = static_cast<int>(config::taille_cube);
  const Dimensions d{static_cast<int>(world::largeur_plateau) / t,
                     static_cast<int>(world::hauteur_plateau) / t};
  if (n < 0) throw world::Echec("cree_cubes : pas de cubes");
  // The redraw can only end while a free cell remains.
  if (n > d.colonnes * d.lignes) throw world::Echec("cree_cubes : trop de cubes pour le plateau");
  std::vector<world::cube> resultat;
  resultat.reserve(static_cast<std::size_t>(n));
  cree_tmp(n, d, grille, alea, resultat);
  return {resultat.rbegin(), resultat.rend()};
}

std::unique_ptr<world::Monde> cree_monde(std::uint64_t graine) {
  auto monde = std::make_unique<world::Monde>(graine);
  // No other thread sees the world yet: the hold costs nothing, and keeps one
  // rule for every use of its generator.
  world::VerrouTenu tenu{monde->verrou};
  monde->cubes = cree_cubes(monde->grille, monde->alea, config::nb_cubes);
  return monde;
}

}  // namespace geometry
