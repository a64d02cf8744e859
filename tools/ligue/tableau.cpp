#include "ligue/tableau.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "ligue/base.h"

namespace {

struct Place {
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
std::vector<classement::Arrivee> arrivees(const std::vector<Place>& places,
                                          const std::map<std::int64_t, Joueur>& joueurs) {
  std::vector<classement::Arrivee> matchs;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    const bool nouveau_match = i == 0 || places[i - 1].match != p.match;
    if (nouveau_match) matchs.emplace_back();
    if (nouveau_match || places[i - 1].rang != p.rang) matchs.back().emplace_back();
    matchs.back().back().push_back(joueurs.at(p.version).indice);
  }
  return matchs;
}

}  // namespace

std::vector<LigneTableau> tableau(sqlite3* base) {
  Requete r = prepare(base, places_finies);
  std::vector<Place> places;
  std::map<std::int64_t, Joueur> joueurs;
  std::map<std::int64_t, std::size_t> partages;  // each match's bots in first place
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const Place p{sqlite3_column_int64(r.get(), 0), sqlite3_column_int64(r.get(), 1),
                  sqlite3_column_int(r.get(), 2)};
    auto [it, nouveau] = joueurs.try_emplace(p.version);
    if (nouveau) {
      it->second.indice = joueurs.size() - 1;
      it->second.ligne.id = p.version;
      it->second.ligne.nom = reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 3));
      it->second.ligne.version = sqlite3_column_int(r.get(), 4);
      it->second.actif = sqlite3_column_int(r.get(), 5) != 0;
    }
    if (p.rang == 1) ++partages[p.match];
    places.push_back(p);
  }
  for (const Place& p : places) {
    LigneTableau& l = joueurs.at(p.version).ligne;
    ++l.matchs;
    l.rang_moyen += p.rang;
    l.victoires += p.rang == 1 && partages[p.match] == 1;
  }
  const classement::NotesIntervalles notes =
      classement::notes_bootstrap(joueurs.size(), arrivees(places, joueurs), tirages_tableau, 1);
  std::vector<LigneTableau> lignes;
  for (auto& [version, j] : joueurs) {
    if (!j.actif) continue;  // a disabled bot still counts as the others' opponent
    j.ligne.rang_moyen /= static_cast<double>(j.ligne.matchs);
    j.ligne.note = notes.notes[j.indice];
    j.ligne.intervalle = notes.intervalles[j.indice];
    lignes.push_back(std::move(j.ligne));
  }
  std::stable_sort(lignes.begin(), lignes.end(),
                   [](const LigneTableau& a, const LigneTableau& b) { return a.note > b.note; });
  return lignes;
}
