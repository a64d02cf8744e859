// A league's settings, ligue.toml in its folder: written once by `init` with
// a comment on every key, edited by the teacher, read back by every command.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "match/duree.h"

struct ConfigurationLigue {
  std::int64_t joueurs = 4;  // bots per match
  match::DureePartie duree{60.0, match::DureePartie::Unite::Secondes};
  bool fin_survivant = false;  // also end when one ship is left
  // The cage of each bot's process.
  std::int64_t memoire_mo = 512;
  std::int64_t processus = 64;
  std::int64_t fichiers_mo = 64;
  std::int64_t matchs_simultanes = 1;
  std::string hote = "localhost";  // the host name in the students' links
  std::int64_t port = 8090;
};

// "60s", or ticks "2400t", as the file and a tournament's file write it.
[[nodiscard]] std::string texte_duree(const match::DureePartie& d);

// The file's text, comments included.
[[nodiscard]] std::string texte_configuration(const ConfigurationLigue& c);

// The settings, or why not: "FILE:LINE: key: why" for the first problem.
[[nodiscard]] std::variant<ConfigurationLigue, std::string> lit_configuration(
    const std::filesystem::path& fichier);
