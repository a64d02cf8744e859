// Setting up matches for tests.
#pragma once

#include <cstdint>
#include <vector>

#include "match/partie.h"

// A ship put at the head of the list, told to the match as a spawn would be.
void place(world::Monde& monde, world::Observateur& partie, const world::vaisseau& v);

// Ships of these colours crowded at the board's centre, at rest and facing
// each other's way, told to the match as spawns would be.
void place_en_melee(world::Monde& monde, world::Observateur& partie,
                    const std::vector<std::int64_t>& couleurs);
