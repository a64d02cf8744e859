#include "tick/tick.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "simulation/balles.h"
#include "simulation/mouvement.h"

namespace tick {

void avance(world::Monde& monde) {
  simulation::mise_a_jour_balles(monde);
  simulation::mise_a_jour_vaisseaux(monde);
  if (monde.observateur) monde.observateur->fin_de_tick(monde);
}

void avance_protegee(world::Monde& monde, void (*passes)(world::Monde&)) {
  try {
    passes(monde);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mise_a_jour : %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "mise_a_jour : echec inconnu\n");
  }
}

void tick(world::Monde& monde, void (*passes)(world::Monde&)) {
  world::VerrouTick tenu(monde.verrou);
  avance_protegee(monde, passes);
}

void mise_a_jour(world::Monde& monde) {
  const auto pause = std::chrono::duration<double>(config::periode);
  for (;;) {
    tick(monde);
    std::this_thread::sleep_for(pause);
  }
}

}  // namespace tick
