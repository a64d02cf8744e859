// The changes of a match, as the recording and the spectators receive them:
// every change a list reply could show, in the order it happened, and the
// match's own events. One JSON line each in the recording (format.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "noms/noms.h"
#include "resultats/resultats.h"
#include "world/elements.h"
#include "world/observateur.h"

namespace evenements {

// A ship as listed: what "GET VAISSEAUX" shows of it.
struct VaisseauVu {
  double x;
  double y;
  double angle;
  std::int64_t pt_vie;
  std::int64_t couleur;
  friend bool operator==(const VaisseauVu&, const VaisseauVu&) = default;
};

// A bullet with its move per tick, from which its whole flight follows.
struct BalleVue {
  double x;
  double y;
  double pas_x;
  double pas_y;
  std::int64_t couleur;
  friend bool operator==(const BalleVue&, const BalleVue&) = default;
};

VaisseauVu vu(const world::vaisseau& v);
BalleVue vue(const world::balle& b);

// How the match was set up, for readers that show a countdown or a clock.
struct ParametresMatch {
  std::optional<int> joueurs;       // awaited before the start
  std::optional<double> attente_s;  // the longest wait for them
  std::optional<std::int64_t> duree_ticks;
  bool fin_survivant = false;  // ends when one ship is left
  friend bool operator==(const ParametresMatch&, const ParametresMatch&) = default;
};

struct EvEntete {
  std::uint64_t graine = 0;
  std::vector<world::cube> cubes;  // in list order
  noms::Noms noms;
  ParametresMatch match;
};
struct EvEnregistre {
  std::int64_t tick;
  VaisseauVu v;
};
struct EvDebut {
  std::int64_t tick;
};
struct EvTourne {
  std::int64_t couleur;
  double angle;
};
struct EvTir {
  BalleVue b;
};
struct EvTouche {
  std::int64_t tick;
  std::int64_t tireur;
  std::int64_t cible;
  std::int64_t pt_vie;
};
struct EvDetruit {
  std::int64_t tick;
  std::int64_t couleur;
  std::int64_t par;
};
struct EvPart {
  std::int64_t tick;
  std::int64_t couleur;
  world::Depart raison;
};
struct EvTick {
  std::int64_t n;
  std::vector<std::uint32_t> retirees;  // ranks before the tick, ascending
  std::vector<VaisseauVu> vaisseaux;    // the ship list after the tick
};
struct EvPerdu {
  std::int64_t de;
  std::int64_t a;
};
struct EvEtat {
  std::int64_t tick;
  std::vector<VaisseauVu> vaisseaux;  // list order
  std::vector<BalleVue> balles;       // list order
  std::vector<resultats::ResultatJoueur> joueurs;
};
struct EvFin {
  std::int64_t tick;
  resultats::RaisonFin raison;
  resultats::Resultats resultats;
};

using Evenement = std::variant<EvEntete, EvEnregistre, EvDebut, EvTourne, EvTir, EvTouche,
                               EvDetruit, EvPart, EvTick, EvPerdu, EvEtat, EvFin>;

// The changes handed from the tick to the writer in one go.
using Lot = std::vector<Evenement>;

}  // namespace evenements
