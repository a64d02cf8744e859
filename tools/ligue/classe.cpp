#include "ligue/classe.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <utility>

#include "langue/langue.h"
#include "noms/noms.h"

namespace {

std::string_view sans_espaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A field in double quotes from ligne[i], just past the opening quote, where
// "" stands for one quote; i ends past the closing quote. Nothing when it does not close.
std::optional<std::string> entre_guillemets(std::string_view ligne, std::size_t& i) {
  std::string champ;
  while (i < ligne.size()) {
    if (ligne[i] != '"') {
      champ += ligne[i++];
    } else if (i + 1 < ligne.size() && ligne[i + 1] == '"') {
      champ += '"';
      i += 2;
    } else {
      ++i;
      return champ;
    }
  }
  return std::nullopt;
}

// The fields of one line, or nothing when a quote does not close or text follows it.
std::optional<std::vector<std::string>> champs(std::string_view ligne, char separateur) {
  std::vector<std::string> faits;
  for (std::size_t i = 0;; ++i) {  // ++i steps over the separator
    while (i < ligne.size() && (ligne[i] == ' ' || ligne[i] == '\t')) ++i;
    const std::size_t fin = std::min(ligne.find(separateur, i), ligne.size());
    if (i < ligne.size() && ligne[i] == '"') {
      std::optional<std::string> champ = entre_guillemets(ligne, ++i);
      const std::size_t suite = std::min(ligne.find(separateur, i), ligne.size());
      if (!champ || !sans_espaces(ligne.substr(i, suite - i)).empty()) return std::nullopt;
      faits.push_back(std::move(*champ));
      i = suite;
    } else {
      faits.emplace_back(sans_espaces(ligne.substr(i, fin - i)));
      i = fin;
    }
    if (i >= ligne.size()) return faits;
  }
}

bool courriel_valide(std::string_view c) {
  const std::size_t a = c.find('@');
  return a != std::string_view::npos && a > 0 && a + 1 < c.size() &&
         c.find('@', a + 1) == std::string_view::npos &&
         std::none_of(c.begin(), c.end(), [](char x) {
           return static_cast<unsigned char>(x) <= ' ' || x == '<' || x == '>' || x == '"';
         });
}

bool est_entete(const std::vector<std::string>& f) {
  std::string premier = f[0];
  std::transform(premier.begin(), premier.end(), premier.begin(),
                 [](unsigned char x) { return static_cast<char>(std::tolower(x)); });
  return premier == "nom" || premier == "name" || premier == "eleve" || premier == "élève" ||
         premier == "student";
}

}  // namespace

std::variant<std::vector<Eleve>, std::string> lit_classe(std::string_view texte,
                                                         std::string_view fichier) {
  if (texte.starts_with("\xEF\xBB\xBF")) texte.remove_prefix(3);  // a spreadsheet's BOM
  std::vector<Eleve> eleves;
  std::map<std::string, std::size_t> lignes_des_noms;
  std::optional<char> separateur;
  bool premiere_ligne = true;  // the only one that may be a header
  std::size_t numero = 0;
  std::istringstream flux{std::string(texte)};
  const auto erreur = [&](const std::string& pourquoi) {
    return std::string(fichier) + ":" + std::to_string(numero) + ": " + pourquoi;
  };
  for (std::string ligne; std::getline(flux, ligne);) {
    ++numero;
    if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
    if (sans_espaces(ligne).empty()) continue;
    if (!separateur) separateur = ligne.find(';') != std::string::npos ? ';' : ',';
    const auto f = champs(ligne, *separateur);
    if (!f) return erreur(_("a quote that does not close"));
    if (f->size() > 2) return erreur(_("more than two fields (name, e-mail)"));
    if (std::exchange(premiere_ligne, false) && est_entete(*f)) continue;
    Eleve e{(*f)[0], f->size() > 1 ? (*f)[1] : ""};
    if (const std::string defaut = noms::defaut_du_nom(e.nom); !defaut.empty())
      return erreur(_("name \"") + e.nom + "\": " + defaut);
    if (!e.courriel.empty() && !courriel_valide(e.courriel))
      return erreur("\"" + e.courriel + _("\" is not an e-mail address"));
    if (const auto deja = lignes_des_noms.find(e.nom); deja != lignes_des_noms.end())
      return erreur("\"" + e.nom + _("\" is already on line ") + std::to_string(deja->second));
    lignes_des_noms[e.nom] = numero;
    eleves.push_back(std::move(e));
  }
  return eleves;
}

std::variant<std::vector<Eleve>, std::string> lit_fichier_classe(
    const std::filesystem::path& fichier) {
  std::ifstream entree(fichier, std::ios::binary);
  if (!entree) return fichier.string() + _(": cannot be read");
  std::ostringstream texte;
  texte << entree.rdbuf();
  return lit_classe(texte.str(), fichier.string());
}
