// Every tunable value of the game, in one place. Other units read these by
// name and never repeat a literal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace config {

// Game rules. Lengths in board units, speeds in board units per tick.
inline constexpr double taille_cube = 22.0;  // side of a cube and of a grid cell
inline constexpr int nb_cubes = 200;
inline constexpr double rayon_vaisseau = 9.0;
inline constexpr double vitesse_max = 3.0;
inline constexpr double vitesse_min = -2.0;
inline constexpr double rayon_balle = 4.0;
inline constexpr double vitesse_balle = 3.5;
inline constexpr std::int64_t degats_balle = 1;
inline constexpr std::int64_t pt_vie_max = 5;

// Network and timing.
inline constexpr int port_defaut = 12345;
inline constexpr double periode = 1.0 / 40.0;  // seconds of sleep after each tick
inline constexpr int taille_file_attente = 5;  // listen backlog

// Set once by main from the command line, before any other thread starts.
inline bool debug = false;

// Limits that keep one client from hurting the others.
inline constexpr std::size_t max_balles_par_vaisseau = 1000;  // bullets in flight per colour
inline constexpr std::size_t longueur_max_ligne = 4096;       // bytes kept of one request line
inline constexpr std::size_t seuil_envoi_groupe = 64 * 1024;  // pending reply bytes sent at once
inline constexpr int delai_envoi_bloque_s = 60;  // a send without progress this long ends the link
inline constexpr int essais_spawn_par_verrou = 1000;  // spawn candidates per hold of the lock
inline constexpr std::size_t pile_thread_client = 256 * 1024;  // stack of a connection thread

}  // namespace config
