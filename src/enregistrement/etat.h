// The lists of a match rebuilt from its events: what "GET VAISSEAUX" and
// "GET BALLES" answered at each moment.
#pragma once

#include <cstdint>
#include <vector>

#include "enregistrement/evenements.h"

// True for the events after which the lists are those of a tick: the start
// (tick 0), a tick, and the full state that follows lost ticks.
bool est_un_instant(const Evenement& evenement);

class EtatRelu {
 public:
  // Applies one event; events must come in recording order.
  void applique(const Evenement& evenement);

  std::int64_t tick() const { return tick_; }
  // In list order, newest first.
  std::vector<VaisseauVu> vaisseaux() const;
  std::vector<BalleVue> balles() const;
  std::size_t nb_balles() const { return balles_.size(); }

 private:
  void applique_tick(const EvTick& t);

  std::int64_t tick_ = 0;
  // Oldest first, so the head is at the back, as in the world.
  std::vector<VaisseauVu> vaisseaux_;
  std::vector<BalleVue> balles_;
};
