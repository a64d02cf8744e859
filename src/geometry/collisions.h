// Collision queries of a ship's disc (radius rayon_vaisseau) centred at (x, y).
// Pure yes/no answers; squared distances throughout, no square root.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/segments.h"
#include "world/elements.h"
#include "world/index_vaisseaux.h"

namespace geometry {

// Does the disc touch one of `faces`? An end within the radius (inclusive), or
// the perpendicular diameter crossing the face.
bool inter_cubes(double x, double y, const Faces& faces);

// Does the disc reach the board's edge? Clear exactly when 9 <= x < 1398 and
// 9 <= y < 1398: the low edges at 0 may be touched, the high ones at 1407 not.
bool inter_plateau(double x, double y);

// Does the disc overlap another ship (centres strictly closer than 18)? Ships
// with id `id` are skipped. Asks the index, at the positions it holds, and only
// about the ships near (x, y): the answer is the same as over the whole list.
bool inter_vaisseau(double x, double y, std::int64_t id, const world::IndexVaisseaux& index);

// Does the point lie inside one of the cubes (sides included, with the
// tolerance of `left` across each side)?
bool inside_cube(double x, double y, std::span<const world::cube> cubes);

}  // namespace geometry
