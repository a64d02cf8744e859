// Values derived from the configuration, fixed for the life of the process.
#pragma once

#include "config/configuration.h"

namespace world {

inline constexpr double pas_angle = 0.05;    // radians per turn action
inline constexpr double pas_vitesse = 0.05;  // speed change per accelerate or decelerate action
inline constexpr double largeur_plateau = 64.0 * config::taille_cube;
inline constexpr double hauteur_plateau = 64.0 * config::taille_cube;
inline constexpr double epsilon = 0.05;  // tolerance of the orientation test, an area

// The grid has one cell per cube position plus a ring of always-empty cells around the board.
inline constexpr int colonnes_grille = static_cast<int>(largeur_plateau / config::taille_cube) + 2;
inline constexpr int lignes_grille = static_cast<int>(hauteur_plateau / config::taille_cube) + 2;

}  // namespace world
