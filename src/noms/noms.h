// Players' names: which colour plays under which name, as the organiser gives
// them (--nom COULEUR=NOM, --noms FICHIER), checked here once for every program.
// A name is UTF-8 text of 1 to 40 characters (code points), without control
// characters; a colour has at most one name.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace noms {

using Noms = std::map<std::int64_t, std::string>;

inline constexpr std::size_t nom_max = 40;  // characters, not bytes

// A colour number in decimal ("-5", "16711680") or in hexadecimal RRGGBB ("0xFF0000").
std::optional<std::int64_t> lit_couleur(std::string_view texte);

// Why `nom` cannot be a name, in a few words; empty when it can.
[[nodiscard]] std::string defaut_du_nom(std::string_view nom);

// Adds "COULEUR=NOM"; empty when done, otherwise why not (the text is quoted).
[[nodiscard]] std::string ajoute_nom_option(Noms& noms, std::string_view option);

// Adds every "couleur nom" line of the file; empty lines and lines starting
// with # are skipped. Empty when done, otherwise why not, naming the file and
// the line.
[[nodiscard]] std::string ajoute_noms_fichier(Noms& noms, const std::string& chemin);

// The name of the colour, if it has one.
std::optional<std::string> nom_de(const Noms& noms, std::int64_t couleur);

// The characters (code points) of valid UTF-8 text; for screens, which count
// columns in characters.
std::u32string caracteres(std::string_view utf8);

}  // namespace noms
