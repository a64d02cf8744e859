// An independent model of what a ship's disc collides with: the exposed
// collision faces of the cubes, as plain segments, and the distance to them.
#pragma once

#include <set>
#include <utility>
#include <vector>

#include "world/elements.h"

// A face of the model: an axis-aligned segment from (x0, y0) to (x1, y1).
struct FaceModele {
  double x0, y0, x1, y1;
};

// Occupied board cells (column, row).
using Cellules = std::set<std::pair<int, int>>;

Cellules cellules_des_cubes(const std::vector<world::cube>& cubes);

// The collision faces of a cube are 21 units long, one unit in from its far
// sides; a side with a cube right against it is not exposed.
std::vector<FaceModele> faces_exposees(const Cellules& cellules);

// Distance from (x, y) to the nearest face; infinite when there is none.
double distance_minimale(const std::vector<FaceModele>& faces, double x, double y);
