// The ships by board cell, so that the ships near a point are found without
// visiting every ship: a moving ship looks for the ships in its way, a new one
// for a free place. Working storage of the tick, kept in the world so that its
// memory is reused from one tick to the next; rebuilt from the ship list when
// a pass starts and meaningless between passes.
//
// Ships are known by their place in the list (0 is the head). The index keeps
// a copy of each ship's position, which the ship pass updates with every move,
// so a ship handled later sees where the earlier ones went.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/elements.h"
#include "world/grille.h"
#include "world/liste_recente.h"

namespace world {

class IndexVaisseaux {
 public:
  struct Place {
    double x;
    double y;
    std::int64_t id;
    std::int32_t suivante;  // next ship of the same cell, or -1
    std::int16_t case_;     // index into tetes_
  };

  IndexVaisseaux() { tetes_.fill(-1); }

  // Indexes every ship of the list at its current position.
  void reconstruit(const ListeRecente<vaisseau>& vaisseaux);

  // Ship k now stands at (x, y).
  void deplace(std::size_t k, double x, double y);

  // Calls visite(place) for the ships whose cell meets the square of
  // half-side `portee` (plus a margin) around (x, y), in no particular order,
  // until it returns true; returns whether it did. Every ship strictly closer
  // than `portee` to (x, y) on both axes is visited, wherever it is:
  // coordinates off the board fall into the edge cells. `portee` is at most
  // 20, so the square meets no more than 3 x 3 cells.
  template <typename Visite>
  bool cherche(double x, double y, double portee, Visite visite) const {
    // The margin covers the rounding of x - portee and x + portee.
    const double m = portee + 1.0;
    const Plage colonnes = dans_le_plateau(plage_autour(x, colonne_du_plateau(x), m));
    const Plage lignes = dans_le_plateau(plage_autour(y, ligne_du_plateau(y), m));
    for (int c = colonnes.debut; c <= colonnes.fin; ++c) {
      for (int l = lignes.debut; l <= lignes.fin; ++l) {
        for (std::int32_t k = tetes_[case_de(c, l)]; k >= 0; k = places_[k].suivante)
          if (visite(places_[k])) return true;
      }
    }
    return false;
  }

 private:
  static Plage dans_le_plateau(Plage p) {
    return {p.debut < 0 ? 0 : p.debut, p.fin >= colonnes_plateau ? colonnes_plateau - 1 : p.fin};
  }
  static std::int16_t case_de(int c, int l) {
    return static_cast<std::int16_t>(c * lignes_plateau + l);
  }
  static std::int16_t case_du_point(double x, double y) {
    return case_de(colonne_du_plateau(x), ligne_du_plateau(y));
  }

  void lie(std::size_t k);
  void delie(std::size_t k);

  std::array<std::int32_t, colonnes_plateau * lignes_plateau> tetes_;  // first ship, or -1
  std::vector<Place> places_;
};

}  // namespace world
