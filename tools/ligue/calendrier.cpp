#include "ligue/calendrier.h"

#include <map>

#include "ligue/base.h"
#include "ligue/tableau.h"

namespace {

// Rolls back unless committed, whatever is thrown in between.
class Transaction {
 public:
  explicit Transaction(sqlite3* base) : base_(base) { execute(base_, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!fini_) sqlite3_exec(base_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void valide() {
    execute(base_, "COMMIT");
    fini_ = true;
  }

 private:
  sqlite3* base_;
  bool fini_ = false;
};

void pas_a_pas(sqlite3* base, sqlite3_stmt* r) {
  if (sqlite3_step(r) != SQLITE_DONE) throw ErreurBase(sqlite3_errmsg(base));
}

std::map<std::int64_t, std::size_t> comptes(sqlite3* base) {
  Requete r = prepare(base,
                      "SELECT p.version, COUNT(*) FROM participations p JOIN matchs m "
                      "ON m.id = p.match WHERE m.etat <> 'abandonne' GROUP BY p.version");
  std::map<std::int64_t, std::size_t> n;
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    n[sqlite3_column_int64(r.get(), 0)] =
        static_cast<std::size_t>(sqlite3_column_int64(r.get(), 1));
  return n;
}

std::map<std::int64_t, classement::Intervalle> derniers_intervalles(sqlite3* base) {
  Requete r = prepare(base,
                      "SELECT version, bas, haut FROM historique_notes WHERE id IN "
                      "(SELECT (SELECT MAX(id) FROM historique_notes WHERE version = v.id) "
                      "FROM versions v)");
  std::map<std::int64_t, classement::Intervalle> n;
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    n[sqlite3_column_int64(r.get(), 0)] = {sqlite3_column_double(r.get(), 1),
                                           sqlite3_column_double(r.get(), 2)};
  return n;
}

}  // namespace

std::vector<Candidat> candidats(sqlite3* base) {
  const auto n = comptes(base);
  const auto intervalles = derniers_intervalles(base);
  std::vector<Candidat> c;
  for (const VersionPrete& v : versions_pretes(base)) {
    Candidat candidat{v.id};
    if (const auto it = n.find(v.id); it != n.end()) candidat.matchs = it->second;
    if (const auto it = intervalles.find(v.id); it != intervalles.end())
      candidat.intervalle = it->second;
    c.push_back(candidat);
  }
  return c;
}

std::int64_t prevoit_match(sqlite3* base, const std::vector<std::int64_t>& groupe,
                           std::uint64_t graine) {
  Transaction t(base);
  Requete m = prepare(base, "INSERT INTO matchs (graine, etat) VALUES (?1, 'prevu')");
  sqlite3_bind_int64(m.get(), 1, static_cast<std::int64_t>(graine));
  pas_a_pas(base, m.get());
  const std::int64_t id = sqlite3_last_insert_rowid(base);
  for (std::size_t i = 0; i < groupe.size(); ++i) {
    Requete p = prepare(base,
                        "INSERT INTO participations (match, version, couleur) "
                        "VALUES (?1, ?2, ?3)");
    sqlite3_bind_int64(p.get(), 1, id);
    sqlite3_bind_int64(p.get(), 2, groupe[i]);
    sqlite3_bind_int64(p.get(), 3, static_cast<std::int64_t>(i));
    pas_a_pas(base, p.get());
  }
  t.valide();
  return id;
}

std::optional<MatchLigue> prochain_prevu(sqlite3* base, const std::filesystem::path& ligue) {
  Requete r = prepare(base,
                      "SELECT m.id, m.graine, v.id, e.nom, v.commande FROM matchs m "
                      "JOIN participations p ON p.match = m.id JOIN versions v ON v.id = p.version "
                      "JOIN eleves e ON e.id = v.eleve WHERE m.id = (SELECT MIN(id) FROM matchs "
                      "WHERE etat = 'prevu') ORDER BY p.couleur");
  std::optional<MatchLigue> m;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    if (!m)
      m = MatchLigue{sqlite3_column_int64(r.get(), 0),
                     static_cast<std::uint64_t>(sqlite3_column_int64(r.get(), 1)),
                     {}};
    const std::int64_t version = sqlite3_column_int64(r.get(), 2);
    const auto* commande = sqlite3_column_text(r.get(), 4);
    m->participants.push_back({version,
                               reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 3)),
                               commande ? reinterpret_cast<const char*>(commande) : "",
                               std::filesystem::absolute(dossier_version(ligue, version))});
  }
  return m;
}

