// What a match leaves: per colour, how its ships fared, and the ranking.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resultats {

// Why a match ended.
enum class RaisonFin { DureeEcoulee, Survivant, Interrompu, Annule };

std::string_view nom_raison(RaisonFin raison);

enum class EtatJoueur {
  Vivant,   // a ship of the colour is in play
  Detruit,  // its last ship lost its last life point to a bullet
  Parti,    // its last ship left with its player
};

std::string_view nom_etat(EtatJoueur etat);

struct ResultatJoueur {
  std::int64_t couleur = 0;
  std::optional<std::string> nom;        // when the organiser named the colour
  std::int64_t tick_enregistrement = 0;  // first registration
  EtatJoueur etat = EtatJoueur::Vivant;
  std::int64_t pt_vie = 0;
  std::optional<std::int64_t> tick_destruction;
  std::optional<std::int64_t> detruit_par;
  std::optional<std::int64_t> tick_depart;  // when its ship left play, for any reason
  std::int64_t touches_donnees = 0;
  std::int64_t touches_recues = 0;
  std::map<std::int64_t, std::int64_t> touches;  // hits given, by target colour
  std::int64_t balles_tirees = 0;
  std::int64_t quitte = 0;
  std::int64_t deconnexions = 0;
  int rang = 0;

  friend bool operator==(const ResultatJoueur&, const ResultatJoueur&) = default;
};

struct Resultats {
  std::uint64_t graine = 0;
  std::optional<RaisonFin> raison;  // none while the match goes on
  std::int64_t tick_debut = 0;
  std::int64_t tick_fin = 0;
  std::int64_t ticks = 0;
  double duree_s = 0.0;
  double cadence = 0.0;  // ticks per second between start and end
  bool enregistre = false;
  std::int64_t ticks_perdus = 0;
  std::optional<std::string> erreur_enregistrement;  // why the recording is incomplete
  std::vector<ResultatJoueur> joueurs;               // by rank once classe() ran
};

// Sorts the players and gives their ranks: ships in play first (more life
// points, then more hits given), then the others, the latest to leave first.
// Players equal on all of these share a rank.
void classe(std::vector<ResultatJoueur>& joueurs);

// The results as JSON text (one object, on one line when `indente` is false).
std::string texte_json(const Resultats& resultats, bool indente = true);
std::string texte_json_joueurs(const std::vector<ResultatJoueur>& joueurs);

// A short table for a terminal, one line per colour, its name last.
std::string tableau(const Resultats& resultats);

// A colour as its number and the display colour of its low 24 bits, the way
// a bot author may have written it: "3394611 (#33CC33)".
std::string couleur_lisible(std::int64_t couleur);

}  // namespace resultats
