// A player's steering actions.
#pragma once

#include <cstdint>

#include "world/monde.h"

namespace simulation {

enum class action { Tire = 0, Gauche = 1, Droite = 2, Accelere = 3, Decelere = 4, Quitte = 5 };

// The first ship of `vaisseaux` with this id, from the head. Throws Echec
// ("traite_action_joueur : joueur non trouve") when there is none.
world::vaisseau& get_joueur(world::ListeRecente<world::vaisseau>& vaisseaux, std::int64_t id);

// Applies the action to the ship of colour `id`. A colour without a ship, a
// shot beyond max_balles_par_vaisseau bullets in flight, and any action while
// the world's actions are frozen, change nothing. Never throws.
void traite_action_joueur(world::Monde& monde, std::int64_t id, action a) REQUIRES(monde.verrou);

}  // namespace simulation
