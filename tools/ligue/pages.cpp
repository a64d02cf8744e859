#include "ligue/pages.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "ligue/base.h"
#include "ligue/jetons.h"
#include "ligue/tableau.h"
#include "visionneuse.h"

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
  const char* non_separe;  // the mark's tooltip
  const char* projecteur;  // the link to the projector page
};

constexpr Textes francais{
    "fr",
    "Classement de la ligue",
    "Pas encore de match.",
    "<th>Rang</th><th>Bot</th><th>Note (intervalle à 95 %)</th><th>Matchs</th>"
    "<th>Taux de victoire</th><th>Rang moyen</th><th>Évolution</th>",
    "Vos versions",
    "Pas encore de version.",
    "<th>Version</th><th>Langage</th><th>Déposée</th><th>État</th>",
    "Page introuvable.",
    "pas séparé du suivant : leurs intervalles se recouvrent, leur ordre peut tenir du hasard",
    "Le match en direct, pour le vidéoprojecteur"};
constexpr Textes anglais{"en",
                         "League leaderboard",
                         "No matches yet.",
                         "<th>Rank</th><th>Bot</th><th>Rating (95 % interval)</th><th>Matches</th>"
                         "<th>Win rate</th><th>Mean rank</th><th>Over time</th>",
                         "Your versions",
                         "No version yet.",
                         "<th>Version</th><th>Language</th><th>Sent</th><th>State</th>",
                         "No such page.",
                         "not separated from the next: their intervals overlap, so their order "
                         "may be chance",
                         "The live match, for the projector"};

const Textes& textes(Langue l) { return l == Langue::Francais ? francais : anglais; }

std::string nombre(const char* format, double x) {
  char tampon[32];
  std::snprintf(tampon, sizeof tampon, format, x);
  return tampon;
}

std::string page(const Textes& t, const std::string& titre, const std::string& corps,
                 std::string_view tete = "") {
  return std::string("<!DOCTYPE html>\n<html lang=\"") + t.lang +
         "\"><head><meta charset=\"utf-8\">" + std::string(tete) + "<title>" +
         tribune::echappe_html(titre) +
         "</title><style>body{font-family:sans-serif;background:#10141c;color:#e6e6e6;margin:2em}"
         "table{border-collapse:collapse}td,th{padding:.3em .8em;border-bottom:1px solid #333}"
         "td.n{text-align:right}</style></head><body>\n<h1>" +
         tribune::echappe_html(titre) + "</h1>\n" + corps + "</body></html>\n";
}

// Each version's ratings after each refit, oldest first.
std::map<std::int64_t, std::vector<double>> historiques(sqlite3* base) {
  Requete r = prepare(base, "SELECT version, note FROM historique_notes ORDER BY id");
  std::map<std::int64_t, std::vector<double>> notes;
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    notes[sqlite3_column_int64(r.get(), 0)].push_back(sqlite3_column_double(r.get(), 1));
  return notes;
}

std::string ligne_tableau(std::size_t rang, const LigneTableau& l, const std::string& marque,
                          const std::string& dessin) {
  const double taux = static_cast<double>(l.victoires) / static_cast<double>(l.matchs);
  return "<tr><td class=n>" + std::to_string(rang) + "</td><td>" + tribune::echappe_html(l.nom) +
         " v" + std::to_string(l.version) + marque + "</td><td class=n>" + nombre("%.0f", l.note) +
         " [" + nombre("%.0f", l.intervalle.bas) + ", " + nombre("%.0f", l.intervalle.haut) +
         "]</td><td class=n>" + std::to_string(l.matchs) + "</td><td class=n>" +
         nombre("%.0f %%", 100 * taux) + "</td><td class=n>" + nombre("%.2f", l.rang_moyen) +
         "</td><td>" + dessin + "</td></tr>\n";
}

// The season plays on: the leaderboard follows by itself.
constexpr const char* rafraichit = "<meta http-equiv=\"refresh\" content=\"30\">";

// The ratings the last refits stored: fitting on each request would take
// seconds once the season has thousands of matches.
std::string table_classement(sqlite3* base, const Textes& t) {
  const std::vector<LigneTableau> lignes = tableau_enregistre(base);
  if (lignes.empty()) return std::string("<p>") + t.aucun_match + "</p>\n";
  const auto notes = historiques(base);
  double bas = 1e300, haut = -1e300;
  for (const auto& [version, n] : notes)
    for (double x : n) bas = std::min(bas, x), haut = std::max(haut, x);
  std::string corps = std::string("<table>\n<tr>") + t.colonnes + "</tr>\n";
  for (std::size_t i = 0; i < lignes.size(); ++i) {
    const bool recouvre =
        i + 1 < lignes.size() && lignes[i].intervalle.bas <= lignes[i + 1].intervalle.haut;
    const std::string marque =
        recouvre ? std::string(" <span class=ns title=\"") + t.non_separe + "\">≈</span>" : "";
    const auto n = notes.find(lignes[i].id);
    corps += ligne_tableau(i + 1, lignes[i], marque,
                           n == notes.end() ? "" : courbe(n->second, bas, haut));
  }
  return corps + "</table>\n";
}

