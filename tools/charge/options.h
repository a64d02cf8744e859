// Command line of arene-charge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum class Melange { Statut, Vaisseaux, Balles, Cubes, Tire, Jeu, Repos, Ping };

struct OptionsCharge {
  std::string hote = "127.0.0.1";
  int port = 12345;
  int clients = 10;
  double secondes = 10.0;
  Melange melange = Melange::Statut;
  int pipeline = 1;
  int fils = 1;                              // worker threads driving the clients
  std::int64_t premiere_couleur = 0x100000;  // clients register from here upwards
  bool sonde = true;                         // measure the tick with a probe ship
  bool inscription = true;                   // register a ship on each connection
  bool sante = false;                        // --sonde: only check the arena's health
};

// The options, or the exit status when there is nothing to run: 0 after
// --help, 1 for a wrong command line (the message is printed).
std::variant<OptionsCharge, int> lit_options(int argc, const char* const* argv);
const char* nom_melange(Melange melange);
