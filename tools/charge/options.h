// Command line of arene-charge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

// Nothing and a message in `erreur` when the command line is wrong.
std::optional<OptionsCharge> lit_options(const std::vector<std::string>& arguments,
                                         std::string& erreur);
const char* nom_melange(Melange melange);
extern const char* const aide_charge;
