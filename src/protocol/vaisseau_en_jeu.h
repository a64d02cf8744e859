// Ties a ship to the connection that registered it: whatever way the
// connection ends, its ship leaves the world, exactly once.
#pragma once

#include <cstdint>
#include <utility>

#include "world/monde.h"

namespace protocol {

class VaisseauEnJeu {
 public:
  VaisseauEnJeu(world::Monde& monde, std::int64_t couleur) : monde_(&monde), couleur_(couleur) {}
  ~VaisseauEnJeu() { retire(); }
  VaisseauEnJeu(VaisseauEnJeu&& autre) noexcept
      : monde_(std::exchange(autre.monde_, nullptr)), couleur_(autre.couleur_) {}
  VaisseauEnJeu& operator=(VaisseauEnJeu&&) = delete;
  VaisseauEnJeu(const VaisseauEnJeu&) = delete;
  VaisseauEnJeu& operator=(const VaisseauEnJeu&) = delete;

  // Takes verrou and removes the first ship of the colour, if there is one.
  void retire();
  // Lets the ship go without touching the world, for a ship that was removed
  // under verrou already: a later removal could take a new player's ship of
  // the same colour.
  void oublie() { monde_ = nullptr; }

 private:
  world::Monde* monde_;  // null once removed or moved from
  std::int64_t couleur_;
};

}  // namespace protocol
