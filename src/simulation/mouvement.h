// Ship motion with its collision response.
#pragma once

#include <cstdint>

#include "geometry/segments.h"
#include "trigo/trigo.h"
#include "world/index_vaisseaux.h"
#include "world/monde.h"

namespace simulation {

// The ship step of a tick: each ship, head first, moves by its speed along its
// heading, or jumps to the best free neighbouring position when that move
// collides. Each ship is written before the next is handled. Speed and heading
// never change here. `direction` gives (sin, cos) of a heading: the game's
// own functions, the same on every machine; a benchmark passes others.
using Direction = SinusCosinus (*)(double angle);
void mise_a_jour_vaisseaux(world::Monde& monde, Direction direction = &sinus_cosinus)
    REQUIRES(monde.verrou);

// Would a ship of this id at (x, y) touch one of `faces`, the board's edge or
// another ship (at the position `index` holds for it)?
bool has_inter_maj(double x, double y, std::int64_t id, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index);

// Moves `v` to the free integer offset around it, within trunc(0.5 + |v|) in x
// and y, that goes furthest along its motion; leaves it in place if none is free.
// `cap` is the sine and cosine of v's heading.
void try_best_move(world::vaisseau& v, SinusCosinus cap, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index);
void try_best_move(world::vaisseau& v, const geometry::Faces& faces,
                   const world::IndexVaisseaux& index);

}  // namespace simulation
