// The reference geometry: segments, face gathering and collision queries.
#include <cmath>

#include "simulation/oracle.h"
#include "world/constantes.h"

namespace oracle {

namespace {

constexpr double r = Configuration::rayon_vaisseau;
constexpr int t = static_cast<int>(Configuration::taille_cube);

face face_de_x_constant(int x, int y0) {
  const double fx = static_cast<double>(x);
  const double fy = static_cast<double>(y0);
  return {{fx, fy}, {fx, fy + Configuration::taille_cube - 1.0}};
}

face face_de_y_constant(int x0, int y) {
  const double fx = static_cast<double>(x0);
  const double fy = static_cast<double>(y);
  return {{fx, fy}, {fx + Configuration::taille_cube - 1.0, fy}};
}

bool face_touchee(double x, double y, const face& f) {
  const double r2 = r * r;
  if ((x - f.s.x) * (x - f.s.x) + (y - f.s.y) * (y - f.s.y) <= r2) return true;
  if ((x - f.e.x) * (x - f.e.x) + (y - f.e.y) * (y - f.e.y) <= r2) return true;
  if (f.s.x == f.e.x) return intersect_segment(f.s, f.e, {x - r, y}, {x + r, y});
  return intersect_segment(f.s, f.e, {x, y - r}, {x, y + r});
}

bool cote_passe(point e, point f, point p) {
  return left(e, f, p) == 1 || (left(e, f, p) == 0 && between(e, f, p));
}

bool contient(const cube& k, point p) {
  return cote_passe({k.x_min, k.y_min}, {k.x_max, k.y_min}, p) &&
         cote_passe({k.x_max, k.y_min}, {k.x_max, k.y_max}, p) &&
         cote_passe({k.x_max, k.y_max}, {k.x_min, k.y_max}, p) &&
         cote_passe({k.x_min, k.y_max}, {k.x_min, k.y_min}, p);
}

bool dans_le_cube(const balle& b, const cube& k) {
  const double rb = Configuration::rayon_balle;
  const double cx = (k.x_min + k.x_max + 1.0) / 2.0;
  const double cy = (k.y_min + k.y_max + 1.0) / 2.0;
  point p;
  if (b.x == cx) {
    p = b.y >= cy ? point{b.x, b.y - rb} : point{b.x, b.y + rb};
  } else {
    const double m = (b.y - cy) / (b.x - cx);
    const double d = std::sqrt(rb * rb / (m * m + 1.0));
    p = b.x > cx ? point{b.x - d, b.y - m * d} : point{b.x + d, b.y + m * d};
  }
  return k.x_min <= p.x && p.x <= k.x_max && k.y_min <= p.y && p.y <= k.y_max;
}

}  // namespace

int left(point a, point b, point p) {
  const double d = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
  if (d > epsilon) return 1;
  if (d < -epsilon) return -1;
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

std::vector<face> get_cube_inter_segments(const Grille& grille, double x, double y) {
  std::vector<face> trouvees;  // in the order found; the list is the reverse
  if (!(0.0 <= x && x < largeur_plateau && 0.0 <= y && y < hauteur_plateau)) return trouvees;
  const int i = static_cast<int>(std::trunc(x)) / t;
  const int j = static_cast<int>(std::trunc(y)) / t;
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) {
      const int ci = i + di;
      const int cj = j + dj;
      if (!grille[ci + 1][cj + 1]) continue;
      if (di <= 0 && !grille[ci + 2][cj + 1])
        trouvees.push_back(face_de_x_constant(t * (ci + 1) - 1, t * cj));
      if (di >= 0 && !grille[ci][cj + 1]) trouvees.push_back(face_de_x_constant(t * ci, t * cj));
      if (dj <= 0 && !grille[ci + 1][cj + 2])
        trouvees.push_back(face_de_y_constant(t * ci, t * (cj + 1) - 1));
      if (dj >= 0 && !grille[ci + 1][cj]) trouvees.push_back(face_de_y_constant(t * ci, t * cj));
    }
  }
  return {trouvees.rbegin(), trouvees.rend()};
}

bool inter_cubes(double x, double y, const std::vector<face>& faces) {
  for (const face& f : faces)
    if (face_touchee(x, y, f)) return true;
  return false;
}

bool inter_plateau(double x, double y) {
  if (x - r < 0.0) return true;
  if (x + r >= largeur_plateau - 1.0) return true;
  if (y - r < 0.0) return true;
  return y + r >= hauteur_plateau - 1.0;
}

bool inter_vaisseau(const std::deque<vaisseau>& vaisseaux, double x, double y, std::int64_t id) {
  for (const vaisseau& s : vaisseaux) {
    if (s.id == id) continue;
    if ((s.x - x) * (s.x - x) + (s.y - y) * (s.y - y) < 4.0 * (r * r)) return true;
  }
  return false;
}

bool inside_cube(double x, double y, const std::vector<cube>& cubes) {
  for (const cube& k : cubes)
    if (contient(k, {x, y})) return true;
  return false;
}

bool est_hors_jeu(const balle& b, const std::vector<cube>& cubes) {
  for (const cube& k : cubes)
    if (dans_le_cube(b, k)) return true;
  return false;
}

}  // namespace oracle
