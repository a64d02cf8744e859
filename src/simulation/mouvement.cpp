#include "simulation/mouvement.h"

#include <cmath>
#include <cstddef>
#include <optional>

#include "geometry/collisions.h"

namespace simulation {

namespace {

// Every ship of the list, head first. The index moves each ship with it, so a
// ship handled later sees the new positions of the earlier ones.
void maj(world::ListeRecente<world::vaisseau>& vaisseaux, const world::Grille& grille,
         world::IndexVaisseaux& index, Direction direction) {
  for (std::size_t k = 0; k < vaisseaux.taille(); ++k) {
    world::vaisseau& v = vaisseaux[k];
    const geometry::Faces faces = geometry::get_cube_inter_segments(grille, v.x, v.y);
    const SinusCosinus cap = direction(v.angle);
    const double nx = v.x + cap.cosinus * v.vitesse;
    const double ny = v.y + cap.sinus * v.vitesse;
    if (has_inter_maj(nx, ny, v.id, faces, index)) {
      try_best_move(v, cap, faces, index);
    } else {
      v.x = nx;
      v.y = ny;
    }
    index.deplace(k, v.x, v.y);
  }
}

}  // namespace

bool has_inter_maj(double x, double y, std::int64_t id, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index) {
  return geometry::inter_cubes(x, y, faces) || geometry::inter_plateau(x, y) ||
         geometry::inter_vaisseau(x, y, id, index);
}

void try_best_move(world::vaisseau& v, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index) {
  try_best_move(v, sinus_cosinus(v.angle), faces, index);
}

void try_best_move(world::vaisseau& v, SinusCosinus cap, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index) {
  const int n = static_cast<int>(0.5 + std::fabs(v.vitesse));
  const double dx = cap.cosinus * v.vitesse;
  const double dy = cap.sinus * v.vitesse;
  std::optional<geometry::point> meilleure;
  double meilleur_score = 0.0;
  for (int i = -n; i <= n; ++i) {
    for (int j = -n; j <= n; ++j) {
      if (i == 0 && j == 0) continue;
      const double score = j * dy + i * dx;
      // Only a candidate that would improve the best is worth a collision test.
      if (meilleure && !(score > meilleur_score)) continue;
      const geometry::point candidate{v.x + i, v.y + j};
      if (has_inter_maj(candidate.x, candidate.y, v.id, faces, index)) continue;
      meilleure = candidate;
      meilleur_score = score;
    }
  }
  if (!meilleure) return;
  v.x = meilleure->x;
  v.y = meilleure->y;
}

void mise_a_jour_vaisseaux(world::Monde& monde, Direction direction) {
  monde.index_vaisseaux.reconstruit(monde.vaisseaux);
  maj(monde.vaisseaux, monde.grille, monde.index_vaisseaux, direction);
}

}  // namespace simulation
