// Planar primitives and the gathering of the cube faces near a point. Pure
// functions: they read their arguments (and the grid) and change nothing.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>

#include "world/grille.h"

namespace geometry {

struct point {
  double x;
  double y;
};

// A segment from `debut` to `fin`; as a cube face, either constant x with the
// smaller y first, or constant y with the smaller x first.
struct segment {
  point debut;
  point fin;
};

// The faces near a point: at most 36 (9 cells, 4 faces each), held without
// touching the heap. Iteration runs in list order, the face found last first.
class Faces {
 public:
  static constexpr std::size_t capacite = 36;

  void ajoute_en_tete(const segment& face) { faces_[taille_++] = face; }
  auto begin() const { return std::make_reverse_iterator(faces_.begin() + taille_); }
  auto end() const { return faces_.rend(); }
  std::size_t taille() const { return taille_; }
  bool vide() const { return taille_ == 0; }
  const segment& operator[](std::size_t i) const { return faces_[taille_ - 1 - i]; }

 private:
  std::array<segment, capacite> faces_;
  std::size_t taille_ = 0;
};

// Side of p relative to the directed line a -> b: 1 left (counter-clockwise),
// -1 right, 0 when the cross product is within `epsilon` (or not a number).
int left(point a, point b, point p);

// Whether p lies within the span of segment a-b: compares x for a non-vertical
// segment, y for a vertical one, bounds included, no tolerance.
bool between(point a, point b, point p);

// Whether segments p1-p2 and p3-p4 share a point, with the tolerance of `left`.
bool intersect_segment(point p1, point p2, point p3, point p4);

// The exposed faces of the cubes in the 3 x 3 cells around (x, y) that can face
// the point's cell; faces shared by two cubes are never returned. Reads only
// `grille`. A point off the board gets no faces.
Faces get_cube_inter_segments(const world::Grille& grille, double x, double y);

}  // namespace geometry
