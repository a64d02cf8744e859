// Cell occupancy of the cube field. grille[i + 1][j + 1] is true when board cell
// (column i, row j) holds a cube; index 0 and the last index form a border ring
// that is always false, so neighbour look-ups at the board's edge stay in bounds.
#pragma once

#include <array>
#include <cassert>

#include "world/constantes.h"

namespace world {

using Grille = std::array<std::array<bool, lignes_grille>, colonnes_grille>;

inline constexpr int colonnes_plateau = colonnes_grille - 2;
inline constexpr int lignes_plateau = lignes_grille - 2;

// The board column of a coordinate, 0 to 63, with anything off the board
// (NaN included) clamped to the nearest edge column. It never decreases when x
// grows, so a range of coordinates maps onto a range of columns.
inline int colonne_du_plateau(double x) {
  if (!(x >= 0.0)) return 0;
  if (x >= largeur_plateau) return colonnes_plateau - 1;
  // For x >= 0, trunc(x) / 22 in integers is exactly floor(x / 22).
  return static_cast<int>(x) / static_cast<int>(config::taille_cube);
}

// The board row of a coordinate, clamped like the column.
inline int ligne_du_plateau(double y) {
  if (!(y >= 0.0)) return 0;
  if (y >= hauteur_plateau) return lignes_plateau - 1;
  return static_cast<int>(y) / static_cast<int>(config::taille_cube);
}

// How far from a bullet's centre, on each axis, the point of its rim tested
// against a cube can lie: rayon_balle, plus rounding, far below the half unit.
inline constexpr double portee_sonde = config::rayon_balle + 0.5;

// The columns (or rows) that a segment [v - portee, v + portee] meets, v being
// in column c = colonne_du_plateau(v) and portee below a cell's width: column c
// and, when the segment reaches past it, the one on that side. The result may
// stray one column off the board (into the grid's border ring), never short of
// the columns the segment meets on the board.
struct Plage {
  int debut;
  int fin;
};

inline Plage plage_autour(double v, int c, double portee) {
  constexpr double cote = config::taille_cube;
  assert(portee < cote);
  // For v on the board, floor((v - portee) / cote) is c - 1 exactly when
  // v - portee < c * cote, and likewise on the other side: no division, no
  // rounding beyond that of the subtraction itself.
  return {c - static_cast<int>(v - portee < c * cote),
          c + static_cast<int>(v + portee >= (c + 1) * cote)};
}

}  // namespace world
