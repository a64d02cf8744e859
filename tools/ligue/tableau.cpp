#include "ligue/tableau.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "ligue/base.h"
#include "ligue/partie.h"

namespace {

struct PlaceLue {
  std::int64_t match;
  std::int64_t version;
  int rang;
};

struct Joueur {
  std::size_t indice = 0;
  LigneTableau ligne;
  bool actif = true;
};

constexpr const char* places_finies = R"(
SELECT p.match, p.version, p.rang, e.nom, v.numero, e.actif
FROM participations p JOIN matchs m ON m.id = p.match
  JOIN versions v ON v.id = p.version JOIN eleves e ON e.id = v.eleve
WHERE m.etat = 'fini' AND p.rang IS NOT NULL ORDER BY p.match, p.rang)";

// The matches' finishing orders, indexes into `joueurs` grouped by place.
std::vector<classement::Arrivee> arrivees(const std::vector<PlaceLue>& places,
                                          const std::map<std::int64_t, Joueur>& joueurs) {
  std::vector<classement::Arrivee> matchs;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const PlaceLue& p = places[i];
    const bool nouveau_match = i == 0 || places[i - 1].match != p.match;
    if (nouveau_match) matchs.emplace_back();
    if (nouveau_match || places[i - 1].rang != p.rang) matchs.back().emplace_back();
    matchs.back().back().push_back(joueurs.at(p.version).indice);
  }
  return matchs;
}

std::size_t matchs_lus(const std::vector<PlaceLue>& places) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < places.size(); ++i)
    n += i == 0 || places[i - 1].match != places[i].match;
  return n;
}

void trie(std::vector<LigneTableau>& lignes) {
  std::stable_sort(lignes.begin(), lignes.end(),
                   [](const LigneTableau& a, const LigneTableau& b) { return a.note > b.note; });
}

// Each active version that played, its counts over the finished matches and
// the rating and interval of the last refit that rated it.
constexpr const char* lignes_enregistrees = R"(
WITH premiers AS (SELECT match, COUNT(*) AS n FROM participations WHERE rang = 1 GROUP BY match)
SELECT v.id, e.nom, v.numero, c.matchs, c.victoires, c.rang_moyen, h.note, h.bas, h.haut
FROM (SELECT p.version, COUNT(*) AS matchs, AVG(p.rang) AS rang_moyen,
        SUM(p.rang = 1 AND f.n = 1) AS victoires
      FROM participations p JOIN matchs m ON m.id = p.match JOIN premiers f ON f.match = p.match
      WHERE m.etat = 'fini' AND p.rang IS NOT NULL GROUP BY p.version) c
  JOIN versions v ON v.id = c.version JOIN eleves e ON e.id = v.eleve
  JOIN historique_notes h ON h.id = (SELECT MAX(id) FROM historique_notes WHERE version = v.id)
WHERE e.actif = 1)";

// What the fit needs: the places by match then place, and each version's line.
struct Lecture {
  std::vector<PlaceLue> places;
  std::map<std::int64_t, Joueur> joueurs;
};

// The version's line: its student's name, its number, whether active.
void ajoute_joueur(Lecture& l, std::int64_t version, sqlite3_stmt* r, int colonne_nom) {
  auto [it, nouveau] = l.joueurs.try_emplace(version);
  if (!nouveau) return;
  it->second.ligne.id = version;
  it->second.ligne.nom = reinterpret_cast<const char*>(sqlite3_column_text(r, colonne_nom));
  it->second.ligne.version = sqlite3_column_int(r, colonne_nom + 1);
  it->second.actif = sqlite3_column_int(r, colonne_nom + 2) != 0;
}

Lecture lit(sqlite3* base) {
  Lecture l;
  Requete r = prepare(base, places_finies);
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    l.places.push_back({sqlite3_column_int64(r.get(), 0), sqlite3_column_int64(r.get(), 1),
                        sqlite3_column_int(r.get(), 2)});
    ajoute_joueur(l, l.places.back().version, r.get(), 3);
  }
  return l;
}

