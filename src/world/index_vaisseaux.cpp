#include "world/index_vaisseaux.h"

namespace world {

void IndexVaisseaux::reconstruit(const ListeRecente<vaisseau>& vaisseaux) {
  // Only the cells of the previous ships can hold anything: clearing those
  // costs a few ships rather than the whole board.
  for (const Place& p : places_) tetes_[p.case_] = -1;
  places_.resize(vaisseaux.taille());
  for (std::size_t k = 0; k < places_.size(); ++k) {
    const vaisseau& v = vaisseaux[k];
    places_[k] = Place{v.x, v.y, v.id, -1, case_du_point(v.x, v.y)};
    lie(k);
  }
}

void IndexVaisseaux::deplace(std::size_t k, double x, double y) {
  Place& p = places_[k];
  p.x = x;
  p.y = y;
  const std::int16_t nouvelle = case_du_point(x, y);
  if (nouvelle == p.case_) return;
  delie(k);
  p.case_ = nouvelle;
  lie(k);
}

void IndexVaisseaux::lie(std::size_t k) {
  Place& p = places_[k];
  p.suivante = tetes_[p.case_];
  tetes_[p.case_] = static_cast<std::int32_t>(k);
}

void IndexVaisseaux::delie(std::size_t k) {
  std::int32_t* lien = &tetes_[places_[k].case_];
  while (*lien != static_cast<std::int32_t>(k)) lien = &places_[*lien].suivante;
  *lien = places_[k].suivante;
}

}  // namespace world