tribune::PageHttp page_classement(sqlite3* base, const Textes& t) {
  const std::string lien = std::string("<p><a href=\"/projecteur\">") + t.projecteur + "</a></p>\n";
  return {200, "text/html; charset=utf-8",
          page(t, t.titre, lien + "<div id=classement>" + table_classement(base, t) + "</div>\n",
               rafraichit)};
}

// The viewer runs its own inline script and reads streams and recordings
// from this origin; nothing else.
constexpr const char* politique_visionneuse =
    "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
    "connect-src 'self'; img-src 'self' data: blob:";

tribune::PageHttp reponds(sqlite3* base, const std::filesystem::path& fichier,
                          std::string_view chemin, Langue langue, const Postes& postes,
                          const EnDirect& direct) {
  const Textes& t = textes(langue);
  if (chemin == "/") return page_classement(base, t);
  if (auto p = page_projecteur(base, chemin, langue, direct)) return std::move(*p);
  if (chemin == "/depot.js") return script_depot();
  // Replays and live matches open in the viewer served from here, on the league's own port.
  if (chemin == "/visionneuse.html")
    return {200,   "text/html; charset=utf-8", std::string(page_visionneuse()), {}, {},
            false, politique_visionneuse};
  if (chemin.starts_with("/eleve/") || chemin.starts_with("/admin/"))
    if (auto p = page_privee(base, fichier, chemin, langue, postes)) return std::move(*p);
  return {404, "text/plain; charset=utf-8", std::string(t.introuvable) + "\n"};
}

}  // namespace

// No script, no library: a polyline in an inline SVG.
std::string courbe(const std::vector<double>& notes, double bas, double haut) {
  if (notes.size() < 2) return "";
  constexpr double largeur = 120, hauteur = 28;
  // One point per pixel at most: a season of thousands of refits would
  // otherwise weigh megabytes.
  const std::size_t n = std::min<std::size_t>(notes.size(), static_cast<std::size_t>(largeur) + 1);
  std::string points;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = k * (notes.size() - 1) / (n - 1);
    const double x = largeur * static_cast<double>(i) / static_cast<double>(notes.size() - 1);
    const double y = hauteur - 2 - (hauteur - 4) * (notes[i] - bas) / std::max(haut - bas, 1.0);
    points += nombre("%.1f", x) + "," + nombre("%.1f", y) + " ";
  }
  return "<svg width=120 height=28 viewBox=\"0 0 120 28\"><polyline fill=none "
         "stroke=\"#6cf\" stroke-width=1.5 points=\"" +
         points + "\"/></svg>";
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

bool jeton_admin_valide(sqlite3* base, std::string_view jeton) {
  return jetons_egaux(jeton, jeton_administrateur(base));
}

std::string document(Langue l, const std::string& titre, const std::string& corps,
                     std::string_view tete) {
  return page(textes(l), titre, corps, tete);
}

std::string classement_html(sqlite3* base, Langue l) { return table_classement(base, textes(l)); }

Langue langue_de(std::string_view accept_language) {
  const std::string_view premiere = accept_language.substr(0, accept_language.find_first_of(",;"));
  const bool fr = premiere.size() >= 2 && std::tolower(premiere[0]) == 'f' &&
                  std::tolower(premiere[1]) == 'r' && (premiere.size() == 2 || premiere[2] == '-');
  return fr ? Langue::Francais : Langue::Anglais;
}

tribune::PageHttp page_ligue(const std::filesystem::path& fichier, const tribune::DemandeHttp& r,
                             const Postes& postes, const EnDirect& direct) {
  const std::string_view chemin = std::string_view(r.cible).substr(0, r.cible.find('?'));
  try {
    if (r.methode == "POST") return action_ligue(fichier, r, langue_de(r.accept_language));
    Base base = ouvre_base(fichier, true);
    return reponds(base.get(), fichier, chemin, langue_de(r.accept_language), postes, direct);
  } catch (const std::exception& e) {
    return {500, "text/plain; charset=utf-8", std::string("database: ") + e.what() + "\n"};
  }
}