bool commence(sqlite3* base, std::int64_t match) {
  Requete r = prepare(base,
                      "UPDATE matchs SET etat = 'en_cours', debut = datetime('now') "
                      "WHERE id = ?1 AND etat = 'prevu'");
  sqlite3_bind_int64(r.get(), 1, match);
  pas_a_pas(base, r.get());
  return sqlite3_changes(base) == 1;
}

namespace {

// A line per rated version in historique_notes, after `match`.
void inscrit_notes(sqlite3* base, std::int64_t match, const std::vector<LigneTableau>& lignes) {
  for (const LigneTableau& l : lignes) {
    Requete r = prepare(base,
                        "INSERT INTO historique_notes (version, apres_match, note, bas, "
                        "haut) VALUES (?1, ?2, ?3, ?4, ?5)");
    sqlite3_bind_int64(r.get(), 1, l.id);
    sqlite3_bind_int64(r.get(), 2, match);
    sqlite3_bind_double(r.get(), 3, l.note);
    sqlite3_bind_double(r.get(), 4, l.intervalle.bas);
    sqlite3_bind_double(r.get(), 5, l.intervalle.haut);
    pas_a_pas(base, r.get());
  }
}

}  // namespace

bool enregistre(sqlite3* base, std::int64_t match, const std::vector<Place>& places) {
  // The refit takes seconds with thousands of matches: done before taking
  // the database, so that uploads and the teacher's actions never wait on it.
  return enregistre_avec(base, match, places,
                         places.empty() ? Refit{} : refit_avec(base, match, places));
}

bool enregistre_avec(sqlite3* base, std::int64_t match, const std::vector<Place>& places,
                     const Refit& refit) {
  Transaction t(base);
  Requete etat = prepare(base,
                         "UPDATE matchs SET etat = ?2, fin = datetime('now'), "
                         "enregistrement = ?3 WHERE id = ?1 AND etat = 'en_cours'");
  sqlite3_bind_int64(etat.get(), 1, match);
  sqlite3_bind_text(etat.get(), 2, places.empty() ? "abandonne" : "fini", -1, SQLITE_STATIC);
  const std::string enregistrement =
      "matchs/" + std::to_string(match) + "/matchs/0000/enregistrement.jsonl.gz";
  if (places.empty())
    sqlite3_bind_null(etat.get(), 3);
  else
    sqlite3_bind_text(etat.get(), 3, enregistrement.c_str(), -1, SQLITE_TRANSIENT);
  pas_a_pas(base, etat.get());
  if (sqlite3_changes(base) != 1) return false;
  for (const Place& p : places) {
    Requete r = prepare(base,
                        "UPDATE participations SET rang = ?3, score = ?4 "
                        "WHERE match = ?1 AND version = ?2");
    sqlite3_bind_int64(r.get(), 1, match);
    sqlite3_bind_int64(r.get(), 2, p.version);
    sqlite3_bind_int(r.get(), 3, p.rang);
    sqlite3_bind_int64(r.get(), 4, p.score);
    pas_a_pas(base, r.get());
  }
  // Another result stored since the read would be missing from the fit:
  // then refit here, under the lock, this match's places included.
  if (!places.empty())
    inscrit_notes(base, match,
                  matchs_finis(base) == refit.matchs_lus + 1 ? refit.lignes : tableau(base));
  t.valide();
  return true;
}

void abandonne(sqlite3* base, std::int64_t match) {
  Requete r = prepare(base,
                      "UPDATE matchs SET etat = 'abandonne', fin = datetime('now') "
                      "WHERE id = ?1 AND etat IN ('prevu', 'en_cours')");
  sqlite3_bind_int64(r.get(), 1, match);
  pas_a_pas(base, r.get());
}

void replanifie(sqlite3* base, std::int64_t match) {
  Requete r = prepare(base,
                      "UPDATE matchs SET etat = 'prevu', debut = NULL "
                      "WHERE id = ?1 AND etat = 'en_cours'");
  sqlite3_bind_int64(r.get(), 1, match);
  pas_a_pas(base, r.get());
}

std::vector<std::int64_t> replanifie_interrompus(sqlite3* base) {
  Requete r = prepare(base,
                      "UPDATE matchs SET etat = 'prevu', debut = NULL "
                      "WHERE etat = 'en_cours' RETURNING id");
  std::vector<std::int64_t> ids;
  while (sqlite3_step(r.get()) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(r.get(), 0));
  return ids;
}
