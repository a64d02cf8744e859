#include "world/tick.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "simulation/balles.h"
#include "simulation/mouvement.h"

void avance(Monde& monde) {
  mise_a_jour_balles(monde);
  mise_a_jour_vaisseaux(monde);
}

void tick(Monde& monde, void (*passes)(Monde&)) {
  try {
    VerrouTick tenu(monde.verrou);
    passes(monde);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mise_a_jour : %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "mise_a_jour : echec inconnu\n");
  }
}

void mise_a_jour(Monde& monde) {
  const auto pause = std::chrono::duration<double>(Configuration::periode);
  for (;;) {
    tick(monde);
    std::this_thread::sleep_for(pause);
  }
}
