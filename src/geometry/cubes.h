// The random cube field, built once at start-up.
#pragma once

#include <vector>

#include "world/alea.h"
#include "world/elements.h"
#include "world/grille.h"

// Draws `n` cubes in distinct cells, marks them in `grille` and returns them in
// list order (the cube drawn last first). Each attempt draws a column, then a
// row, and draws both again when the cell is taken. Throws Echec when n is
// negative ("cree_cubes : pas de cubes") or exceeds the number of cells.
std::vector<cube> cree_cubes(Grille& grille, Alea& alea, int n);
