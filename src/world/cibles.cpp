#include "world/cibles.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace world {

void Cibles::reconstruit(const ListeRecente<vaisseau>& vaisseaux, const Grille& grille) {
  suit_les_cubes(grille);
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

void Cibles::suit_les_cubes(const Grille& grille) {
  // The grid is a block of bytes: comparing it whole costs a few hundred
  // instructions per tick.
  if (grille_vue_ && std::memcmp(&*grille_vue_, &grille, sizeof(Grille)) == 0) return;
  grille_vue_ = grille;
  constexpr double infini = std::numeric_limits<double>::infinity();
  // The span of a cell, the edge cells reaching to infinity as the clamp
  // does, widened by the probe's reach: est_hors_jeu looks at no cube cell
  // outside the range of cube columns and rows this span meets.
  auto plage = [](int c, int nombre, int (*rang_du_plateau)(double)) {
    const double debut = c == 0 ? -infini : c * cote;
    const double fin = c == nombre - 1 ? infini : (c + 1) * cote;
    return Plage{rang_du_plateau(debut - portee_sonde), rang_du_plateau(fin + portee_sonde)};
  };
  for (int c = 0; c < colonnes; ++c) {
    const Plage cs = plage(c, colonnes, &colonne_du_plateau);
    for (int l = 0; l < lignes; ++l) {
      const Plage ls = plage(l, lignes, &ligne_du_plateau);
      bool proche = false;
      for (int i = cs.debut; i <= cs.fin; ++i)
        for (int j = ls.debut; j <= ls.fin; ++j) proche = proche || grille[i + 1][j + 1];
      cubes_proches_[c * lignes + l] = proche;
    }
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

}  // namespace world
