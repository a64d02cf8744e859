// What bullets can run into, arranged for the bullet pass. For each cell of a
// grid over the board: the ships that stand in it or in one of its eight
// neighbours, in list order (a ship can only be hit from within 13 units of
// its centre, less than a cell, so a bullet looks at its own cell's list and
// no other); and whether a cube stands near enough for a bullet in the cell
// to enter it, which most of the board is not.
//
// Working storage of the tick, kept in the world so that its memory is reused
// from one tick to the next: rebuilt from the ship list at the start of each
// bullet pass (ships do not move during it) and meaningless afterwards. Ships
// are known by their place in the list, 0 being the head.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "world/elements.h"
#include "world/grille.h"
#include "world/liste_recente.h"

namespace world {

class Cibles {
 public:
  // Cells of 14 units: more than the hit distance, so a bullet's own cell and
  // its eight neighbours hold every ship it can hit, and not much more.
  static constexpr double cote = 14.0;
  static constexpr int colonnes = static_cast<int>(largeur_plateau / cote) + 1;
  static constexpr int lignes = static_cast<int>(hauteur_plateau / cote) + 1;

  // A cell (column, row) of this grid, for any point: off the board (and
  // NaN), the nearest edge cell. Every ship within 13 of a point is in the
  // point's cell or one of its neighbours, the clamp keeping that true.
  static std::int32_t case_de(double x, double y) {
    return rang(x, largeur_plateau, colonnes) * lignes + rang(y, hauteur_plateau, lignes);
  }

  Cibles() { tetes_.fill(-1); }

  // Takes every ship of the list, all in play, at its current position, and
  // the cube field of `grille`.
  void reconstruit(const ListeRecente<vaisseau>& vaisseaux, const Grille& grille);

  // False when no bullet of cell `case_` can have its probe in a cube: the
  // cells of the cube grid that est_hors_jeu would look at hold no cube.
  bool cube_proche(std::int32_t case_) const { return cubes_proches_[case_]; }

  // The first ship in play, in list order, among those that a point of cell
  // `case_` can reach, for which `touche(x, y)` is true at its position.
  template <typename Touche>
  std::optional<std::size_t> premiere(std::int32_t case_, Touche touche) const {
    for (std::int32_t m = tetes_[case_]; m >= 0; m = maillons_[m].suivant) {
      const Maillon& v = maillons_[m];
      if (touche(v.x, v.y) && en_jeu_[v.cible]) return static_cast<std::size_t>(v.cible);
    }
    return std::nullopt;
  }

  // Ship k leaves play: no search finds it any more.
  void retire(std::size_t k);
  bool en_jeu(std::size_t k) const { return en_jeu_[k] != 0; }
  // Ships taken out of play since the last rebuild.
  std::size_t retires() const { return retires_; }

  // The first ship in play, in list order, with the colour of ship k (in
  // play): ship k itself, unless an earlier ship has the same colour.
  std::size_t premier_de_sa_couleur(std::size_t k);

 private:
  // A ship as one of the cells around it lists it, position included, so a
  // search reads one record per candidate.
  struct Maillon {
    double x;
    double y;
    std::int32_t cible;    // the ship's place in the list
    std::int32_t suivant;  // next link of the same cell, or -1
  };

  static int rang(double v, double taille, int nombre) {
    if (!(v >= 0.0)) return 0;
    if (v >= taille) return nombre - 1;
    // For v >= 0, trunc(v) / 14 in integers is exactly floor(v / 14).
    return static_cast<int>(static_cast<unsigned>(v) / static_cast<unsigned>(cote));
  }
  // Calls f(cell) for `centre` and its neighbours in the grid.
  template <typename F>
  static void autour(std::int32_t centre, F f) {
    const int c = centre / lignes;
    const int l = centre % lignes;
    for (int i = c - 1; i <= c + 1; ++i) {
      if (i < 0 || i >= colonnes) continue;
      for (int j = l - 1; j <= l + 1; ++j)
        if (j >= 0 && j < lignes) f(i * lignes + j);
    }
  }

  // Recomputes cubes_proches_ when `grille` is not the grid it was computed
  // from: once in the server's life, the field being made before any tick.
  void suit_les_cubes(const Grille& grille);

  std::array<std::int32_t, colonnes * lignes> tetes_;  // first link, or -1
  std::array<bool, colonnes * lignes> cubes_proches_{};
  std::optional<Grille> grille_vue_;
  std::vector<Maillon> maillons_;     // nine per ship, fewer at the board's edge
  std::vector<std::int32_t> cases_;   // each ship's own cell
  std::vector<std::uint8_t> en_jeu_;  // by place in the list
  std::vector<std::int64_t> ids_;     // by place in the list
  std::size_t retires_ = 0;
  // Whether two ships share a colour, found out at the first need after a
  // rebuild: spawn never lets it happen, so it costs one sort per pass at most.
  std::optional<bool> couleurs_uniques_;
  std::vector<std::int64_t> couleurs_;  // sorted copy of the ids
};

}  // namespace world
