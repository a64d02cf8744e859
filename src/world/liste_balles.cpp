#include "world/liste_balles.h"

namespace world {

void ListeBalles::ajoute_en_tete(const balle& b) {
  version_.avance();
  // When the vector is full and removals have freed at least half of it, the
  // bullets in flight move down into that room, in their order, instead of
  // the vector growing. Each such move is paid for by as many removals.
  if (elements_.size() == elements_.capacity() && 2 * debut_ >= elements_.size()) {
    elements_.erase(elements_.begin(), elements_.begin() + static_cast<std::ptrdiff_t>(debut_));
    debut_ = 0;
  }
  elements_.push_back(b);
  ++par_couleur_[b.id];
}

}  // namespace world
