#include "match/boucle.h"

#include <cassert>
#include <chrono>
#include <optional>
#include <thread>

#include "tick/tick.h"

namespace match {

namespace {

using Horloge = std::chrono::steady_clock;

// The tick thread's hold of the world, which is the match's too: the world
// and the match are two names of one lock.
class SCOPED_CAPABILITY VerrouTickPartie {
 public:
  VerrouTickPartie(world::Monde& monde, [[maybe_unused]] Partie& partie)
      ACQUIRE(monde.verrou, partie.verrou())
      : tenu_(monde.verrou) {
    assert(partie.joue_sur(monde));
  }
  ~VerrouTickPartie() RELEASE() {}

 private:
  world::VerrouTick tenu_;
};

// At every hold by the tick thread, ticking or not: so the figures follow
// the players in while a match waits for them.
void note_monde(MesuresTick& mesures, const world::Monde& monde, const Partie& partie)
    REQUIRES(monde.verrou, partie.verrou()) {
  mesures.vaisseaux.store(monde.vaisseaux.taille(), std::memory_order_relaxed);
  mesures.balles.store(monde.balles.taille(), std::memory_order_relaxed);
  mesures.ticks_perdus.store(partie.ticks_perdus(), std::memory_order_relaxed);
}

// One hold of the world by the tick thread: the match's phases, a tick when
// one is due, the results and the figures. Once the match is over, its last
// changes, taken in this same hold: nothing adds to them afterwards.
std::optional<evenements::Lot> tour(world::Monde& monde, Partie& partie,
                                    const std::atomic<bool>& interruption,
                                    void (*passes)(world::Monde&), MesuresTick* mesures) {
  const auto demande = Horloge::now();
  VerrouTickPartie tenu(monde, partie);
  const auto obtenu = Horloge::now();
  if (partie.avant_tick(obtenu, interruption.load())) {
    tick::avance_protegee(monde, passes != nullptr ? passes : &tick::avance);
    partie.apres_tick(Horloge::now());
    if (mesures != nullptr) mesures->note_tick(Horloge::now() - obtenu);
  }
  partie.publie_resultats();
  if (mesures != nullptr) {
    mesures->note_attente(obtenu - demande);
    note_monde(*mesures, monde, partie);
  }
  if (partie.phase() != Phase::Finie) return std::nullopt;
  return partie.derniers_changements();
}

}  // namespace

void joue(world::Monde& monde, Partie& partie, evenements::FileLots* file,
          const std::atomic<bool>& interruption, void (*passes)(world::Monde&),
          MesuresTick* mesures) {
  const auto pause = std::chrono::duration<double>(config::periode);
  for (;;) {
    std::optional<evenements::Lot> derniers = tour(monde, partie, interruption, passes, mesures);
    // The pause counts from the release of the world, as it always did: the
    // readers woken here may take the processor a while without delaying
    // the next tick.
    const auto relache = Horloge::now();
    partie.resultats_publies().reveille();
    if (derniers) {
      if (file != nullptr) file->depose(std::move(*derniers));
      return;
    }
    std::this_thread::sleep_until(relache + pause);
  }
}

}  // namespace match
