#include "world/cibles.h"

#include <algorithm>

void Cibles::reconstruit(const ListeRecente<vaisseau>& vaisseaux) {
  // Only the cells around the previous ships can hold anything.
  for (std::int32_t c : cases_) autour(c, [&](std::int32_t voisine) { tetes_[voisine] = -1; });
  const std::size_t n = vaisseaux.taille();
  cases_.resize(n);
  ids_.resize(n);
  en_jeu_.assign(n, 1);
  maillons_.clear();
  retires_ = 0;
  couleurs_uniques_.reset();
  // From the tail, each link going in front of its cell's chain, so that
  // every chain runs in list order.
  for (std::size_t k = n; k-- > 0;) {
    const vaisseau& v = vaisseaux[k];
    cases_[k] = case_de(v.x, v.y);
    ids_[k] = v.id;
    autour(cases_[k], [&](std::int32_t voisine) {
      maillons_.push_back({v.x, v.y, static_cast<std::int32_t>(k), tetes_[voisine]});
      tetes_[voisine] = static_cast<std::int32_t>(maillons_.size() - 1);
    });
  }
}

void Cibles::retire(std::size_t k) {
  if (!en_jeu_[k]) return;
  en_jeu_[k] = 0;
  ++retires_;
}

std::size_t Cibles::premier_de_sa_couleur(std::size_t k) {
  if (!couleurs_uniques_) {
    couleurs_.assign(ids_.begin(), ids_.end());
    std::sort(couleurs_.begin(), couleurs_.end());
    couleurs_uniques_ = std::adjacent_find(couleurs_.begin(), couleurs_.end()) == couleurs_.end();
  }
  if (*couleurs_uniques_) return k;
  for (std::size_t j = 0; j < k; ++j)
    if (en_jeu_[j] && ids_[j] == ids_[k]) return j;
  return k;
}
