// Bullets: flight, impacts on ships, and the removal of ships.
// Every function here expects the caller to hold `verrou`.
#pragma once

#include <cstdint>

#include "world/monde.h"

// The bullet step of a tick: flight, then impacts.
void mise_a_jour_balles(Monde& monde);

// Removes the first ship of `vaisseaux` with this id; does nothing when there is none.
void detruit_vaisseau(Monde& monde, std::int64_t id);
