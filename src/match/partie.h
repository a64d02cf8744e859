// A match: its rules, its phases (waiting for players, playing, over), its
// results, and the changes it hands to the recording. It observes the world
// it runs on; every member function is called with the world's verrou held.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

#include "evenements/chronique.h"
#include "match/duree.h"
#include "match/resultats_publies.h"
#include "match/score.h"
#include "noms/noms.h"
#include "resultats/resultats.h"
#include "world/monde.h"

using Instant = std::chrono::steady_clock::time_point;

struct ReglesPartie {
  std::optional<int> joueurs;       // start once this many ships are in
  std::optional<double> attente_s;  // then start anyway with two, or cancel
  std::optional<DureePartie> duree;
  bool fin_survivant = false;  // end when at most one ship is left
  Noms noms;                   // who plays under which colour, when known
};

enum class Phase { Attente, EnCours, Finie };

class Partie final : public Observateur {
 public:
  // Becomes the world's observer and freezes actions until the start. With
  // a file, hands it the header and then every change; without, keeps none.
  // `enregistre`: the file's lots go to a recording (the results then say how
  // many ticks it lost), not only to spectators.
  Partie(Monde& monde, const ReglesPartie& regles, std::uint64_t graine, FileLots* file,
         Instant maintenant, bool enregistre = true);
  ~Partie() override;
  Partie(const Partie&) = delete;
  Partie& operator=(const Partie&) = delete;

  // Before a tick may run: starts, cancels or ends the match as its rules
  // say. True when a tick is to run now; its number is then tick().
  bool avant_tick(Instant maintenant, bool interrompue);
  // Ends the match now if a tick-count duration or the last survivor says so.
  void apres_tick(Instant maintenant);

  Phase phase() const { return phase_; }
  std::int64_t tick() const { return tick_; }
  // The results so far, or final once the phase is Finie.
  Resultats resultats() const;
  // The results for readers that must not take verrou; thread-safe.
  ResultatsPublies& resultats_publies() const { return publication_; }
  // At every hold of verrou by the tick thread: publishes the results if a
  // reader asked for them.
  void publie_resultats();
  // The current state, as a spectator joining now needs it.
  EvEtat etat() const;
  // Once Finie: the last changes, to hand to the file without verrou.
  Lot derniers_changements() { return chronique_.derniers(); }
  // Hands the changes noted so far to the file, or drops them if it is full.
  // Done at the end of every tick, and while waiting for players.
  void publie();
  // Ticks whose changes the file could not take.
  std::int64_t ticks_perdus() const { return chronique_.ticks_perdus(); }

  void vaisseau_cree(const vaisseau& v) override;
  void vaisseau_tourne(const vaisseau& v) override;
  void joueur_parti(std::int64_t couleur, Depart depart) override;
  void balle_tiree(const balle& b) override;
  void balle_retiree(std::size_t rang) override;
  void touche(std::int64_t tireur, const vaisseau& cible) override;
  void fin_de_tick(const Monde& monde) override;

 private:
  void commence(Instant maintenant);
  void termine(RaisonFin raison, Instant maintenant);
  std::optional<RaisonFin> raison_de_finir(Instant maintenant, bool interrompue) const;
  Resultats calcule_resultats(Instant fin) const;
  bool en_jeu(std::int64_t couleur) const;
  void note(Evenement evenement);

  Monde& monde_;
  const ReglesPartie regles_;
  Phase phase_ = Phase::Attente;
  Instant attente_depuis_;
  Instant debut_;
  Instant fin_;
  std::int64_t tick_ = 0;
  bool deux_en_jeu_ = false;  // two ships were in play at once since the start

  Score score_;
  Resultats resultats_;
  mutable ResultatsPublies publication_;  // provides its own synchronisation
  Chronique chronique_;                   // the changes on their way to the file
};

// The results so far, with verrou held for their copy only.
Resultats copie_resultats(Monde& monde, const Partie& partie);
