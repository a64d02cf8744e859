#include "geometry/segments.h"

#include "world/constantes.h"

namespace geometry {

int left(point a, point b, point p) {
  const double d = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
  if (d > world::epsilon) return 1;
  if (d < -world::epsilon) return -1;
  return 0;
}

bool between(point a, point b, point p) {
  if (a.x != b.x) return (a.x <= p.x && p.x <= b.x) || (a.x >= p.x && p.x >= b.x);
  return (a.y <= p.y && p.y <= b.y) || (a.y >= p.y && p.y >= b.y);
}

bool intersect_segment(point p1, point p2, point p3, point p4) {
  const int d1 = left(p1, p2, p3);
  const int d2 = left(p1, p2, p4);
  const int d3 = left(p3, p4, p1);
  const int d4 = left(p3, p4, p2);
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  if (d1 == 0 && between(p1, p2, p3)) return true;
  if (d2 == 0 && between(p1, p2, p4)) return true;
  if (d3 == 0 && between(p3, p4, p1)) return true;
  if (d4 == 0 && between(p3, p4, p2)) return true;
  return false;
}

namespace {

constexpr int t = static_cast<int>(config::taille_cube);

// Faces run along a cube side from a multiple of t to that multiple plus 21.
segment face_x(int x, int y0) {
  const double y = y0;
  return {{static_cast<double>(x), y}, {static_cast<double>(x), y + config::taille_cube - 1.0}};
}

segment face_y(int x0, int y) {
  const double x = x0;
  return {{x, static_cast<double>(y)}, {x + config::taille_cube - 1.0, static_cast<double>(y)}};
}

// The faces of the cube in cell (ci, cj) that can face a point `di`, `dj`
// cells away and have no cube standing against them.
void ajoute_faces_du_cube(const world::Grille& grille, int ci, int cj, int di, int dj,
                          Faces& faces) {
  const int gi = ci + 1;  // grid indices are shifted by the border ring
  const int gj = cj + 1;
  if (di <= 0 && !grille[gi + 1][gj]) faces.ajoute_en_tete(face_x(t * (ci + 1) - 1, t * cj));
  if (di >= 0 && !grille[gi - 1][gj]) faces.ajoute_en_tete(face_x(t * ci, t * cj));
  if (dj <= 0 && !grille[gi][gj + 1]) faces.ajoute_en_tete(face_y(t * ci, t * (cj + 1) - 1));
  if (dj >= 0 && !grille[gi][gj - 1]) faces.ajoute_en_tete(face_y(t * ci, t * cj));
}

}  // namespace

Faces get_cube_inter_segments(const world::Grille& grille, double x, double y) {
  Faces faces;
  // Callers pass ship centres, always on the board; anything else would index
  // outside the grid, so it gets no faces.
  if (!(x >= 0.0 && x < world::largeur_plateau && y >= 0.0 && y < world::hauteur_plateau))
    return faces;
  const int i = static_cast<int>(x) / t;
  const int j = static_cast<int>(y) / t;
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) {
      const int ci = i + di;
      const int cj = j + dj;
      if (grille[ci + 1][cj + 1]) ajoute_faces_du_cube(grille, ci, cj, di, dj, faces);
    }
  }
  return faces;
}

}  // namespace geometry
