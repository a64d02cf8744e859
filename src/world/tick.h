// The tick: the world moves by itself, at most 40 times a second.
#pragma once

#include "world/monde.h"

// One update under verrou: the bullet pass, then the ship pass. An exception in
// either is reported on standard error; the lock is released in every case.
void tick(Monde& monde);

// The body of the tick thread: tick, then sleep `periode` without the lock, forever.
[[noreturn]] void mise_a_jour(Monde& monde);
