// The pages behind a token: a student's (upload, builds, matches, rivals,
// rating) and the teacher's (settings, class, matches, season, exports).
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "ligue/base.h"
#include "ligue/creation.h"
#include "ligue/pages.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

std::string formulaire_depot(const Mots& m, const std::string& cible) {
  std::string options;
  for (const char* l : {"python", "c", "cpp", "java", "javascript"})
    options += std::string("<option>") + l + "</option>";
  return "<h2>" + m.deposer + "</h2>\n<form id=depot data-cible=\"" + tribune::echappe_html(cible) +
         "\"><select id=langage>" + options +
         "</select> <input type=file id=fichier required> <button>" + m.envoyer +
         "</button></form>\n<p id=reponse></p>\n<script src=\"/depot.js\"></script>\n";
}

std::string versions(sqlite3* base, std::int64_t eleve, const Mots& m) {
  Requete r = prepare(base,
                      "SELECT numero, langage, deposee, etat, journal FROM versions "
                      "WHERE eleve = ?1 ORDER BY numero DESC");
  sqlite3_bind_int64(r.get(), 1, eleve);
  std::string lignes, journaux;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string numero = std::to_string(sqlite3_column_int(r.get(), 0));
    lignes += "<tr><td class=n>" + numero + "</td>" + cellule(colonne(r.get(), 1)) +
              cellule(colonne(r.get(), 2)) + cellule(etat_lisible(m, colonne(r.get(), 3))) +
              "</tr>\n";
    if (sqlite3_column_type(r.get(), 4) != SQLITE_NULL)
      journaux += std::string("<details") + (journaux.empty() ? " open" : "") + "><summary>" +
                  m.journal_construction + " v" + numero + "</summary><pre>" +
                  tribune::echappe_html(colonne(r.get(), 4)) + "</pre></details>\n";
  }
  if (lignes.empty()) return "<h2>" + m.versions + "</h2>\n<p>" + m.aucune + "</p>\n";
  return "<h2>" + m.versions + "</h2>\n<table>\n<tr>" + m.colonnes_versions + "</tr>\n" + lignes +
         "</table>\n" + journaux;
}

std::string matchs_eleve(sqlite3* base, std::int64_t eleve, const std::string& racine,
                         const Mots& m) {
  Requete r = prepare(base,
                      "SELECT p.match, m.etat, COALESCE(m.fin, m.debut, ''), v.numero, p.rang, "
                      "m.enregistrement IS NOT NULL FROM participations p "
                      "JOIN versions v ON v.id = p.version JOIN matchs m ON m.id = p.match "
                      "WHERE v.eleve = ?1 ORDER BY p.match DESC LIMIT 200");
  sqlite3_bind_int64(r.get(), 1, eleve);
  std::string lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string match = std::to_string(sqlite3_column_int64(r.get(), 0));
    const bool rang = sqlite3_column_type(r.get(), 4) != SQLITE_NULL;
    lignes +=
        "<tr><td class=n>" + match + "</td>" + cellule(etat_lisible(m, colonne(r.get(), 1))) +
        cellule(colonne(r.get(), 2)) + "<td class=n>v" + colonne(r.get(), 3) + "</td><td class=n>" +
        (rang ? colonne(r.get(), 4) : "") + "</td><td>" +
        (sqlite3_column_int(r.get(), 5) ? liens_enregistrement(racine, match, m.revoir, m) + " "
                                        : "") +
        "<a href=\"" + racine + "/journal/" + match + "\">" + m.journal_bot + "</a></td></tr>\n";
  }
  if (lignes.empty()) return "<h2>" + m.matchs + "</h2>\n<p>" + m.aucun_match + "</p>\n";
  return "<h2>" + m.matchs + "</h2>\n<table>\n<tr>" + m.colonnes_matchs + "</tr>\n" + lignes +
         "</table>\n";
}

// Against each other student met: how often this one finished ahead, behind.
std::string adversaires(sqlite3* base, std::int64_t eleve, const Mots& m) {
  Requete r = prepare(base,
                      "SELECT e.nom, SUM(moi.rang < lui.rang), SUM(moi.rang > lui.rang), "
                      "SUM(moi.rang = lui.rang) FROM participations moi "
                      "JOIN versions mv ON mv.id = moi.version "
                      "JOIN participations lui ON lui.match = moi.match AND lui.version != "
                      "moi.version JOIN versions lv ON lv.id = lui.version "
                      "JOIN eleves e ON e.id = lv.eleve "
                      "WHERE mv.eleve = ?1 AND lv.eleve != ?1 AND moi.rang IS NOT NULL AND "
                      "lui.rang IS NOT NULL GROUP BY e.id ORDER BY e.nom");
  sqlite3_bind_int64(r.get(), 1, eleve);
  std::string lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    lignes += "<tr>" + cellule(colonne(r.get(), 0)) + "<td class=n>" + colonne(r.get(), 1) +
              "</td><td class=n>" + colonne(r.get(), 2) + "</td><td class=n>" +
              colonne(r.get(), 3) + "</td></tr>\n";
  if (lignes.empty()) return "";
  return "<h2>" + m.adversaires + "</h2>\n<table>\n<tr>" + m.colonnes_adversaires + "</tr>\n" +
         lignes + "</table>\n";
}

