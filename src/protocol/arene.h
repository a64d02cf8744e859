// What every connection shares: the world, and the list replies composed from
// it. There is one per server; tests make their own.
#pragma once

#include "protocol/compteurs.h"
#include "protocol/listes.h"
#include "transport/suivi_connexions.h"
#include "world/monde.h"

namespace protocol {

struct Arene {
  explicit Arene(world::Monde& m) : monde(m) {}
  Arene(const Arene&) = delete;
  Arene& operator=(const Arene&) = delete;

  world::Monde& monde;
  ListesEnCache listes GUARDED_BY(monde.verrou);
  transport::SuiviConnexions connexions;
  CompteursProtocole* compteurs = nullptr;  // a match server's metrics; none in arene
};

}  // namespace protocol
