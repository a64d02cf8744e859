#include "geometry/modele_faces.h"

#include <algorithm>
#include <cmath>
#include <limits>

Cellules cellules_des_cubes(const std::vector<world::cube>& cubes) {
  Cellules cellules;
  for (const world::cube& k : cubes)
    cellules.insert({static_cast<int>(k.x_min / 22.0), static_cast<int>(k.y_min / 22.0)});
  return cellules;
}

std::vector<FaceModele> faces_exposees(const Cellules& cellules) {
  std::vector<FaceModele> faces;
  auto libre = [&](int i, int j) { return !cellules.contains({i, j}); };
  for (auto [i, j] : cellules) {
    const double bas_x = 22.0 * i, haut_x = 22.0 * i + 21.0;
    const double bas_y = 22.0 * j, haut_y = 22.0 * j + 21.0;
    if (libre(i - 1, j)) faces.push_back({bas_x, bas_y, bas_x, haut_y});
    if (libre(i + 1, j)) faces.push_back({haut_x, bas_y, haut_x, haut_y});
    if (libre(i, j - 1)) faces.push_back({bas_x, bas_y, haut_x, bas_y});
    if (libre(i, j + 1)) faces.push_back({bas_x, haut_y, haut_x, haut_y});
  }
  return faces;
}

double distance_minimale(const std::vector<FaceModele>& faces, double x, double y) {
  double d = std::numeric_limits<double>::infinity();
  for (const FaceModele& f : faces) {
    const double px = std::clamp(x, f.x0, f.x1);
    const double py = std::clamp(y, f.y0, f.y1);
    d = std::min(d, std::hypot(x - px, y - py));
  }
  return d;
}
