// Bots' names: a player's name as the referee takes it (noms/noms.h), which
// the tournament also uses as is for the bot's log file in each match.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "noms/noms.h"

// Why `nom` cannot name a bot, or nothing when it can: what the referee
// refuses (invalid UTF-8, control characters, no text, more than nom_max
// characters), and besides a '/' or a leading '.', which would make the log
// file's name a path or a hidden file, and spaces at either end, which the
// referee would trim, so that the tournament and its matches would disagree.
std::optional<std::string> probleme_nom(std::string_view nom);

// `texte` followed by spaces up to `largeur` characters, for terminal columns
// (printf pads bytes, and an accented letter takes two).
std::string cadre_a_gauche(std::string_view texte, std::size_t largeur);
