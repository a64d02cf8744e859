// The teacher's page and its downloads.
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ligue/base.h"
#include "ligue/creation.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

std::string bouton(const std::string& cible, const std::string& champs, const std::string& mot) {
  return "<form method=post action=\"" + cible + "\" style=\"display:inline\">" + champs +
         "<button>" + tribune::echappe_html(mot) + "</button></form>";
}

std::string cache(const std::string& nom, const std::string& valeur) {
  return "<input type=hidden name=" + nom + " value=\"" + tribune::echappe_html(valeur) + "\">";
}

std::string reglages(sqlite3* base, const fs::path& ligue, const std::string& racine,
                     const Mots& m) {
  std::ifstream in(ligue / fichier_configuration);
  std::ostringstream toml;
  toml << in.rdbuf();
  const bool pause = saison_en_pause(base);
  return "<h2>" + m.reglages + "</h2>\n<pre>" + tribune::echappe_html(toml.str()) + "</pre>\n<h2>" +
         m.saison + "</h2>\n<div id=saison>" + (pause ? m.en_pause : m.en_marche) + " " +
         bouton(racine + "/pause", cache("pause", pause ? "0" : "1"), pause ? m.reprise : m.pause) +
         "</div>\n";
}

std::string eleves(sqlite3* base, const std::string& racine, const Mots& m) {
  Requete r = prepare(base,
                      "SELECT e.id, e.nom, e.jeton, e.actif, COUNT(v.id), "
                      "(SELECT etat FROM versions w WHERE w.eleve = e.id ORDER BY numero DESC "
                      "LIMIT 1) FROM eleves e LEFT JOIN versions v ON v.eleve = e.id "
                      "GROUP BY e.id ORDER BY e.id");
  std::string lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string id = colonne(r.get(), 0);
    const bool actif = sqlite3_column_int(r.get(), 3) != 0;
    const std::string lien = "/eleve/" + colonne(r.get(), 2);
    lignes += "<tr>" + cellule(colonne(r.get(), 1)) + "<td><a href=\"" +
              tribune::echappe_html(lien) + "\">" + tribune::echappe_html(lien.substr(0, 15)) +
              "…</a></td>" + cellule(actif ? "✓" : "✗") + "<td class=n>" + colonne(r.get(), 4) +
              "</td>" + cellule(etat_lisible(m, colonne(r.get(), 5))) + "<td>" +
              bouton(racine + "/actif", cache("eleve", id) + cache("actif", actif ? "0" : "1"),
                     actif ? m.desactiver : m.activer) +
              " " + bouton(racine + "/jeton", cache("eleve", id), m.nouveau_jeton) + "</td></tr>\n";
  }
  return "<h2>" + m.eleves + "</h2>\n<table>\n<tr>" + m.colonnes_eleves + "</tr>\n" + lignes +
         "</table>\n<form method=post action=\"" + racine +
         "/eleve\"><input name=nom required maxlength=100> <button>" +
         tribune::echappe_html(m.ajouter) + "</button></form>\n";
}

std::string matchs(sqlite3* base, const std::string& racine, const Mots& m) {
  Requete r =
      prepare(base,
              "SELECT id, etat, COALESCE(debut, ''), enregistrement IS NOT NULL FROM matchs "
              "WHERE etat IN ('prevu', 'en_cours') OR enregistrement IS NOT NULL "
              "ORDER BY etat = 'fini', id DESC LIMIT 500");
  std::string lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string id = colonne(r.get(), 0);
    lignes +=
        "<tr><td class=n>" + id + "</td>" + cellule(etat_lisible(m, colonne(r.get(), 1))) +
        cellule(colonne(r.get(), 2)) + "<td>" +
        (sqlite3_column_int(r.get(), 3) ? liens_enregistrement(racine, id, m.revoir, m) : "") +
        "</td></tr>\n";
  }
  return "<h2>" + m.enregistrements + "</h2>\n<table>\n" + lignes + "</table>\n<h2>" + m.exports +
         "</h2>\n<p><a href=\"" + racine + "/resultats.csv\">CSV</a> · <a href=\"" + racine +
         "/resultats.json\">JSON</a> · <a href=\"" + racine + "/enregistrements.tar.gz\">" +
         m.tout_telecharger + "</a></p>\n";
}

