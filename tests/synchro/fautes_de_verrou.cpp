// Lock faults the thread-safety build must refuse, one per FAUTE_* macro; with
// none defined, the same uses done right, which must compile. CMake compiles
// this file once per case with -fsyntax-only -Wthread-safety -Werror.
#include "simulation/balles.h"
#include "synchro/mutex.h"
#include "world/monde.h"

namespace {

struct Compteur {
  synchro::Mutex mutex;
  synchro::Condition change;
  int valeur GUARDED_BY(mutex) = 0;
};

[[maybe_unused]] std::size_t vaisseaux_en_jeu(world::Monde& monde) {
#if defined(FAUTE_LECTURE_MONDE)
  return monde.vaisseaux.taille();
#else
  world::VerrouTenu tenu(monde.verrou);
  return monde.vaisseaux.taille();
#endif
}

[[maybe_unused]] void tick_a_la_main(world::Monde& monde) {
#if defined(FAUTE_APPEL_SANS_VERROU)
  simulation::mise_a_jour_balles(monde);
#elif defined(FAUTE_APRES_LE_TICK)
  { world::VerrouTick tenu(monde.verrou); }
  simulation::mise_a_jour_balles(monde);
#else
  world::VerrouTick tenu(monde.verrou);
  simulation::mise_a_jour_balles(monde);
#endif
}

[[maybe_unused]] int lit(Compteur& compteur) {
  synchro::MutexTenu tenu(compteur.mutex);
#if defined(FAUTE_APRES_RELACHE)
  tenu.relache();
#endif
  return compteur.valeur;
}

[[maybe_unused]] void attend_positif(Compteur& compteur) {
  synchro::MutexTenu tenu(compteur.mutex);
#if defined(FAUTE_PREDICAT)
  compteur.change.attend(compteur.mutex, [&] { return compteur.valeur > 0; });
#else
  compteur.change.attend(compteur.mutex,
                         [&]() REQUIRES(compteur.mutex) { return compteur.valeur > 0; });
#endif
}

[[maybe_unused]] void attend_sans_verrou(Compteur& compteur) {
#if defined(FAUTE_ATTENTE_SANS_VERROU)
  compteur.change.attend_pendant(compteur.mutex, std::chrono::milliseconds(1));
#else
  synchro::MutexTenu tenu(compteur.mutex);
  compteur.change.attend_pendant(compteur.mutex, std::chrono::milliseconds(1));
#endif
}

}  // namespace
