// `arene-ligue sert`: the league's pages over HTTP, from its folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

struct OptionsSertLigue {
  std::filesystem::path dossier;
  std::optional<std::int64_t> port;        // ligue.toml's when not given
  std::string adresse = "0.0.0.0";         // the class reaches it from other machines
  std::optional<std::int64_t> paralleles;  // ligue.toml's matchs_simultanes when not given
  bool slurm = false;                      // matches as Slurm jobs rather than here
  std::optional<std::string> partition;
  std::filesystem::path kits;  // the client kits for builds and bots; empty: the installed ones
};

// Serves and runs the season until a signal stops both, the season's
// running matches first; 1 after saying why when the
// league cannot be read or the port cannot be had.
[[nodiscard]] int sert_ligue(const OptionsSertLigue& o);
