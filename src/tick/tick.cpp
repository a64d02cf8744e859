#include "tick/tick.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "simulation/balles.h"
#include "simulation/mouvement.h"

void avance(Monde& monde) {
  mise_a_jour_balles(monde);
  mise_a_jour_vaisseaux(monde);
  if (monde.observateur) monde.observateur->fin_de_tick(monde);
}

void avance_protegee(Monde& monde, void (*passes)(Monde&)) {
  try {
    passes(monde);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mise_a_jour : %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "mise_a_jour : echec inconnu\n");
  }
}

void tick(Monde& monde, void (*passes)(Monde&)) {
  VerrouTick tenu(monde.verrou);
  avance_protegee(monde, passes);
}

void mise_a_jour(Monde& monde) {
  const auto pause = std::chrono::duration<double>(config::periode);
  for (;;) {
    tick(monde);
    std::this_thread::sleep_for(pause);
  }
}
