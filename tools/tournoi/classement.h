// The tournament's ranking, from the finished matches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classement/statistiques.h"
#include "tournoi/plan.h"
#include "tournoi/resultat.h"

struct LigneClassement {
  std::string nom;
  std::int64_t couleur = 0;
  std::size_t matchs = 0;
  std::size_t victoires = 0;  // first place, not shared
  std::size_t defaillances = 0;
  double rang_moyen = 0;
  double taux_victoire = 0;
  classement::Intervalle intervalle_victoire;  // Wilson, 95 %
  double note = 1500;                          // Plackett-Luce, Elo scale
  classement::Intervalle intervalle_note;      // bootstrap, 95 %
  // False when the interval says nothing: too few matches, or matches so
  // alike that every resample gives the same rating (a zero-width interval).
  bool intervalle_note_valable = false;
  // Its interval lies wholly above the next bot's: the order of the two is
  // not chance. False for the last bot.
  bool separe_du_suivant = false;
};

// A bot needs this many finished matches before its rating gets an interval:
// fewer matches allow too few distinct resamples to tell anything.
inline constexpr std::size_t matchs_min_intervalle = 5;

// One line per bot of the plan, best rating first. Failed matches are left out.
std::vector<LigneClassement> classement_des_bots(const Plan& plan,
                                                 const std::vector<ResultatMatch>& resultats);
