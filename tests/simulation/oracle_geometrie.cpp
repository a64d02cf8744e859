// The reference geometry: segments, face gathering and collision queries.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "simulation/oracle.h"
#include "world/constantes.h"

namespace oracle {

namespace {

constexpr double r = config::rayon_vaisseau;
constexpr int t = static_cast<int>(config::taille_cube);

face face_de_x_constant(int x, int y0) {
  const double fx = static_cast<double>(x);
  const double fy = static_cast<double>(y0);
  return {{fx, fy}, {fx, fy + config::taille_cube - 1.0}};
}

face face_de_y_constant(int x0, int y) {
  const double fx = static_cast<double>(x0);
  const double fy = static_cast<double>(y);
  return {{fx, fy}, {fx + config::taille_cube - 1.0, fy}};
}

// a + b as the rounded sum and its rounding error, which add up to it exactly
// (Knuth's two-sum, exact whenever the sum does not overflow).
struct Deux {
  double haut;
  double bas;
};

Deux somme_exacte(double a, double b) {
  const double s = a + b;
  const double b_pris = s - a;
  const double a_pris = s - b_pris;
  return {s, (a - a_pris) + (b - b_pris)};
}

Deux difference(double a, double b) { return somme_exacte(a, -b); }

// The rounded product and its error, exact unless the error underflows, far
// below the differences of board coordinates.
Deux produit_exact(double a, double b) {
  const double p = a * b;
  return {p, std::fma(a, b, -p)};
}

// An exact sum of doubles held as an expansion: components whose bits do not
// overlap, smallest first, so the largest non-zero one carries the sign.
class Somme {
 public:
  void ajoute(double terme) {
    std::size_t gardees = 0;
    for (std::size_t i = 0; i < n_; ++i) {
      const Deux s = somme_exacte(terme, composantes_[i]);
      terme = s.haut;
      if (s.bas != 0.0) composantes_[gardees++] = s.bas;
    }
    composantes_[gardees++] = terme;
    n_ = gardees;
  }

  void ajoute_produit(Deux u, Deux v) {
    for (const double x : {u.haut, u.bas})
      for (const double y : {v.haut, v.bas}) {
        const Deux p = produit_exact(x, y);
        ajoute(p.haut);
        ajoute(p.bas);
      }
  }

  // The sign of this sum plus `terme`.
  int signe_avec(double terme) const {
    Somme s = *this;
    s.ajoute(terme);
    for (std::size_t i = s.n_; i-- > 0;)
      if (s.composantes_[i] != 0.0) return s.composantes_[i] > 0.0 ? 1 : -1;
    return 0;
  }

 private:
  std::array<double, 17> composantes_{};  // two products of two-term factors, and one term
  std::size_t n_ = 0;
};

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

bool contient(const world::cube& k, point p) {
  return cote_passe({k.x_min, k.y_min}, {k.x_max, k.y_min}, p) &&
         cote_passe({k.x_max, k.y_min}, {k.x_max, k.y_max}, p) &&
         cote_passe({k.x_max, k.y_max}, {k.x_min, k.y_max}, p) &&
         cote_passe({k.x_min, k.y_max}, {k.x_min, k.y_min}, p);
}

bool dans_le_cube(const world::balle& b, const world::cube& k) {
  const double rb = config::rayon_balle;
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

// The orientation is the sign of the exact cross product of the inputs, not
// of a rounded one: every finite double is a dyadic rational, and the error-free
// sums and products below carry every bit. On the game's inputs, whose faces and
// probes are parallel to the axes, the server's rounded product lands on the
// same side of the tolerance unless the exact one lies within about 1e-17 of it.
int left(point a, point b, point p) {
  for (const double v : {a.x, a.y, b.x, b.y, p.x, p.y})
    if (!std::isfinite(v)) return 0;  // off the board, where no game goes
  Somme d;
  d.ajoute_produit(difference(b.x, a.x), difference(p.y, a.y));
  d.ajoute_produit(difference(b.y, a.y), difference(a.x, p.x));
  if (d.signe_avec(-world::epsilon) > 0) return 1;
  if (d.signe_avec(world::epsilon) < 0) return -1;
  return 0;
}

// Only the coordinate along which the segment extends is compared, as a
// closed interval; a vertical segment extends along y alone.
bool between(point a, point b, point p) {
  const bool vertical = a.x == b.x;
  const double debut = vertical ? a.y : a.x;
  const double fin = vertical ? b.y : b.x;
  const double v = vertical ? p.y : p.x;
  return std::min(debut, fin) <= v && v <= std::max(debut, fin);
}

// Two segments meet when each one's ends lie strictly on both sides of the
// other's line, or when an end of one lies on the other.
bool intersect_segment(point p1, point p2, point p3, point p4) {
  const auto de_part_et_d_autre = [](point a, point b, point c, point d) {
    const int cote_c = left(a, b, c);
    return cote_c != 0 && left(a, b, d) == -cote_c;
  };
  if (de_part_et_d_autre(p1, p2, p3, p4) && de_part_et_d_autre(p3, p4, p1, p2)) return true;
  const auto sur = [](point a, point b, point p) { return left(a, b, p) == 0 && between(a, b, p); };
  return sur(p1, p2, p3) || sur(p1, p2, p4) || sur(p3, p4, p1) || sur(p3, p4, p2);
}

std::vector<face> get_cube_inter_segments(const world::Grille& grille, double x, double y) {
  std::vector<face> trouvees;  // in the order found; the list is the reverse
  if (!(0.0 <= x && x < world::largeur_plateau && 0.0 <= y && y < world::hauteur_plateau))
    return trouvees;
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
  if (x + r >= world::largeur_plateau - 1.0) return true;
  if (y - r < 0.0) return true;
  return y + r >= world::hauteur_plateau - 1.0;
}

bool inter_vaisseau(const std::deque<world::vaisseau>& vaisseaux, double x, double y,
                    std::int64_t id) {
  for (const world::vaisseau& s : vaisseaux) {
    if (s.id == id) continue;
    if ((s.x - x) * (s.x - x) + (s.y - y) * (s.y - y) < 4.0 * (r * r)) return true;
  }
  return false;
}

bool inside_cube(double x, double y, const std::vector<world::cube>& cubes) {
  for (const world::cube& k : cubes)
    if (contient(k, {x, y})) return true;
  return false;
}

bool est_hors_jeu(const world::balle& b, const std::vector<world::cube>& cubes) {
  for (const world::cube& k : cubes)
    if (dans_le_cube(b, k)) return true;
  return false;
}

}  // namespace oracle
