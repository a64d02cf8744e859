// The matches of a tournament, in the order they are numbered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tournoi/configuration.h"

struct MatchPrevu {
  std::size_t indice = 0;
  std::uint64_t graine = 0;
  std::vector<std::size_t> bots;  // indexes into Tournoi::bots, in the order they start
};

// Free-for-all: every bot in every match. Groups: every group of k bots once per
// repetition, so that each pair meets exactly as often as any other. The start
// order turns from match to match so that no bot always registers first.
std::vector<MatchPrevu> calendrier(const Tournoi& tournoi);
