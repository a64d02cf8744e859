// The random cube field, built once at start-up.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "world/alea.h"
#include "world/elements.h"
#include "world/grille.h"
#include "world/monde.h"

namespace geometry {

// Draws `n` cubes in distinct cells, marks them in `grille` and returns them in
// list order (the cube drawn last first). Each attempt draws a column, then a
// row, and draws both again when the cell is taken. Throws Echec when n is
// negative ("cree_cubes : pas de cubes") or exceeds the number of cells.
std::vector<world::cube> cree_cubes(world::Grille& grille, world::Alea& alea, int n);

// A world whose generator starts from `graine`, with its nb_cubes cubes drawn
// by cree_cubes: every server's world, and the tests' full-size ones.
std::unique_ptr<world::Monde> cree_monde(std::uint64_t graine);

}  // namespace geometry