// One line per version of the student's, newest first, on one scale so that they compare.
std::string courbes(sqlite3* base, std::int64_t eleve, const Mots& m) {
  Requete r = prepare(base,
                      "SELECT v.numero, h.note FROM historique_notes h "
                      "JOIN versions v ON v.id = h.version WHERE v.eleve = ?1 ORDER BY h.id");
  sqlite3_bind_int64(r.get(), 1, eleve);
  std::map<std::int64_t, std::vector<double>, std::greater<>> par_version;
  double bas = 1e300, haut = -1e300;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const double note = sqlite3_column_double(r.get(), 1);
    par_version[sqlite3_column_int64(r.get(), 0)].push_back(note);
    bas = std::min(bas, note), haut = std::max(haut, note);
  }
  std::string lignes;
  for (const auto& [numero, notes] : par_version)
    if (const std::string dessin = courbe(notes, bas, haut); !dessin.empty())
      lignes += "<div class=courbe>v" + std::to_string(numero) + " " + dessin + "</div>\n";
  if (lignes.empty()) return "";
  return "<h2>" + m.courbe + "</h2>\n" + lignes;
}

std::string notes(sqlite3* base, std::int64_t eleve, const Mots& m) {
  Requete r =
      prepare(base,
              "SELECT h.apres_match, v.numero, h.note, h.bas, h.haut FROM historique_notes h "
              "JOIN versions v ON v.id = h.version WHERE v.eleve = ?1 "
              "ORDER BY h.id DESC LIMIT 50");
  sqlite3_bind_int64(r.get(), 1, eleve);
  std::string lignes;
  char tampon[96];
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    std::snprintf(tampon, sizeof tampon, "<td class=n>%.0f [%.0f, %.0f]</td>",
                  sqlite3_column_double(r.get(), 2), sqlite3_column_double(r.get(), 3),
                  sqlite3_column_double(r.get(), 4));
    lignes += "<tr><td class=n>" + colonne(r.get(), 0) + "</td><td class=n>v" +
              colonne(r.get(), 1) + "</td>" + tampon + "</tr>\n";
  }
  if (lignes.empty()) return "";
  return "<h2>" + m.notes + "</h2>\n<table>\n<tr>" + m.colonnes_notes + "</tr>\n" + lignes +
         "</table>\n";
}

tribune::PageHttp page_eleve(sqlite3* base, std::int64_t id, const std::string& racine, Langue l) {
  const Mots& m = mots(l);
  Requete nom = prepare(base, "SELECT nom FROM eleves WHERE id = ?1");
  sqlite3_bind_int64(nom.get(), 1, id);
  if (sqlite3_step(nom.get()) != SQLITE_ROW) return {404, html, m.introuvable};
  tribune::PageHttp p{200, html,
                      document(l, colonne(nom.get(), 0),
                               formulaire_depot(m, racine + "/depot") + versions(base, id, m) +
                                   matchs_eleve(base, id, racine, m) + adversaires(base, id, m) +
                                   courbes(base, id, m) + notes(base, id, m))};
  p.avec_script = true;
  return p;
}

// The student's own version in that match, if they played it.
std::optional<std::int64_t> version_jouee(sqlite3* base, std::int64_t eleve,
                                          const std::string& match) {
  Requete r = prepare(base,
                      "SELECT p.version FROM participations p JOIN versions v ON v.id = p.version "
                      "WHERE p.match = ?1 AND v.eleve = ?2");
  sqlite3_bind_int64(r.get(), 1, std::stoll(match));
  sqlite3_bind_int64(r.get(), 2, eleve);
  if (sqlite3_step(r.get()) != SQLITE_ROW) return std::nullopt;
  return sqlite3_column_int64(r.get(), 0);
}

std::optional<tribune::PageHttp> sous_page_eleve(sqlite3* base, const fs::path& ligue,
                                                 std::int64_t eleve, std::string_view reste) {
  const auto barre = reste.find('/');
  const std::string quoi(reste.substr(0, barre));
  const std::string match(barre == std::string_view::npos ? "" : reste.substr(barre + 1));
  if (match.empty() || match.size() > 18 ||
      match.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const auto version = version_jouee(base, eleve, match);
  if (!version) return std::nullopt;
  if (quoi == "enregistrement") return enregistrement_match(base, ligue, match);
  if (quoi == "journal")
    return fichier_ligue(journal_bot(ligue, std::stoll(match), *version),
                         "text/plain; charset=utf-8", "");
  return std::nullopt;
}

}  // namespace

std::optional<tribune::PageHttp> page_privee(sqlite3* base, const fs::path& fichier,
                                             std::string_view chemin, Langue l,
                                             const Postes& postes) {
  const bool admin = chemin.starts_with("/admin/");
  const std::string_view apres = chemin.substr(7);
  const std::string_view jeton = apres.substr(0, apres.find('/'));
  const std::string_view reste =
      jeton.size() < apres.size() ? apres.substr(jeton.size() + 1) : std::string_view();
  const std::string racine = std::string(chemin.substr(0, 7)) + std::string(jeton);
  if (admin) {
    if (!jeton_admin_valide(base, jeton)) return std::nullopt;
    return page_admin(base, fichier.parent_path(), racine, reste, l, postes);
  }
  const auto eleve = eleve_du_jeton(base, jeton);
  if (!eleve) return std::nullopt;
  if (reste.empty()) return page_eleve(base, *eleve, racine, l);
  return sous_page_eleve(base, fichier.parent_path(), *eleve, reste);
}
