// Matchmaking: which versions play the next match. A pure function of the
// versions, their match counts and their rating intervals, so that the
// season's choices can be tested without playing anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "classement/statistiques.h"

struct Candidat {
  std::int64_t version = 0;
  std::size_t matchs = 0;  // played, running or planned
  // 95 %; a version not rated yet has the whole line, so it overlaps everyone.
  classement::Intervalle intervalle{-1e300, 1e300};
};

// How far apart two versions' match counts may drift while both play.
inline constexpr std::size_t ecart_matchs = 2;

// The next group of at most `taille` versions, or nothing with fewer than
// two. The version with fewest matches leads (a new version has none, so it
// plays first), the widest interval among them; the others are those whose
// intervals overlap its own most, taken from the versions at most one match
// above the fewest so that counts stay within ecart_matchs of each other.
[[nodiscard]] std::vector<std::int64_t> groupe_suivant(const std::vector<Candidat>& candidats,
                                                       std::size_t taille);
