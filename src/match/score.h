// The score of a match: for each colour, how its ships fared, kept up to date
// from the world's events, and the ranking it gives at any moment. Used with
// the world's verrou held, like the match it belongs to.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "noms/noms.h"
#include "resultats/resultats.h"
#include "world/elements.h"
#include "world/liste_recente.h"
#include "world/observateur.h"

namespace match {

class Score {
 public:
  // A ship of colour v.id entered play at `tick`: its player is alive again.
  void vaisseau_cree(const world::vaisseau& v, std::int64_t tick, const noms::Noms& noms);
  // A player left at `tick`; `en_jeu` when a ship of its colour was still in play.
  void joueur_parti(std::int64_t couleur, world::Depart depart, std::int64_t tick, bool en_jeu);
  void balle_tiree(std::int64_t tireur);
  // A bullet of `tireur` hit `cible` at `tick`, its life points already taken.
  void touche(std::int64_t tireur, const world::vaisseau& cible, std::int64_t tick);

  // Every player ranked (classe), with the life points of its first ship
  // still in `vaisseaux`: one pass over the ships, not one per player.
  std::vector<resultats::ResultatJoueur> classement(
      const world::ListeRecente<world::vaisseau>& vaisseaux) const;

 private:
  std::map<std::int64_t, resultats::ResultatJoueur> joueurs_;
};

}  // namespace match
