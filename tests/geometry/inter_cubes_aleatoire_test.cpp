// inter_cubes over the gathered faces, against a model of its own: a ship's
// disc touches the cubes when some exposed face is within 9.0 of its centre.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "geometry/collisions.h"
#include "geometry/modele_faces.h"
#include "geometry/segments.h"
#include "simulation/monde_de_test.h"

namespace {

// A cluster of cubes of random density around a random cell, edges of the
// board included.
Cellules grappe_aleatoire(std::mt19937_64& alea) {
  std::uniform_int_distribution<int> cellule(0, 63);
  std::uniform_real_distribution<double> densite(0.15, 0.75);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int ci = cellule(alea), cj = cellule(alea);
  const double p = densite(alea);
  Cellules cellules;
  for (int i = std::max(0, ci - 3); i <= std::min(63, ci + 3); ++i)
    for (int j = std::max(0, cj - 3); j <= std::min(63, cj + 3); ++j)
      if (u(alea) < p) cellules.insert({i, j});
  return cellules;
}

// Half the points anywhere around the cluster, half about 9 units from a
// random point of a face, where a wrong comparison or a missing face shows.
std::pair<double, double> point_aleatoire(std::mt19937_64& alea, const Cellules& cellules,
                                          const std::vector<FaceModele>& faces) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  auto sur_le_plateau = [](double v) { return std::clamp(v, 0.0, std::nextafter(1408.0, 0.0)); };
  if (faces.empty() || u(alea) < 0.5) {
    auto it = cellules.begin();
    std::advance(it, static_cast<long>(u(alea) * static_cast<double>(cellules.size())));
    return {sur_le_plateau(22.0 * it->first + (u(alea) * 110.0 - 44.0)),
            sur_le_plateau(22.0 * it->second + (u(alea) * 110.0 - 44.0))};
  }
  const FaceModele& f =
      faces[static_cast<std::size_t>(u(alea) * static_cast<double>(faces.size()))];
  const double t = u(alea) * 1.2 - 0.1;
  const double angle = u(alea) * 6.283185307179586;
  const double r = 9.0 + (u(alea) * 2.0 - 1.0);
  return {sur_le_plateau(f.x0 + t * (f.x1 - f.x0) + r * std::cos(angle)),
          sur_le_plateau(f.y0 + t * (f.y1 - f.y0) + r * std::sin(angle))};
}

TEST(InterCubesAleatoire, AgreesWithTheDistanceToTheExposedFaces) {
  std::mt19937_64 alea(20240611);
  int touches = 0, libres = 0, ignores = 0;
  for (int grille_no = 0; grille_no < 300; ++grille_no) {
    const Cellules cellules = grappe_aleatoire(alea);
    if (cellules.empty()) continue;
    world::Monde monde(1);
    for (auto [i, j] : cellules) place_cube(monde, {i, j});
    const std::vector<FaceModele> faces = faces_exposees(cellules);
    for (int k = 0; k < 300; ++k) {
      const auto [x, y] = point_aleatoire(alea, cellules, faces);
      const double d = distance_minimale(faces, x, y);
      // Within 0.01 of the radius the tolerance of the segment test decides.
      if (std::fabs(d - 9.0) < 0.01) {
        ++ignores;
        continue;
      }
      const bool attendu = d <= 9.0;
      const bool obtenu =
          geometry::inter_cubes(x, y, geometry::get_cube_inter_segments(monde.grille, x, y));
      ASSERT_EQ(obtenu, attendu) << "point (" << x << ", " << y << "), nearest face at " << d
                                 << ", grid " << grille_no;
      attendu ? ++touches : ++libres;
    }
  }
  // Both answers must have been exercised many times.
  EXPECT_GT(touches, 10000);
  EXPECT_GT(libres, 10000);
  EXPECT_LT(ignores, 2000);
}

}  // namespace
