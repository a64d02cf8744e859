#include "ligue/pages.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

#include "ligue/base.h"
#include "ligue/jetons.h"
#include "ligue/tableau.h"

namespace {

struct Textes {
  const char* lang;
  const char* titre;
  const char* aucun_match;
  const char* colonnes;  // the leaderboard's header cells
  const char* versions;
  const char* aucune_version;
  const char* colonnes_versions;
  const char* introuvable;
};

constexpr Textes francais{
    "fr",
    "Classement de la ligue",
    "Pas encore de match.",
    "<th>Rang</th><th>Bot</th><th>Note (intervalle à 95 %)</th><th>Matchs</th>"
    "<th>Taux de victoire</th><th>Rang moyen</th>",
    "Vos versions",
    "Pas encore de version.",
    "<th>Version</th><th>Langage</th><th>Déposée</th><th>État</th>",
    "Page introuvable."};
constexpr Textes anglais{"en",
                         "League leaderboard",
                         "No matches yet.",
                         "<th>Rank</th><th>Bot</th><th>Rating (95 % interval)</th><th>Matches</th>"
                         "<th>Win rate</th><th>Mean rank</th>",
                         "Your versions",
                         "No version yet.",
                         "<th>Version</th><th>Language</th><th>Sent</th><th>State</th>",
                         "No such page."};

const Textes& textes(Langue l) { return l == Langue::Francais ? francais : anglais; }

std::string nombre(const char* format, double x) {
  char tampon[32];
  std::snprintf(tampon, sizeof tampon, format, x);
  return tampon;
}

std::string page(const Textes& t, const std::string& titre, const std::string& corps) {
  return std::string("<!DOCTYPE html>\n<html lang=\"") + t.lang +
         "\"><head><meta charset=\"utf-8\"><title>" + tribune::echappe_html(titre) +
         "</title><style>body{font-family:sans-serif;background:#10141c;color:#e6e6e6;margin:2em}"
         "table{border-collapse:collapse}td,th{padding:.3em .8em;border-bottom:1px solid #333}"
         "td.n{text-align:right}</style></head><body>\n<h1>" +
         tribune::echappe_html(titre) + "</h1>\n" + corps + "</body></html>\n";
}

std::string ligne_tableau(std::size_t rang, const LigneTableau& l) {
  const double taux = static_cast<double>(l.victoires) / static_cast<double>(l.matchs);
  return "<tr><td class=n>" + std::to_string(rang) + "</td><td>" + tribune::echappe_html(l.nom) +
         " v" + std::to_string(l.version) + "</td><td class=n>" + nombre("%.0f", l.note) + " [" +
         nombre("%.0f", l.intervalle.bas) + ", " + nombre("%.0f", l.intervalle.haut) +
         "]</td><td class=n>" + std::to_string(l.matchs) + "</td><td class=n>" +
         nombre("%.0f %%", 100 * taux) + "</td><td class=n>" + nombre("%.2f", l.rang_moyen) +
         "</td></tr>\n";
}

tribune::PageHttp page_classement(sqlite3* base, const Textes& t) {
  const std::vector<LigneTableau> lignes = tableau(base);
  if (lignes.empty())
    return {200, "text/html; charset=utf-8",
            page(t, t.titre, std::string("<p>") + t.aucun_match + "</p>\n")};
  std::string corps = std::string("<table>\n<tr>") + t.colonnes + "</tr>\n";
  for (std::size_t i = 0; i < lignes.size(); ++i) corps += ligne_tableau(i + 1, lignes[i]);
  return {200, "text/html; charset=utf-8", page(t, t.titre, corps + "</table>\n")};
}

// The student whose token this is, compared with every token in constant
// time so that the answer's delay tells nothing about the others.
std::optional<std::int64_t> eleve_du_jeton(sqlite3* base, std::string_view jeton) {
  Requete r = prepare(base, "SELECT id, jeton FROM eleves");
  std::optional<std::int64_t> trouve;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string_view autre = reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 1));
    if (jetons_egaux(jeton, autre)) trouve = sqlite3_column_int64(r.get(), 0);
  }
  return trouve;
}

tribune::PageHttp eleve(sqlite3* base, std::int64_t id, const Textes& t) {
  Requete nom = prepare(base, "SELECT nom FROM eleves WHERE id = ?1");
  sqlite3_bind_int64(nom.get(), 1, id);
  if (sqlite3_step(nom.get()) != SQLITE_ROW)
    return {404, "text/plain; charset=utf-8", t.introuvable};
  const std::string titre = reinterpret_cast<const char*>(sqlite3_column_text(nom.get(), 0));
  Requete r = prepare(base,
                      "SELECT numero, langage, deposee, etat FROM versions WHERE eleve = ?1 "
                      "ORDER BY numero DESC");
  sqlite3_bind_int64(r.get(), 1, id);
  std::string lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    lignes += "<tr><td class=n>" + std::to_string(sqlite3_column_int(r.get(), 0)) + "</td>";
    for (int c = 1; c < 4; ++c)
      lignes +=
          "<td>" +
          tribune::echappe_html(reinterpret_cast<const char*>(sqlite3_column_text(r.get(), c))) +
          "</td>";
    lignes += "</tr>\n";
  }
  std::string corps = std::string("<h2>") + t.versions + "</h2>\n";
  corps += lignes.empty() ? std::string("<p>") + t.aucune_version + "</p>\n"
                          : std::string("<table>\n<tr>") + t.colonnes_versions + "</tr>\n" +
                                lignes + "</table>\n";
  return {200, "text/html; charset=utf-8", page(t, titre, corps)};
}

tribune::PageHttp reponds(sqlite3* base, std::string_view chemin, const Textes& t) {
  if (chemin == "/") return page_classement(base, t);
  if (chemin.starts_with("/eleve/"))
    if (const auto id = eleve_du_jeton(base, chemin.substr(7))) return eleve(base, *id, t);
  return {404, "text/plain; charset=utf-8", std::string(t.introuvable) + "\n"};
}

}  // namespace

Langue langue_de(std::string_view accept_language) {
  const std::string_view premiere = accept_language.substr(0, accept_language.find_first_of(",;"));
  const bool fr = premiere.size() >= 2 && std::tolower(premiere[0]) == 'f' &&
                  std::tolower(premiere[1]) == 'r' && (premiere.size() == 2 || premiere[2] == '-');
  return fr ? Langue::Francais : Langue::Anglais;
}

tribune::PageHttp page_ligue(const std::filesystem::path& fichier, const tribune::DemandeHttp& r) {
  const Textes& t = textes(langue_de(r.accept_language));
  const std::string_view chemin = std::string_view(r.cible).substr(0, r.cible.find('?'));
  try {
    Base base = ouvre_base(fichier, true);
    return reponds(base.get(), chemin, t);
  } catch (const std::exception& e) {
    return {500, "text/plain; charset=utf-8", std::string("database: ") + e.what() + "\n"};
  }
}
