// The lists of a match rebuilt from its events: what "GET VAISSEAUX" and
// "GET BALLES" answered at each moment.
#pragma once

#include <cstdint>
#include <vector>

#include "evenements/evenements.h"

namespace enregistrement {

// True for the events after which the lists are those of a tick: the start
// (tick 0), a tick, and the full state that follows lost ticks.
bool est_un_instant(const evenements::Evenement& evenement);

class EtatRelu {
 public:
  // Applies one event; events must come in recording order.
  void applique(const evenements::Evenement& evenement);
  void applique(const evenements::EvEnregistre& e);
  void applique(const evenements::EvDebut& d) { tick_ = d.tick; }
  void applique(const evenements::EvTourne& t);
  void applique(const evenements::EvTir& tir) { balles_.push_back(tir.b); }
  void applique(const evenements::EvPart& p);
  void applique(const evenements::EvTick& t);
  void applique(const evenements::EvEtat& etat);
  // The header, hits, destructions, gaps and the end change no list.
  void applique(const evenements::EvEntete&) {}
  void applique(const evenements::EvTouche&) {}
  void applique(const evenements::EvDetruit&) {}
  void applique(const evenements::EvPerdu&) {}
  void applique(const evenements::EvFin&) {}

  std::int64_t tick() const { return tick_; }
  // In list order, newest first.
  std::vector<evenements::VaisseauVu> vaisseaux() const;
  std::vector<evenements::BalleVue> balles() const;
  std::size_t nb_balles() const { return balles_.size(); }
  std::size_t nb_vaisseaux() const { return vaisseaux_.size(); }
  // Bytes held by the lists.
  std::size_t octets() const {
    return vaisseaux_.size() * sizeof(evenements::VaisseauVu) +
           balles_.size() * sizeof(evenements::BalleVue);
  }

 private:
  std::int64_t tick_ = 0;
  // Oldest first, so the head is at the back, as in the world.
  std::vector<evenements::VaisseauVu> vaisseaux_;
  std::vector<evenements::BalleVue> balles_;
};

}  // namespace enregistrement
