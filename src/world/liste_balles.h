// The bullets in flight, newest first, as ListeRecente keeps ships, with two
// differences that matter at tens of thousands of bullets:
// - the number each colour has in flight is kept in step with every bullet
//   added and removed, for the fire action's cap: counting the list instead
//   would cost a pass over every bullet per shot, under verrou;
// - a removal pass leaves the room it frees at the tail end of the storage,
//   for later additions, instead of moving every remaining bullet down.
//
// Bullets are added and removed only through this type, so the counts cannot
// drift; outside it they are read-only, except for the positions that
// `retire_si` lets the flight update. Like ListeRecente, the list counts its
// changes in `version()`, so a text composed from it can tell it is stale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "world/elements.h"
#include "world/version.h"

namespace world {

class ListeBalles {
 public:
  // Iteration runs in list order: from the newest bullet to the oldest.
  auto begin() const { return elements_.rbegin(); }
  auto end() const { return std::make_reverse_iterator(elements_.cbegin() + debut_); }
  std::size_t taille() const { return elements_.size() - debut_; }
  bool vide() const { return taille() == 0; }
  // Changes whenever the list or one of its bullets may have changed.
  std::uint64_t version() const { return version_.valeur(); }
  // Bullet i in list order; 0 is the head (newest).
  const balle& operator[](std::size_t i) const { return elements_[elements_.size() - 1 - i]; }

  // Bullets of colour `id` in flight.
  std::size_t en_vol(std::int64_t id) const {
    const auto trouve = par_couleur_.find(id);
    return trouve == par_couleur_.end() ? 0 : trouve->second;
  }

  void ajoute_en_tete(const balle& b);

  // Visits the bullets in list order and drops those for which `retirer` is
  // true; the others keep their order. `retirer` may move the bullet (x and y,
  // nothing else) and is called exactly once per bullet, head first. Never
  // allocates.
  template <typename Predicat>
  void retire_si(Predicat retirer) {
    version_.avance();
    auto garde = elements_.rbegin();
    const auto fin = elements_.rend() - static_cast<std::ptrdiff_t>(debut_);
    for (auto it = elements_.rbegin(); it != fin; ++it) {
      const std::int64_t id = it->id;
      if (retirer(*it)) {
        decompte(id);
        continue;
      }
      if (garde != it) *garde = *it;
      ++garde;
    }
    debut_ = static_cast<std::size_t>(elements_.rend() - garde);
  }

  void vide_tout() {
    version_.avance();
    elements_.clear();
    debut_ = 0;
    par_couleur_.clear();
  }

 private:
  // A colour's entry goes with its last bullet, so the table never holds more
  // colours than there are bullets.
  void decompte(std::int64_t id) {
    const auto trouve = par_couleur_.find(id);
    if (--trouve->second == 0) par_couleur_.erase(trouve);
  }

  // Oldest first, so the head is at the back; the slots before `debut_` are
  // free room left by removals.
  std::vector<balle> elements_;
  std::size_t debut_ = 0;
  std::unordered_map<std::int64_t, std::size_t> par_couleur_;
  Version version_;
};

}  // namespace world
