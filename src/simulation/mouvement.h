// Ship motion with its collision response. Expects the caller to hold `verrou`.
#pragma once

#include "world/monde.h"

// The ship step of a tick: every ship, head first, moves by its speed or jumps
// to the best free neighbouring position.
void mise_a_jour_vaisseaux(Monde& monde);
