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
  int max_spectateurs = 64;
  int max_par_adresse = 8;
};

// The options, or the exit status when the program must stop here: 0 after
// --help, 1 after a wrong command line (the message already printed).
std::variant<OptionsArbitre, int> lit_options(int argc, const char* const* argv);
