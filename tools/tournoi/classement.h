// The tournament's ranking, from the finished matches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tournoi/plan.h"
#include "tournoi/resultat.h"
#include "tournoi/statistiques.h"

struct LigneClassement {
  std::string nom;
  std::int64_t couleur = 0;
  std::size_t matchs = 0;
  std::size_t victoires = 0;  // first place, not shared
  std::size_t defaillances = 0;
  double rang_moyen = 0;
  double taux_victoire = 0;
  Intervalle intervalle_victoire;  // Wilson, 95 %
  double note = 1500;              // Plackett-Luce, Elo scale
  Intervalle intervalle_note;      // bootstrap, 95 %
};

// One line per bot of the plan, best rating first. Failed matches are left out.
std::vector<LigneClassement> classement(const Plan& plan,
                                        const std::vector<ResultatMatch>& resultats);
