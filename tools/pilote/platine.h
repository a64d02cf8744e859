// Playing a replay: which instant is shown, whether it plays and how fast, and
// what each key does to that. Wall time is handed in, so no clock is read here.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pilote/touches.h"

inline constexpr double vitesses[] = {0.25, 0.5, 1.0, 2.0, 4.0, 8.0};
inline constexpr double secondes_par_saut = 10.0;  // [ and ]

class Platine {
 public:
  // `ticks`: the tick of each instant, ascending, at least one; `periode`: the
  // seconds of a tick at speed 1. Starts at the first instant, playing at 1x.
  Platine(std::vector<std::int64_t> ticks, double periode);

  std::size_t instant() const { return instant_; }
  std::int64_t tick() const { return ticks_[instant_]; }
  std::int64_t dernier_tick() const { return ticks_.back(); }
  double vitesse() const { return vitesses[vitesse_]; }
  bool en_lecture() const { return en_lecture_; }
  // The digits of a tick number being typed; empty when none.
  const std::string& saisie() const { return saisie_; }

  // False for the key that quits.
  bool appuie(const Appui& appui);
  // While playing, moves on by vitesse x duree / periode ticks; stops at the last instant.
  void avance(std::chrono::duration<double> duree);

 private:
  bool commande(const Appui& appui);
  void va(std::size_t instant);
  // The last instant at or before `tick`; the first when `tick` comes before it.
  void va_au_tick(std::int64_t tick);
  void pas(int sens);
  void bascule();

  std::vector<std::int64_t> ticks_;
  double periode_;
  std::size_t instant_ = 0;
  double position_;  // the tick played to, with the fraction since the instant shown
  std::size_t vitesse_ = 2;
  bool en_lecture_ = true;
  std::string saisie_;
};
