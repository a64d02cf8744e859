// The class file: one student a line, "name" or "name,e-mail" (or ";"
// between them, as spreadsheets in French write CSV), UTF-8, an optional
// header line, fields optionally in double quotes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct Eleve {
  std::string nom;
  std::string courriel;  // empty when not given
};

// The students in the file's order, or why not: "FILE:LINE: why" for the
// first problem (a name the project refuses, a bad e-mail, a name twice).
[[nodiscard]] std::variant<std::vector<Eleve>, std::string> lit_classe(std::string_view texte,
                                                                       std::string_view fichier);
[[nodiscard]] std::variant<std::vector<Eleve>, std::string> lit_fichier_classe(
    const std::filesystem::path& fichier);
