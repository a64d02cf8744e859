#include "protocol/vaisseau_en_jeu.h"

#include "simulation/balles.h"

namespace protocol {

void VaisseauEnJeu::retire() {
  world::Monde* monde = std::exchange(monde_, nullptr);
  if (monde == nullptr) return;
  world::VerrouTenu tenu{monde->verrou};
  simulation::retire_joueur(*monde, couleur_, world::Depart::Deconnexion);
}

}  // namespace protocol
