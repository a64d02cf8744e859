#include "match/boucle.h"

#include <chrono>
#include <thread>

#include "tick/tick.h"

namespace {

using Horloge = std::chrono::steady_clock;

// Under verrou, at every hold by the tick thread, ticking or not: so the
// figures follow the players in while a match waits for them.
void note_monde(MesuresTick& mesures, const Monde& monde, const Partie& partie) {
  mesures.vaisseaux.store(monde.vaisseaux.taille(), std::memory_order_relaxed);
  mesures.balles.store(monde.balles.taille(), std::memory_order_relaxed);
  mesures.ticks_perdus.store(partie.ticks_perdus(), std::memory_order_relaxed);
}

}  // namespace

void joue(Monde& monde, Partie& partie, FileLots* file, const std::atomic<bool>& interruption,
          void (*passes)(Monde&), MesuresTick* mesures) {
  const auto pause = std::chrono::duration<double>(Configuration::periode);
  for (;;) {
    bool finie = false;
    {
      const auto demande = Horloge::now();
      VerrouTick tenu(monde.verrou);
      const auto obtenu = Horloge::now();
      if (partie.avant_tick(obtenu, interruption.load())) {
        avance_protegee(monde, passes != nullptr ? passes : &avance);
        partie.apres_tick(Horloge::now());
        if (mesures != nullptr) mesures->note_tick(Horloge::now() - obtenu);
      }
      partie.publie_resultats();
      if (mesures != nullptr) {
        mesures->note_attente(obtenu - demande);
        note_monde(*mesures, monde, partie);
      }
      finie = partie.phase() == Phase::Finie;
    }
    // The pause counts from the release of the world, as it always did: the
    // readers woken here may take the processor a while without delaying
    // the next tick.
    const auto relache = Horloge::now();
    partie.resultats_publies().reveille();
    if (finie) break;
    std::this_thread::sleep_until(relache + pause);
  }
  Lot derniers;
  {
    VerrouTick tenu(monde.verrou);
    derniers = partie.derniers_changements();
  }
  if (file != nullptr) file->depose(std::move(derniers));
}
