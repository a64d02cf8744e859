#include "simulation/actions.h"

#include "trigo/trigo.h"
#include "world/constantes.h"
#include "world/echec.h"

namespace simulation {

namespace {

void tire(world::Monde& monde, const world::vaisseau& v) REQUIRES(monde.verrou) {
  if (monde.balles.en_vol(v.id) >= config::max_balles_par_vaisseau) return;
  // Just outside the ship's disc, but inside its hit distance: the bullet's
  // first move comes before its first hit test.
  const double k = 0.9 * ((config::rayon_vaisseau + config::rayon_balle) + 1.0);
  const SinusCosinus cap = sinus_cosinus(v.angle);
  monde.balles.ajoute_en_tete(
      world::balle{v.x + k * cap.cosinus, v.y + k * cap.sinus, v.angle, v.id});
  if (monde.observateur) monde.observateur->balle_tiree(monde.balles[0]);
}

void tourne(world::Monde& monde, world::vaisseau& v, double pas) REQUIRES(monde.verrou) {
  v.angle = v.angle + pas;
  if (monde.observateur) monde.observateur->vaisseau_tourne(v);
}

void applique(world::Monde& monde, world::vaisseau& v, action a) REQUIRES(monde.verrou) {
  switch (a) {
    case action::Tire:
      tire(monde, v);
      break;
    case action::Gauche:
      tourne(monde, v, world::pas_angle);
      break;
    case action::Droite:
      tourne(monde, v, -world::pas_angle);
      break;
    case action::Accelere: {
      const double suivante = v.vitesse + world::pas_vitesse;
      v.vitesse = suivante <= config::vitesse_max ? suivante : config::vitesse_max;
      break;
    }
    case action::Decelere: {
      const double suivante = v.vitesse - world::pas_vitesse;
      v.vitesse = suivante >= config::vitesse_min ? suivante : config::vitesse_min;
      break;
    }
    case action::Quitte:
      break;
  }
}

}  // namespace

world::vaisseau& get_joueur(world::ListeRecente<world::vaisseau>& vaisseaux, std::int64_t id) {
  for (world::vaisseau& v : vaisseaux)
    if (v.id == id) return v;
  throw world::Echec("traite_action_joueur : joueur non trouve");
}

void traite_action_joueur(world::Monde& monde, std::int64_t id, action a) {
  if (monde.actions_gelees) return;
  try {
    applique(monde, get_joueur(monde.vaisseaux, id), a);
  } catch (...) {
    // A player whose ship is gone stays connected; its actions do nothing.
  }
}

}  // namespace simulation
