// The results file of a match, whole on disk from the start: provisional
// results (`en_cours`) replaced every few seconds, then the final ones, each
// written atomically. After a crash the last provisional results remain.
#pragma once

#include <chrono>
#include <string>

#include "resultats/resultats.h"

class FichierResultats {
 public:
  static constexpr std::chrono::seconds intervalle{2};

  explicit FichierResultats(std::string chemin) : chemin_(std::move(chemin)) {}

  // Replaces the file; false when it could not. The first failure of the
  // match is said on standard error with its reason, the others are not.
  [[nodiscard]] bool ecrit(const resultats::Resultats& resultats);
  // True when provisional results are due again.
  bool a_rafraichir(std::chrono::steady_clock::time_point maintenant) const {
    return maintenant - dernier_ >= intervalle;
  }

 private:
  std::string chemin_;
  bool signale_ = false;
  std::chrono::steady_clock::time_point dernier_{};
};