// A result not stored yet, where the stored one will be read from: in match
// order, best place first; so the fit is the one made after it is stored.
void ajoute_resultat(sqlite3* base, Lecture& l, std::int64_t match, std::vector<Place> places) {
  std::stable_sort(places.begin(), places.end(),
                   [](const Place& a, const Place& b) { return a.rang < b.rang; });
  auto ou = std::find_if(l.places.begin(), l.places.end(),
                         [&](const PlaceLue& p) { return p.match > match; });
  for (const Place& p : places) {
    Requete r = prepare(base,
                        "SELECT e.nom, v.numero, e.actif FROM versions v "
                        "JOIN eleves e ON e.id = v.eleve WHERE v.id = ?1");
    sqlite3_bind_int64(r.get(), 1, p.version);
    if (sqlite3_step(r.get()) != SQLITE_ROW) throw ErreurBase(sqlite3_errmsg(base));
    ajoute_joueur(l, p.version, r.get(), 0);
    ou = l.places.insert(ou, {match, p.version, p.rang}) + 1;
  }
}

std::vector<LigneTableau> ajuste(Lecture l) {
  std::map<std::int64_t, std::size_t> partages;  // each match's bots in first place
  std::size_t suivant = 0;
  for (const PlaceLue& p : l.places) {
    if (p.rang == 1) ++partages[p.match];
    Joueur& j = l.joueurs.at(p.version);
    if (j.ligne.matchs++ == 0) j.indice = suivant++;  // numbered as first seen
  }
  for (const PlaceLue& p : l.places) {
    LigneTableau& ligne = l.joueurs.at(p.version).ligne;
    ligne.rang_moyen += p.rang;
    ligne.victoires += p.rang == 1 && partages[p.match] == 1;
  }
  const classement::NotesIntervalles notes = classement::notes_bootstrap(
      l.joueurs.size(), arrivees(l.places, l.joueurs), tirages_tableau, 1);
  std::vector<LigneTableau> lignes;
  for (auto& [version, j] : l.joueurs) {
    if (!j.actif) continue;  // a disabled bot still counts as the others' opponent
    j.ligne.rang_moyen /= static_cast<double>(j.ligne.matchs);
    j.ligne.note = notes.notes[j.indice];
    j.ligne.intervalle = notes.intervalles[j.indice];
    lignes.push_back(std::move(j.ligne));
  }
  trie(lignes);
  return lignes;
}

}  // namespace

std::vector<LigneTableau> tableau(sqlite3* base) { return ajuste(lit(base)); }

Refit refit_avec(sqlite3* base, std::int64_t match, const std::vector<Place>& places) {
  Lecture l = lit(base);
  const std::size_t deja = matchs_lus(l.places);
  ajoute_resultat(base, l, match, places);
  return {ajuste(std::move(l)), deja};
}

std::size_t matchs_finis(sqlite3* base) {
  Requete r = prepare(base,
                      "SELECT COUNT(DISTINCT p.match) FROM participations p JOIN matchs m "
                      "ON m.id = p.match WHERE m.etat = 'fini' AND p.rang IS NOT NULL");
  if (sqlite3_step(r.get()) != SQLITE_ROW) throw ErreurBase(sqlite3_errmsg(base));
  return static_cast<std::size_t>(sqlite3_column_int64(r.get(), 0));
}

std::vector<LigneTableau> tableau_enregistre(sqlite3* base) {
  Requete r = prepare(base, lignes_enregistrees);
  std::vector<LigneTableau> lignes;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    LigneTableau l;
    l.id = sqlite3_column_int64(r.get(), 0);
    l.nom = reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 1));
    l.version = sqlite3_column_int(r.get(), 2);
    l.matchs = static_cast<std::size_t>(sqlite3_column_int64(r.get(), 3));
    l.victoires = static_cast<std::size_t>(sqlite3_column_int64(r.get(), 4));
    l.rang_moyen = sqlite3_column_double(r.get(), 5);
    l.note = sqlite3_column_double(r.get(), 6);
    l.intervalle = {sqlite3_column_double(r.get(), 7), sqlite3_column_double(r.get(), 8)};
    lignes.push_back(std::move(l));
  }
  trie(lignes);
  return lignes;
}
