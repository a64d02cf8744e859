// `arene-ligue init` and `arene-ligue liens`: a league's folder made whole or
// not at all, and the private links it gives.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>

struct OptionsInit {
  std::filesystem::path dossier;
  std::optional<std::filesystem::path> classe;  // CSV of the students
};

inline constexpr const char* fichier_configuration = "ligue.toml";
inline constexpr const char* fichier_base = "ligue.sqlite";

// Makes the folder, then writes the links to `sortie` as `liens` does.
// Refuses a path that exists. 0 when done; otherwise 1, with the reason on `erreurs`.
[[nodiscard]] int init(const OptionsInit& o, std::ostream& sortie, std::ostream& erreurs);

// One line per link: "URL  teacher" first, then "URL  NAME" per student in
// the class file's order. 0 when done, 1 with the reason on `erreurs`.
[[nodiscard]] int liens(const std::filesystem::path& dossier, std::ostream& sortie,
                        std::ostream& erreurs);