// Every place of every finished match, one row each.
Requete resultats(sqlite3* base) {
  return prepare(base,
                 "SELECT m.id, COALESCE(m.fin, ''), e.nom, v.numero, p.couleur, p.rang, p.score "
                 "FROM participations p JOIN matchs m ON m.id = p.match "
                 "JOIN versions v ON v.id = p.version JOIN eleves e ON e.id = v.eleve "
                 "WHERE m.etat = 'fini' ORDER BY m.id, p.rang");
}

std::string champ_csv(const std::string& t) {
  if (t.find_first_of(",\"\n\r") == std::string::npos) return t;
  std::string s = "\"";
  for (const char c : t) s += c == '"' ? std::string("\"\"") : std::string(1, c);
  return s + "\"";
}

tribune::PageHttp export_csv(sqlite3* base) {
  std::string corps = "match,end,student,version,colour,rank,score\n";
  Requete r = resultats(base);
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    for (int c = 0; c < 7; ++c) corps += (c ? "," : "") + champ_csv(colonne(r.get(), c));
    corps += "\n";
  }
  tribune::PageHttp p{200, "text/csv; charset=utf-8", corps};
  p.piece_jointe = "resultats.csv";
  return p;
}

tribune::PageHttp export_json(sqlite3* base) {
  nlohmann::json lignes = nlohmann::json::array();
  Requete r = resultats(base);
  const auto entier = [&](int c) -> nlohmann::json {
    if (sqlite3_column_type(r.get(), c) == SQLITE_NULL) return nullptr;
    return sqlite3_column_int64(r.get(), c);
  };
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    lignes.push_back({{"match", entier(0)},
                      {"end", colonne(r.get(), 1)},
                      {"student", colonne(r.get(), 2)},
                      {"version", entier(3)},
                      {"colour", entier(4)},
                      {"rank", entier(5)},
                      {"score", entier(6)}});
  tribune::PageHttp p{200, "application/json", lignes.dump(1) + "\n"};
  p.piece_jointe = "resultats.json";
  return p;
}

}  // namespace

std::optional<tribune::PageHttp> fichier_ligue(const fs::path& chemin, const std::string& type,
                                               const std::string& nom) {
  std::ifstream in(chemin, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream tout;
  tout << in.rdbuf();
  tribune::PageHttp p{200, type, tout.str()};
  p.piece_jointe = nom;
  return p;
}

std::optional<tribune::PageHttp> enregistrement_match(sqlite3* base, const fs::path& ligue,
                                                      std::string_view id) {
  if (id.empty() || id.size() > 18 || id.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  Requete r = prepare(base, "SELECT enregistrement FROM matchs WHERE id = ?1");
  sqlite3_bind_int64(r.get(), 1, std::stoll(std::string(id)));
  if (sqlite3_step(r.get()) != SQLITE_ROW || sqlite3_column_type(r.get(), 0) == SQLITE_NULL)
    return std::nullopt;
  const fs::path f = ligue / colonne(r.get(), 0);
  return fichier_ligue(f, "application/octet-stream", f.filename().string());
}

std::optional<tribune::PageHttp> page_admin(sqlite3* base, const fs::path& ligue,
                                            const std::string& racine, std::string_view reste,
                                            Langue l, const Postes& postes) {
  const Mots& m = mots(l);
  if (reste == "resultats.csv") return export_csv(base);
  if (reste == "resultats.json") return export_json(base);
  // A failure to write it is the server's, said as such rather than "not found".
  if (reste == "enregistrements.tar.gz")
    return lot_enregistrements(base, ligue)
        .value_or(tribune::PageHttp{500, "text/plain; charset=utf-8", m.lot_impossible});
  if (reste.starts_with("enregistrement/"))
    return enregistrement_match(base, ligue, reste.substr(15));
  if (!reste.empty()) return std::nullopt;
  return tribune::PageHttp{
      200, html,
      document(l, l == Langue::Francais ? "Ligue : enseignant" : "League: teacher",
               reglages(base, ligue, racine, m) + eleves(base, racine, m) +
                   section_postes(base, ligue, postes, m) + matchs(base, racine, m))};
}
