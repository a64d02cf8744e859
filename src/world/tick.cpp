#include "world/tick.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "simulation/balles.h"
#include "simulation/mouvement.h"

void tick(Monde& monde) {
  try {
    VerrouTick tenu(monde.verrou);
    mise_a_jour_balles(monde);
    mise_a_jour_vaisseaux(monde);
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
