#include "geometry/collisions.h"

#include "world/constantes.h"

namespace geometry {

namespace {

constexpr double r = config::rayon_vaisseau;
constexpr double r2 = r * r;

bool touche_face(double x, double y, const segment& face) {
  const point s = face.debut;
  const point e = face.fin;
  if ((x - s.x) * (x - s.x) + (y - s.y) * (y - s.y) <= r2) return true;
  if ((x - e.x) * (x - e.x) + (y - e.y) * (y - e.y) <= r2) return true;
  // The disc's diameter perpendicular to the face.
  if (s.x == e.x) return intersect_segment(s, e, {x - r, y}, {x + r, y});
  return intersect_segment(s, e, {x, y - r}, {x, y + r});
}

// A side from e to f lets p through when p is on its inner (left) side, or on
// its line within the side's span.
bool cote_passe(point e, point f, point p) {
  const int cote = left(e, f, p);
  return cote == 1 || (cote == 0 && between(e, f, p));
}

bool dans_le_cube(const world::cube& c, point p) {
  const point a{c.x_min, c.y_min};
  const point b{c.x_max, c.y_min};
  const point h{c.x_max, c.y_max};
  const point d{c.x_min, c.y_max};
  return cote_passe(a, b, p) && cote_passe(b, h, p) && cote_passe(h, d, p) && cote_passe(d, a, p);
}

}  // namespace

bool inter_cubes(double x, double y, const Faces& faces) {
  for (const segment& face : faces)
    if (touche_face(x, y, face)) return true;
  return false;
}

bool inter_plateau(double x, double y) {
  return x - r < 0.0 || x + r >= world::largeur_plateau - 1.0 || y - r < 0.0 ||
         y + r >= world::hauteur_plateau - 1.0;
}

bool inter_vaisseau(double x, double y, std::int64_t id, const world::IndexVaisseaux& index) {
  return index.cherche(x, y, 2.0 * r, [&](const world::IndexVaisseaux::Place& v) {
    return v.id != id && (v.x - x) * (v.x - x) + (v.y - y) * (v.y - y) < 4.0 * r2;
  });
}

bool inside_cube(double x, double y, std::span<const world::cube> cubes) {
  for (const world::cube& c : cubes)
    if (dans_le_cube(c, {x, y})) return true;
  return false;
}

}  // namespace geometry
