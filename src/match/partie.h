// A match: its rules, its phases (waiting for players, playing, over), its
// results, and the changes it hands to the recording. It observes the world
// it runs on; its state is guarded by the world's verrou.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "evenements/chronique.h"
#include "match/duree.h"
#include "match/resultats_publies.h"
#include "match/score.h"
#include "noms/noms.h"
#include "resultats/resultats.h"
#include "world/monde.h"

namespace match {

using Instant = std::chrono::steady_clock::time_point;

struct ReglesPartie {
  std::optional<int> joueurs;       // start once this many ships are in
  std::optional<double> attente_s;  // then start anyway with two, or cancel
  std::optional<DureePartie> duree;
  bool fin_survivant = false;  // end when at most one ship is left
  noms::Noms noms;             // who plays under which colour, when known
  // When set, the only colours that may register, each once in the whole
  // match: a bot can neither open a second ship nor take a colour back.
  std::optional<std::set<std::int64_t>> couleurs = std::nullopt;
};

enum class Phase { Attente, EnCours, Finie };

class Partie final : public world::Observateur {
 public:
  // Becomes the world's observer and freezes actions until the start. With
  // a file, hands it the header and then every change; without, keeps none.
  // `enregistre`: the file's lots go to a recording (the results then say how
  // many ticks it lost), not only to spectators.
  Partie(world::Monde& monde, const ReglesPartie& regles, std::uint64_t graine,
         evenements::FileLots* file, Instant maintenant, bool enregistre = true);
  ~Partie() override;
  Partie(const Partie&) = delete;
  Partie& operator=(const Partie&) = delete;

  // Before a tick may run: starts, cancels or ends the match as its rules
  // say. True when a tick is to run now; its number is then tick().
  bool avant_tick(Instant maintenant, bool interrompue) REQUIRES(monde_.verrou);
  // Ends the match now if a tick-count duration or the last survivor says so.
  void apres_tick(Instant maintenant) REQUIRES(monde_.verrou);

  Phase phase() const REQUIRES(monde_.verrou) { return phase_; }
  std::int64_t tick() const REQUIRES(monde_.verrou) { return tick_; }
  // The results so far, or final once the phase is Finie.
  resultats::Resultats resultats() const REQUIRES(monde_.verrou);
  // The results so far, with verrou held for their copy only.
  resultats::Resultats copie_resultats() const EXCLUDES(monde_.verrou);
  // The lock of the world the match runs on, and whether that world is `monde`.
  world::Verrou& verrou() const RETURN_CAPABILITY(monde_.verrou) { return monde_.verrou; }
  bool joue_sur(const world::Monde& monde) const { return &monde == &monde_; }
  // The results for readers that must not take verrou; thread-safe.
  ResultatsPublies& resultats_publies() const { return publication_; }
  // At every hold of verrou by the tick thread: publishes the results if a
  // reader asked for them.
  void publie_resultats() REQUIRES(monde_.verrou);
  // The current state, as a spectator joining now needs it.
  evenements::EvEtat etat() const REQUIRES(monde_.verrou);
  // Once Finie: the last changes, to hand to the file without verrou.
  evenements::Lot derniers_changements() REQUIRES(monde_.verrou) { return chronique_.derniers(); }
  // Hands the changes noted so far to the file, or drops them if it is full.
  // Done at the end of every tick, and while waiting for players.
  void publie() REQUIRES(monde_.verrou);
  // Ticks whose changes the file could not take.
  std::int64_t ticks_perdus() const REQUIRES(monde_.verrou) { return chronique_.ticks_perdus(); }

  bool couleur_admise(std::int64_t couleur) override REQUIRES(monde_.verrou);
  void vaisseau_cree(const world::vaisseau& v) override REQUIRES(monde_.verrou);
  void vaisseau_tourne(const world::vaisseau& v) override REQUIRES(monde_.verrou);
  void joueur_parti(std::int64_t couleur, world::Depart depart) override REQUIRES(monde_.verrou);
  void balle_tiree(const world::balle& b) override REQUIRES(monde_.verrou);
  void balle_retiree(std::size_t rang) override REQUIRES(monde_.verrou);
  void touche(std::int64_t tireur, const world::vaisseau& cible) override REQUIRES(monde_.verrou);
  // The world is the one observed, monde_.
  void fin_de_tick(const world::Monde& monde) override REQUIRES(monde_.verrou);

 private:
  void commence(Instant maintenant) REQUIRES(monde_.verrou);
  void termine(resultats::RaisonFin raison, Instant maintenant) REQUIRES(monde_.verrou);
  std::optional<resultats::RaisonFin> raison_de_finir(Instant maintenant, bool interrompue) const
      REQUIRES(monde_.verrou);
  resultats::Resultats calcule_resultats(Instant fin) const REQUIRES(monde_.verrou);
  bool en_jeu(std::int64_t couleur) const REQUIRES(monde_.verrou);
  void note(evenements::Evenement evenement) REQUIRES(monde_.verrou);
  // The current state, built only if the chronicle asks for it. It calls it
  // at once, within the hold of the member function that passed it: the
  // analysis cannot follow a callback, so that function's REQUIRES stands for it.
  auto etat_differe() const REQUIRES(monde_.verrou) {
    return [this]() NO_THREAD_SAFETY_ANALYSIS { return etat(); };
  }

  world::Monde& monde_;
  const ReglesPartie regles_;
  // Everything below but publication_ is guarded by the world's verrou.
  Phase phase_ GUARDED_BY(monde_.verrou) = Phase::Attente;
  Instant attente_depuis_ GUARDED_BY(monde_.verrou);
  Instant debut_ GUARDED_BY(monde_.verrou);
  Instant fin_ GUARDED_BY(monde_.verrou);
  std::int64_t tick_ GUARDED_BY(monde_.verrou) = 0;
  // Two ships were in play at once since the start.
  bool deux_en_jeu_ GUARDED_BY(monde_.verrou) = false;

  // The colours that have had a ship, for the rule of ReglesPartie::couleurs.
  std::set<std::int64_t> inscrites_ GUARDED_BY(monde_.verrou);
  Score score_ GUARDED_BY(monde_.verrou);
  resultats::Resultats resultats_ GUARDED_BY(monde_.verrou);
  mutable ResultatsPublies publication_;  // provides its own synchronisation
  // The changes on their way to the file.
  evenements::Chronique chronique_ GUARDED_BY(monde_.verrou);
};

// The match's start: a new match on `monde`, made under its verrou so that no
// command lands between its arrival and the freeze of actions.
std::unique_ptr<Partie> ouvre_partie(world::Monde& monde, const ReglesPartie& regles,
                                     std::uint64_t graine, evenements::FileLots* file,
                                     Instant maintenant, bool enregistre = true)
    EXCLUDES(monde.verrou);

}  // namespace match
