// The lists of a match rebuilt from its events: what "GET VAISSEAUX" and
// "GET BALLES" answered at each moment.
#pragma once

#include <cstdint>
#include <vector>

#include "evenements/evenements.h"

// True for the events after which the lists are those of a tick: the start
// (tick 0), a tick, and the full state that follows lost ticks.
bool est_un_instant(const Evenement& evenement);

class EtatRelu {
 public:
  // Applies one event; events must come in recording order.
  void applique(const Evenement& evenement);
  void applique(const EvEnregistre& e);
  void applique(const EvDebut& d) { tick_ = d.tick; }
  void applique(const EvTourne& t);
  void applique(const EvTir& tir) { balles_.push_back(tir.b); }
  void applique(const EvPart& p);
  void applique(const EvTick& t);
  void applique(const EvEtat& etat);
  // The header, hits, destructions, gaps and the end change no list.
  void applique(const EvEntete&) {}
  void applique(const EvTouche&) {}
  void applique(const EvDetruit&) {}
  void applique(const EvPerdu&) {}
  void applique(const EvFin&) {}

  std::int64_t tick() const { return tick_; }
  // In list order, newest first.
  std::vector<VaisseauVu> vaisseaux() const;
  std::vector<BalleVue> balles() const;
  std::size_t nb_balles() const { return balles_.size(); }
  std::size_t nb_vaisseaux() const { return vaisseaux_.size(); }
  // Bytes held by the lists.
  std::size_t octets() const {
    return vaisseaux_.size() * sizeof(VaisseauVu) + balles_.size() * sizeof(BalleVue);
  }

 private:
  std::int64_t tick_ = 0;
  // Oldest first, so the head is at the back, as in the world.
  std::vector<VaisseauVu> vaisseaux_;
  std::vector<BalleVue> balles_;
};
