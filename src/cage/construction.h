// One bot's build in the cage: its folder writable, no network, bounded in
// time, memory and processes, its output in a journal cut at a size. Shared
// by the tournament and the league, which build students' code the same way.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cage/enceinte.h"

namespace cage {

struct Construction {
  std::filesystem::path dossier;                // the bot's, where the command runs
  std::string commande;                         // through /bin/sh
  std::filesystem::path journal;                // replaced by the build's output
  std::vector<std::filesystem::path> lectures;  // readable too: the kits
  Limites limites;
  bool cage = true;  // false: the build runs as this process, with no sandbox
  std::chrono::milliseconds duree_max = std::chrono::minutes(10);
};

// Why the build failed ("exit 2", "limit memory", ...); empty when it worked.
[[nodiscard]] std::string construit(const Construction& c);

}  // namespace cage
