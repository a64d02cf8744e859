// How far a tournament has gone: a bar redrawn on a terminal, one plain line
// per match otherwise.
#pragma once

#include <cstddef>
#include <string>

#include "tournoi/resultat.h"

struct Avancement {
  std::size_t total = 0;  // matches to play in this run
  std::size_t finis = 0;  // failed ones included
  std::size_t en_cours = 0;
  std::size_t echecs = 0;
  double restant_s = 0;
};

// "[########------------] 4/10 done, 2 running, 1 failed, about 1 min 20 s left"
std::string barre(const Avancement& avancement, int largeur = 24);
// "match 3 (seed 1003): 1. alpha  2. beta  3. gamma, 20.0 s + 1.4 s"
std::string ligne_match(const ResultatMatch& resultat);
// Why a match failed, kept in English in its result, in the reader's language.
std::string texte_echec(const std::string& erreur);
// The time left: the matches not started yet at the mean cost of the ones
// done (or `cout_estime_s` before any), shared among `paralleles` runners.
double estimation_restante(std::size_t a_commencer, std::size_t finis, double cout_total_s,
                           double cout_estime_s, int paralleles);
std::string texte_duree(double secondes);
