// The game world: cubes, ships, bullets and the lock that guards them. The
// server makes one; tests make their own with a seeded generator.
#pragma once

#include <cstdint>
#include <vector>

#include "world/alea.h"
#include "world/cibles.h"
#include "world/elements.h"
#include "world/grille.h"
#include "world/index_vaisseaux.h"
#include "world/liste_balles.h"
#include "world/liste_recente.h"
#include "world/observateur.h"
#include "world/verrou.h"

namespace world {

struct Monde {
  explicit Monde(std::uint64_t graine) : alea(graine) {}
  Monde(const Monde&) = delete;
  Monde& operator=(const Monde&) = delete;

  // Built before the tick thread starts and only read afterwards.
  std::vector<cube> cubes;  // list order: the cube drawn last comes first
  Grille grille{};

  // The one lock. Everything below is read and written with it held.
  Verrou verrou;
  ListeRecente<vaisseau> vaisseaux GUARDED_BY(verrou);
  ListeBalles balles GUARDED_BY(verrou);
  Alea alea GUARDED_BY(verrou);
  // The tick's working storage, reused so that a steady tick allocates nothing.
  Cibles cibles GUARDED_BY(verrou);                   // the bullet pass
  IndexVaisseaux index_vaisseaux GUARDED_BY(verrou);  // the ship pass and spawn

  // A match server's hooks; none in the plain server.
  Observateur* observateur GUARDED_BY(verrou) = nullptr;
  // While true, steering and firing change nothing, as for a destroyed ship:
  // a match that has not started yet, or is over.
  bool actions_gelees GUARDED_BY(verrou) = false;
};

}  // namespace world
