// The tick: the world moves by itself, at most 40 times a second.
#pragma once

#include "world/monde.h"

namespace tick {

// What one update does to the world: the bullet pass, then the ship pass.
void avance(world::Monde& monde) REQUIRES(monde.verrou);

// One update. An exception in it is reported on standard error and goes no
// further.
void avance_protegee(world::Monde& monde, void (*passes)(world::Monde&) = &avance)
    REQUIRES(monde.verrou);

// One update under verrou, protected as above; the lock is released in every
// case. Tests may pass other passes in.
void tick(world::Monde& monde, void (*passes)(world::Monde&) = &avance) EXCLUDES(monde.verrou);

// The body of the tick thread: tick, then sleep `periode` without the lock, forever.
[[noreturn]] void mise_a_jour(world::Monde& monde);

}  // namespace tick
