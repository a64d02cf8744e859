// The leaderboard: each version of an active student that has played, with
// its rating fitted to every finished match of the league.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

#include "classement/statistiques.h"
#include "ligue/partie.h"

struct LigneTableau {
  std::int64_t id = 0;  // the version's
  std::string nom;
  int version = 0;
  std::size_t matchs = 0;
  std::size_t victoires = 0;  // first place, not shared
  double rang_moyen = 0;
  double note = 0;
  classement::Intervalle intervalle;  // 95 %, bootstrap over the matches
};

inline constexpr int tirages_tableau = 200;

// Best rating first; empty before the first finished match. Fits the ratings
// to every finished match: seconds once there are thousands.
[[nodiscard]] std::vector<LigneTableau> tableau(sqlite3* base);

// The ratings refitted with one more match's places, read without holding
// the database; with how many finished matches were read, so that whoever
// stores it can tell whether another result came in meanwhile.
struct Refit {
  std::vector<LigneTableau> lignes;
  std::size_t matchs_lus = 0;
};
[[nodiscard]] Refit refit_avec(sqlite3* base, std::int64_t match, const std::vector<Place>& places);
// The finished matches the fit counts.
[[nodiscard]] std::size_t matchs_finis(sqlite3* base);

// The leaderboard as the last refits stored it (historique_notes) with the
// counts of the finished matches: what the pages show, without fitting.
[[nodiscard]] std::vector<LigneTableau> tableau_enregistre(sqlite3* base);
