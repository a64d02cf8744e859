// What the client knows beyond one snapshot: its speed, the ticks it has seen,
// the round-trip time, and the status lines that show them. No terminal here.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commun/reponses.h"

using Horloge = std::chrono::steady_clock;
using Instant = Horloge::time_point;

enum class Action { Tire, Gauche, Droite, Accelere, Decelere };
inline constexpr int nb_actions = 5;

// The request line of an action, without CR LF.
std::string_view commande_de(Action action);

// The speed after one of the player's own actions, clamped as the server does.
double vitesse_apres(double vitesse, Action action);

// One poll of the world: the two lists as the server sent them.
struct Releve {
  std::vector<commun::VaisseauVu> vaisseaux;
  std::vector<commun::BalleVue> balles;
};

// True when only a tick can explain the difference: a ship moved or lost life
// points, or a bullet moved or went. Turns and new bullets come from players'
// actions at any moment, and do not count.
bool tick_entre(const Releve& avant, const Releve& apres);

// True when the two polls would not be drawn the same.
bool differents(const Releve& a, const Releve& b);

// The ticks seen so far, and their rate over the last second.
class CompteurTicks {
 public:
  void tick_vu(Instant quand);
  std::uint64_t numero() const { return numero_; }
  std::optional<Instant> dernier() const;
  // Nothing until two ticks have been seen within the last second.
  std::optional<double> par_seconde(Instant maintenant) const;

 private:
  std::deque<Instant> recents_;
  std::uint64_t numero_ = 0;
};

// A smoothed round-trip time, weighted 1/8 towards each new measure.
class AllerRetour {
 public:
  void mesure(Horloge::duration duree);
  std::optional<double> millisecondes() const { return moyenne_ms_; }

 private:
  std::optional<double> moyenne_ms_;
};

// Everything the two status lines show.
struct Tableau {
  std::int64_t couleur = 0;
  bool detruit = false;
  std::int64_t pt_vie = 0;
  std::int64_t pt_vie_max = 0;
  double vitesse = 0.0;
  std::size_t vaisseaux = 0;
  std::size_t balles = 0;
  std::optional<double> ticks_par_seconde;
  std::optional<double> aller_retour_ms;
};

// The figures: life points, speed, ships, bullets, ticks per second, round trip.
std::string ligne_d_etat(const Tableau& tableau);
// The player's colour, then the keys, or what to do once the ship is destroyed.
std::string ligne_d_aide(const Tableau& tableau);
