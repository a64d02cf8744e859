// Placing a newly registered player's ship. Expects the caller to hold verrou.
#pragma once

#include <cstdint>

#include "config/configuration.h"
#include "world/monde.h"

enum class Spawn {
  Cree,             // the ship is the new head of `vaisseaux`
  CouleurUtilisee,  // a ship of this colour is in play; nothing drawn, nothing changed
  PasDePlace,       // no free position among `essais` candidates; nothing changed
};

// Draws a heading, then candidate positions (x before y) until one is clear of
// the cubes, the board's edge and the other ships, at most `essais` of them so
// that the caller can release verrou and try again later instead of freezing
// the world on a full board. The new ship has speed 0 and pt_vie_max.
Spawn cree_vaisseau(Monde& monde, std::int64_t id,
                    int essais = Configuration::essais_spawn_par_verrou);
