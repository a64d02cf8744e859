// Bots' names: any UTF-8 text a person would write ("Zoé Martin"), shown in
// tables and pages, and used as is for the bot's log file in each match.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The longest name, in characters (code points).
inline constexpr std::size_t nom_max = 40;

// Why `nom` cannot name a bot, or nothing when it can. Refused: an empty name,
// more than nom_max characters, invalid UTF-8, control characters, spaces at
// either end, a '/' or a leading '.' (the name becomes a file name).
std::optional<std::string> probleme_nom(std::string_view nom);

// The characters (code points) of valid UTF-8 `texte`.
std::size_t caracteres(std::string_view texte);

// `texte` followed by spaces up to `largeur` characters, for terminal columns
// (printf pads bytes, and an accented letter takes two).
std::string cadre_a_gauche(std::string_view texte, std::size_t largeur);
