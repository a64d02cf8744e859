// The leaderboard: each version of an active student that has played, with
// its rating fitted to every finished match of the league.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

#include "classement/statistiques.h"

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

// Best rating first; empty before the first finished match.
[[nodiscard]] std::vector<LigneTableau> tableau(sqlite3* base);
