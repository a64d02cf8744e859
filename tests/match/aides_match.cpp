#include "match/aides_match.h"

#include <cmath>

void place(world::Monde& monde, world::Observateur& partie, const world::vaisseau& v) {
  monde.vaisseaux.ajoute_en_tete(v);
  partie.vaisseau_cree(v);
}

void place_en_melee(world::Monde& monde, world::Observateur& partie,
                    const std::vector<std::int64_t>& couleurs) {
  const double n = static_cast<double>(couleurs.size());
  for (std::size_t k = 0; k < couleurs.size(); ++k) {
    // On a circle of radius 40, each facing the centre.
    const double a = 2.0 * M_PI * static_cast<double>(k) / n;
    const world::vaisseau v{704.0 + 40.0 * std::cos(a),
                            704.0 + 40.0 * std::sin(a),
                            a + M_PI,
                            0.0,
                            config::pt_vie_max,
                            couleurs[k]};
    place(monde, partie, v);
  }
}
