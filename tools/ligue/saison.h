// The season: keeps matches going while the league is served, chooses who
// plays, counts each result once and refits the ratings after it.
#pragma once

#include <filesystem>
#include <memory>
#include <thread>

#include "ligue/configuration.h"
#include "ligue/direct.h"
#include "ligue/partie.h"

struct OptionsSaison {
  std::filesystem::path dossier;  // the league's
  ConfigurationLigue configuration;
  int paralleles = 1;  // matches at once here, or submitted to Slurm
  Programmes programmes;
  std::shared_ptr<EnDirect> direct;  // told of each match watchable live, if given
};

class Saison {
 public:
  // Matches a crash left running are planned again, then the season starts
  // on its own thread.
  explicit Saison(OptionsSaison o);
  ~Saison();  // arrete()
  Saison(const Saison&) = delete;
  Saison& operator=(const Saison&) = delete;
  // Running matches are stopped and marked 'abandonne'; waits for it. Idempotent.
  void arrete();

 private:
  std::jthread fil_;
};
