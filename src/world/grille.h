// Cell occupancy of the cube field. grille[i + 1][j + 1] is true when board cell
// (column i, row j) holds a cube; index 0 and the last index form a border ring
// that is always false, so neighbour look-ups at the board's edge stay in bounds.
#pragma once

#include <array>

#include "world/constantes.h"

using Grille = std::array<std::array<bool, lignes_grille>, colonnes_grille>;
