// A list kept newest first, the order in which ships and bullets are listed to
// clients and in which the game handles them. Adding at the head is O(1); every
// removal keeps the order of the elements that remain.
//
// The list counts its changes: every non-const access bumps `version()`, so a
// text composed from the list can tell that it is stale without anyone having
// to remember to say so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/version.h"

namespace world {

template <typename T>
class ListeRecente {
 public:
  // Iteration runs in list order: from the newest element to the oldest.
  auto begin() {
    version_.avance();
    return elements_.rbegin();
  }
  auto end() { return elements_.rend(); }
  auto begin() const { return elements_.rbegin(); }
  auto end() const { return elements_.rend(); }

  std::size_t taille() const { return elements_.size(); }
  bool vide() const { return elements_.empty(); }
  // Changes whenever the list or one of its elements may have changed.
  std::uint64_t version() const { return version_.valeur(); }

  // Element i in list order; 0 is the head (newest).
  T& operator[](std::size_t i) {
    version_.avance();
    return elements_[elements_.size() - 1 - i];
  }
  const T& operator[](std::size_t i) const { return elements_[elements_.size() - 1 - i]; }

  void ajoute_en_tete(const T& element) {
    version_.avance();
    elements_.push_back(element);
  }

  // Visits the elements in list order and drops those for which `retirer` is
  // true; the others keep their order. `retirer` may have side effects: it is
  // called exactly once per element, head first.
  template <typename Predicat>
  void retire_si(Predicat retirer) {
    version_.avance();
    auto garde = elements_.rbegin();
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
      if (retirer(*it)) continue;
      if (garde != it) *garde = std::move(*it);
      ++garde;
    }
    elements_.erase(elements_.begin(), garde.base());
  }

  // Drops the first element, from the head, for which `correspond` is true.
  template <typename Predicat>
  bool retire_premier(Predicat correspond) {
    version_.avance();
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
      if (correspond(*it)) {
        elements_.erase(std::next(it).base());
        return true;
      }
    }
    return false;
  }

  void vide_tout() {
    version_.avance();
    elements_.clear();
  }

 private:
  std::vector<T> elements_;  // oldest first, so the head is at the back
  Version version_;
};

}  // namespace world
