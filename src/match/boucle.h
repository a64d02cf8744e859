// The tick thread of a match: ticks while the match runs, then hands its last
// changes to the file.
#pragma once

#include <atomic>

#include "match/mesures.h"
#include "match/partie.h"

namespace match {

// Returns once the match is over: by its rules, or when `interruption` is set.
// `passes` is the update, the world's own outside tests. With `mesures`, notes
// there how long each tick took and waited for verrou, and the world's size.
void joue(world::Monde& monde, Partie& partie, evenements::FileLots* file,
          const std::atomic<bool>& interruption, void (*passes)(world::Monde&) = nullptr,
          MesuresTick* mesures = nullptr);

}  // namespace match
