#include "noms/noms.h"

#include <charconv>
#include <fstream>

#include "langue/langue.h"

namespace {

// A names file is a class list, not a database: beyond this it is a mistake.
constexpr std::size_t taille_fichier_max = 1 << 20;

template <typename T>
bool lit_nombre(std::string_view texte, T& valeur, int base = 10) {
  const auto [fin, erreur] =
      std::from_chars(texte.data(), texte.data() + texte.size(), valeur, base);
  return !texte.empty() && erreur == std::errc{} && fin == texte.data() + texte.size();
}

// The code point that starts at `i`, and moves `i` past it; nothing for
// bytes that are not UTF-8 (overlong forms and surrogates included).
std::optional<char32_t> decode(std::string_view s, std::size_t& i) {
  const auto octet = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char tete = octet(i);
  constexpr std::size_t invalide = 9;
  const std::size_t suite = tete < 0x80   ? 0
                            : tete < 0xC2 ? invalide
                            : tete < 0xE0 ? 1
                            : tete < 0xF0 ? 2
                            : tete < 0xF5 ? 3
                                          : invalide;
  if (suite == invalide || i + suite >= s.size()) return std::nullopt;
  char32_t c = suite == 0 ? tete : tete & (0x3F >> suite);
  for (std::size_t k = 1; k <= suite; ++k) {
    if ((octet(i + k) & 0xC0) != 0x80) return std::nullopt;
    c = c << 6 | (octet(i + k) & 0x3F);
  }
  constexpr char32_t plus_petit[] = {0, 0x80, 0x800, 0x10000};
  if (c < plus_petit[suite] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  i += suite + 1;
  return c;
}

bool controle(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

std::string_view sans_blancs(std::string_view s) {
  const auto debut = s.find_first_not_of(" \t");
  if (debut == std::string_view::npos) return {};
  return s.substr(debut, s.find_last_not_of(" \t") - debut + 1);
}

std::string ajoute(Noms& noms, std::string_view texte_couleur, std::string_view nom) {
  const auto couleur = lit_couleur(texte_couleur);
  if (!couleur) return _("not a colour: \"") + std::string(texte_couleur) + "\"";
  if (std::string defaut = defaut_du_nom(nom); !defaut.empty()) return defaut;
  if (const auto deja = noms.find(*couleur); deja != noms.end())
    return _("colour ") + std::to_string(*couleur) + _(" already has a name: \"") + deja->second +
           "\"";
  noms.emplace(*couleur, std::string(nom));
  return {};
}

}  // namespace

std::optional<std::int64_t> lit_couleur(std::string_view texte) {
  std::int64_t valeur = 0;
  if (texte.starts_with("0x") || texte.starts_with("0X")) {
    texte.remove_prefix(2);
    // A sign after the prefix would make "0x-1" a colour: refuse it.
    if (texte.starts_with('-') || !lit_nombre(texte, valeur, 16)) return std::nullopt;
    return valeur;
  }
  if (!lit_nombre(texte, valeur)) return std::nullopt;
  return valeur;
}

std::string defaut_du_nom(std::string_view nom) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < nom.size(); ++n) {
    const auto c = decode(nom, i);
    if (!c) return _("a name must be UTF-8 text (byte ") + std::to_string(i + 1) + _(" is not)");
    if (controle(*c))
      return _("a name may not hold control characters (character ") + std::to_string(n + 1) + ")";
  }
  if (sans_blancs(nom).empty()) return _("a name may not be empty");
  if (n > nom_max)
    return _("a name has at most ") + std::to_string(nom_max) + _(" characters, not ") +
           std::to_string(n);
  return {};
}

std::string ajoute_nom_option(Noms& noms, std::string_view option) {
  const auto egal = option.find('=');
  if (egal == std::string_view::npos) return _("expected COULEUR=NOM");
  return ajoute(noms, option.substr(0, egal), sans_blancs(option.substr(egal + 1)));
}

std::string ajoute_noms_fichier(Noms& noms, const std::string& chemin) {
  std::ifstream fichier(chemin, std::ios::binary);
  if (!fichier) return chemin + _(": cannot be read");
  std::string ligne;
  std::size_t numero = 0;
  std::size_t lus = 0;
  while (std::getline(fichier, ligne)) {
    ++numero;
    lus += ligne.size() + 1;
    if (lus > taille_fichier_max)
      return chemin + _(": more than ") + std::to_string(taille_fichier_max) + _(" bytes");
    // A file saved on Windows ends its lines with CR LF.
    if (ligne.ends_with('\r')) ligne.pop_back();
    const std::string_view texte = sans_blancs(ligne);
    if (texte.empty() || texte.starts_with('#')) continue;
    const auto blanc = texte.find_first_of(" \t");
    const std::string erreur =
        blanc == std::string_view::npos
            ? std::string(_("expected a colour, a space and a name"))
            : ajoute(noms, texte.substr(0, blanc), sans_blancs(texte.substr(blanc)));
    if (!erreur.empty()) return chemin + ":" + std::to_string(numero) + ": " + erreur;
  }
  if (fichier.bad()) return chemin + _(": cannot be read");
  return {};
}

std::optional<std::string> nom_de(const Noms& noms, std::int64_t couleur) {
  const auto trouve = noms.find(couleur);
  if (trouve == noms.end()) return std::nullopt;
  return trouve->second;
}

std::u32string caracteres(std::string_view utf8) {
  std::u32string points;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = decode(utf8, i);
    if (!c) {
      points += U'?';
      ++i;
      continue;
    }
    points += *c;
  }
  return points;
}
