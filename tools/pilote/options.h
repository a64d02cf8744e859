// Command line of arene-pilote, and the exit statuses it documents.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "noms/noms.h"

struct OptionsPilote {
  std::string hote = "127.0.0.1";
  int port = 12345;
  std::optional<std::int64_t> couleur;  // nothing: the first free colour found by trying
  std::optional<std::string> rejoue;    // --rejoue: replay this recording, no server
  Noms noms;                            // --noms: what the game port cannot tell
  bool aide = false;                    // --help: print the usage and stop
};

// Why the program stopped; the value is the exit status.
enum class Sortie : int {
  Fin = 0,                      // the player quit
  MauvaisesOptions = 1,         // wrong command line
  Injoignable = 2,              // the server could not be reached
  ConnexionPerdue = 3,          // the server closed the connection or answered outside the protocol
  CouleurPrise = 4,             // the colour given with --couleur is in play
  TerminalInutilisable = 5,     // standard input or output is not a terminal ncurses can drive
  EnregistrementIllisible = 6,  // --rejoue: the file cannot be read as a recording
};
// A signal that ended the program (after the terminal was restored) gives 128 + its number.

// Nothing and a message in `erreur` when the command line is wrong.
std::optional<OptionsPilote> lit_options(const std::vector<std::string>& arguments,
                                         std::string& erreur);
// The help screen, in the reader's language.
std::string aide_pilote();
