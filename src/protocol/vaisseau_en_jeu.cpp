#include "protocol/vaisseau_en_jeu.h"

#include "simulation/balles.h"

void VaisseauEnJeu::retire() {
  Monde* monde = std::exchange(monde_, nullptr);
  if (monde == nullptr) return;
  VerrouTenu tenu{monde->verrou};
  retire_joueur(*monde, couleur_, Depart::Deconnexion);
}
