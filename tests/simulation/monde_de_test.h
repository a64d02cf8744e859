// Small worlds for tests: a seeded generator, cubes at chosen cells with the
// grid kept in agreement, ships and bullets added in a given order (each one
// becomes the new head, as in the game).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "world/monde.h"

// A board cell: column i and row j, both in 0..63.
struct Case {
  int i;
  int j;
};

// Puts a cube in each cell (the last one given ends at the head of `cubes`)
// and marks the cells in `grille`.
void place_cubes(world::Monde& monde, std::initializer_list<Case> cases);
void place_cube(world::Monde& monde, Case c);

// A ship at rest facing angle 0 with full life points unless told otherwise.
world::vaisseau vaisseau_en(double x, double y, std::int64_t id, double angle = 0.0,
                            double vitesse = 0.0, std::int64_t pt_vie = 5);

// Each element added becomes the head: pass them oldest first.
void ajoute_vaisseaux(world::Monde& monde, std::initializer_list<world::vaisseau> vaisseaux);
void ajoute_balles(world::Monde& monde, std::initializer_list<world::balle> balles);

// The lists in list order, head first.
std::vector<world::vaisseau> en_ordre(const world::ListeRecente<world::vaisseau>& liste);
std::vector<world::balle> en_ordre(const world::ListeBalles& liste);

// A world with the game's 200 random cubes, built from `graine`, and nothing else.
std::unique_ptr<world::Monde> monde_avec_cubes(std::uint64_t graine);
