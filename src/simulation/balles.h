// Bullets: flight, impacts on ships, and the removal of ships.
#pragma once

#include <cstdint>

#include "world/grille.h"
#include "world/monde.h"

namespace simulation {

// The bullet step of a tick: every bullet flies, those that leave the board or
// enter a cube are dropped; then each remaining bullet, in list order, is tested
// against the ships and dropped if it hits one: the first ship in list order
// whose centre is strictly closer than 13 loses degats_balle, and is removed at
// 0 life points before the next bullet is tested.
void mise_a_jour_balles(world::Monde& monde) REQUIRES(monde.verrou);

// Has the bullet entered one of the cubes marked in `grille`? The point of its
// rim that faces a cube's reference point is tested against that cube, bounds
// included.
bool est_hors_jeu(const world::balle& b, const world::Grille& grille);

// Removes the first ship of `vaisseaux` with this id; does nothing when there is none.
void detruit_vaisseau(world::Monde& monde, std::int64_t id) REQUIRES(monde.verrou);

// A player leaves the game: detruit_vaisseau, told to the observer first.
void retire_joueur(world::Monde& monde, std::int64_t id, world::Depart depart)
    REQUIRES(monde.verrou);

}  // namespace simulation
