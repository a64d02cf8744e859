#include "tournoi/calendrier.h"

#include <algorithm>

namespace {

std::vector<std::vector<std::size_t>> combinaisons(std::size_t n, std::size_t k) {
  std::vector<std::vector<std::size_t>> groupes;
  std::vector<std::size_t> groupe(k);
  for (std::size_t i = 0; i < k; ++i) groupe[i] = i;
  for (;;) {
    groupes.push_back(groupe);
    std::size_t i = k;
    while (i > 0 && groupe[i - 1] == n - k + i - 1) --i;
    if (i == 0) return groupes;
    ++groupe[i - 1];
    for (std::size_t j = i; j < k; ++j) groupe[j] = groupe[j - 1] + 1;
  }
}

}  // namespace

std::vector<MatchPrevu> calendrier(const Tournoi& tournoi) {
  std::vector<std::vector<std::size_t>> groupes;
  if (tournoi.format == Format::Melee) {
    groupes = combinaisons(tournoi.bots.size(), tournoi.bots.size());
  } else if (static_cast<std::size_t>(tournoi.taille) <= tournoi.bots.size()) {
    groupes = combinaisons(tournoi.bots.size(), static_cast<std::size_t>(tournoi.taille));
  }
  std::vector<MatchPrevu> matchs;
  for (std::size_t r = 0; r < static_cast<std::size_t>(tournoi.repetitions); ++r) {
    for (std::size_t g = 0; g < groupes.size(); ++g) {
      const auto& groupe = groupes[g];
      MatchPrevu match;
      match.indice = matchs.size();
      match.graine = tournoi.graines.empty() ? tournoi.graine_base + match.indice
                                             : tournoi.graines[match.indice];
      match.bots = groupe;
      std::rotate(match.bots.begin(),
                  match.bots.begin() + static_cast<std::ptrdiff_t>((r + g) % groupe.size()),
                  match.bots.end());
      matchs.push_back(std::move(match));
    }
  }
  return matchs;
}
