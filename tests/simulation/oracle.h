// The reference tick: a literal, unoptimised transcription of the game's rules,
// kept in the tests so that faster code can be checked against it bit for bit.
//
// It shares only the record types, the constants and the random draws with the
// server; its geometry, its passes and its list handling are its own. Lists are
// rebuilt whole by each pass and stored back, as the game describes them, with
// the head (the newest element) at index 0. Nothing here is fast: the bullet
// pass scans every cube for every bullet and every ship for every bullet.
//
// A differential test copies a server world with `copie`, runs the same
// actions, spawns and ticks on both, and compares them with
// `memes_vaisseaux_et_balles` (comparaison.h) after every step.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "world/alea.h"
#include "world/elements.h"
#include "world/grille.h"

namespace world {
struct Monde;  // the server's world, only read by `copie`
}  // namespace world

namespace oracle {

struct point {
  double x;
  double y;
};

// A cube face from s to e: constant x with the smaller y first, or constant y
// with the smaller x first.
struct face {
  point s;
  point e;
};

struct Monde {
  std::vector<world::cube> cubes;  // list order, the cube drawn last first
  world::Grille grille{};
  std::deque<world::vaisseau> vaisseaux;  // index 0 is the head, the newest ship
  std::deque<world::balle> balles;        // index 0 is the head, the newest bullet
  world::Alea alea;
};

// Everything a tick, an action or a spawn reads: cubes, grid, ships, bullets
// and the generator's state.
Monde copie(const world::Monde& monde);

// Planar primitives and collision queries.
int left(point a, point b, point p);
bool between(point a, point b, point p);
bool intersect_segment(point p1, point p2, point p3, point p4);
std::vector<face> get_cube_inter_segments(const world::Grille& grille, double x, double y);
bool inter_cubes(double x, double y, const std::vector<face>& faces);
bool inter_plateau(double x, double y);
bool inter_vaisseau(const std::deque<world::vaisseau>& vaisseaux, double x, double y,
                    std::int64_t id);
bool inside_cube(double x, double y, const std::vector<world::cube>& cubes);
bool est_hors_jeu(const world::balle& b, const std::vector<world::cube>& cubes);

// One tick: the bullet pass, then the ship pass.
void mise_a_jour(Monde& monde);
void mise_a_jour_balles(Monde& monde);
void mise_a_jour_vaisseaux(Monde& monde);
void detruit_vaisseau(Monde& monde, std::int64_t id);

// What players do between ticks.
enum class action { Tire, Gauche, Droite, Accelere, Decelere, Quitte };
enum class Spawn { Cree, CouleurUtilisee, PasDePlace };

void traite_action_joueur(Monde& monde, std::int64_t id, action a);
Spawn cree_vaisseau(Monde& monde, std::int64_t id, int essais);

}  // namespace oracle
