// Placing a newly registered player's ship.
#pragma once

#include <cstdint>

#include "config/configuration.h"
#include "world/monde.h"

namespace simulation {

enum class Spawn {
  Cree,             // the ship is the new head of `vaisseaux`
  CouleurUtilisee,  // a ship of this colour is in play, or the observer refuses the
                    // colour; nothing drawn, nothing changed
  PasDePlace,       // no free position among `essais` candidates; nothing changed
};

// Is (x, y) free for a new ship of this id: clear of the cubes' faces, of the
// board's edge (as inter_plateau tells it), of the other ships, and outside
// every cube? The ship index must be current.
bool position_libre(const world::Monde& monde, double x, double y, std::int64_t id)
    REQUIRES(monde.verrou);

// Draws a heading, then candidate positions (x before y) until one is clear of
// the cubes, the board's edge and the other ships, at most `essais` of them so
// that the caller can release verrou and try again later instead of freezing
// the world on a full board. The new ship has speed 0 and pt_vie_max.
Spawn cree_vaisseau(world::Monde& monde, std::int64_t id,
                    int essais = config::essais_spawn_par_verrou) REQUIRES(monde.verrou);

}  // namespace simulation
