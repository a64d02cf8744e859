// The command line of arene-arbitre.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "match/partie.h"

struct OptionsArbitre {
  std::int64_t port = 12345;
  bool debug = false;
  std::optional<std::uint64_t> graine;
  match::ReglesPartie regles;
  std::string resultats;   // empty: none
  std::string enregistre;  // empty: none
  std::optional<int> spectateurs;
  // A listening socket inherited from the program that started this one, in
  // place of --spectateurs: it may listen where this process cannot bind.
  std::optional<int> spectateurs_fd;
  int max_spectateurs = 64;
  int max_par_adresse = 8;

  bool avec_spectateurs() const { return spectateurs || spectateurs_fd; }
};

// The options, or the exit status when the program must stop here: 0 after
// --help, 1 after a wrong command line (the message already printed).
std::variant<OptionsArbitre, int> lit_options(int argc, const char* const* argv);
