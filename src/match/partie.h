// A match: its rules, its phases (waiting for players, playing, over), its
// results, and the changes it hands to the recording. It observes the world
// it runs on; its state is guarded by the world's verrou.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "evenements/file_lots.h"
#include "match/duree.h"
#include "match/resultats_publies.h"
#include "resultats/resultats.h"
#include "world/monde.h"

using Instant = std::chrono::steady_clock::time_point;

struct ReglesPartie {
  std::optional<int> joueurs;       // start once this many ships are in
  std::optional<double> attente_s;  // then start anyway with two, or cancel
  std::optional<DureePartie> duree;
  bool fin_survivant = false;  // end when at most one ship is left
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
  bool avant_tick(Instant maintenant, bool interrompue) REQUIRES(monde_.verrou);
  // Ends the match now if a tick-count duration or the last survivor says so.
  void apres_tick(Instant maintenant) REQUIRES(monde_.verrou);

  Phase phase() const REQUIRES(monde_.verrou) { return phase_; }
  std::int64_t tick() const REQUIRES(monde_.verrou) { return tick_; }
  // The results so far, or final once the phase is Finie.
  Resultats resultats() const REQUIRES(monde_.verrou);
  // The results so far, with verrou held for their copy only.
  Resultats copie_resultats() const EXCLUDES(monde_.verrou);
  // The lock of the world the match runs on, and whether that world is `monde`.
  Verrou& verrou() const RETURN_CAPABILITY(monde_.verrou) { return monde_.verrou; }
  bool joue_sur(const Monde& monde) const { return &monde == &monde_; }
  // The results for readers that must not take verrou; thread-safe.
  ResultatsPublies& resultats_publies() const { return publication_; }
  // At every hold of verrou by the tick thread: publishes the results if a
  // reader asked for them.
  void publie_resultats() REQUIRES(monde_.verrou);
  // The current state, as a spectator joining now needs it.
  EvEtat etat() const REQUIRES(monde_.verrou);
  // Once Finie: the last changes, to hand to the file without verrou.
  Lot derniers_changements() REQUIRES(monde_.verrou) { return std::move(lot_); }
  // Hands the changes noted so far to the file, or drops them if it is full.
  // Done at the end of every tick, and while waiting for players.
  void publie() REQUIRES(monde_.verrou);
  // Ticks whose changes the file could not take.
  std::int64_t ticks_perdus() const REQUIRES(monde_.verrou) { return ticks_perdus_; }

  void vaisseau_cree(const vaisseau& v) override REQUIRES(monde_.verrou);
  void vaisseau_tourne(const vaisseau& v) override REQUIRES(monde_.verrou);
  void joueur_parti(std::int64_t couleur, Depart depart) override REQUIRES(monde_.verrou);
  void balle_tiree(const balle& b) override REQUIRES(monde_.verrou);
  void balle_retiree(std::size_t rang) override REQUIRES(monde_.verrou);
  void touche(std::int64_t tireur, const vaisseau& cible) override REQUIRES(monde_.verrou);
  // The world is the one observed, monde_.
  void fin_de_tick(const Monde& monde) override REQUIRES(monde_.verrou);

 private:
  void commence(Instant maintenant) REQUIRES(monde_.verrou);
  void termine(RaisonFin raison, Instant maintenant) REQUIRES(monde_.verrou);
  std::optional<RaisonFin> raison_de_finir(Instant maintenant, bool interrompue) const
      REQUIRES(monde_.verrou);
  Resultats calcule_resultats(Instant fin) const REQUIRES(monde_.verrou);
  bool en_jeu(std::int64_t couleur) const REQUIRES(monde_.verrou);
  void note(Evenement evenement) REQUIRES(monde_.verrou);
  void reprend() REQUIRES(monde_.verrou);

  Monde& monde_;
  const ReglesPartie regles_;
  FileLots* const file_;
  // Everything below but publication_ is guarded by the world's verrou.
  Phase phase_ GUARDED_BY(monde_.verrou) = Phase::Attente;
  Instant attente_depuis_ GUARDED_BY(monde_.verrou);
  Instant debut_ GUARDED_BY(monde_.verrou);
  Instant fin_ GUARDED_BY(monde_.verrou);
  std::int64_t tick_ GUARDED_BY(monde_.verrou) = 0;
  // Two ships were in play at once since the start.
  bool deux_en_jeu_ GUARDED_BY(monde_.verrou) = false;

  std::map<std::int64_t, ResultatJoueur> joueurs_ GUARDED_BY(monde_.verrou);
  Resultats resultats_ GUARDED_BY(monde_.verrou);
  mutable ResultatsPublies publication_;  // provides its own synchronisation

  Lot lot_ GUARDED_BY(monde_.verrou);  // changes not yet handed to the file
  std::vector<std::uint32_t> retirees_ GUARDED_BY(monde_.verrou);
  bool en_perte_ GUARDED_BY(monde_.verrou) = false;
  std::int64_t dernier_publie_ GUARDED_BY(monde_.verrou) = 0;
  std::int64_t ticks_perdus_ GUARDED_BY(monde_.verrou) = 0;
};

// The match's start: a new match on `monde`, made under its verrou so that no
// command lands between its arrival and the freeze of actions.
std::unique_ptr<Partie> ouvre_partie(Monde& monde, const ReglesPartie& regles, std::uint64_t graine,
                                     FileLots* file, Instant maintenant, bool enregistre = true)
    EXCLUDES(monde.verrou);
