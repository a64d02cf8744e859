#include "match/boucle.h"

#include <chrono>
#include <thread>

#include "world/tick.h"

void joue(Monde& monde, Partie& partie, FileLots* file, const std::atomic<bool>& interruption,
          void (*passes)(Monde&)) {
  const auto pause = std::chrono::duration<double>(Configuration::periode);
  for (;;) {
    {
      VerrouTick tenu(monde.verrou);
      if (partie.avant_tick(std::chrono::steady_clock::now(), interruption.load())) {
        avance_protegee(monde, passes != nullptr ? passes : &avance);
        partie.apres_tick(std::chrono::steady_clock::now());
      }
      if (partie.phase() == Phase::Finie) break;
    }
    std::this_thread::sleep_for(pause);
  }
  Lot derniers;
  {
    VerrouTick tenu(monde.verrou);
    derniers = partie.derniers_changements();
  }
  if (file != nullptr) file->depose(std::move(derniers));
}
