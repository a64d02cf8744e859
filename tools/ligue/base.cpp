#include "ligue/base.h"

#include "langue/langue.h"
#include "ligue/jetons.h"

namespace {

// Versions are the bots students send; a match's places are its
// participations; each refit of the ratings adds a line per version to the
// history, so that a rating can be drawn over time.
constexpr const char* schema = R"(
CREATE TABLE schema (version INTEGER NOT NULL);
CREATE TABLE reglages (cle TEXT PRIMARY KEY, valeur TEXT NOT NULL);
CREATE TABLE administration (jeton TEXT NOT NULL UNIQUE);
CREATE TABLE eleves (
  id INTEGER PRIMARY KEY,
  nom TEXT NOT NULL UNIQUE,
  courriel TEXT,
  jeton TEXT NOT NULL UNIQUE,
  actif INTEGER NOT NULL DEFAULT 1 CHECK (actif IN (0, 1)));
CREATE TABLE versions (
  id INTEGER PRIMARY KEY,
  eleve INTEGER NOT NULL REFERENCES eleves(id),
  numero INTEGER NOT NULL,
  langage TEXT NOT NULL,
  deposee TEXT NOT NULL,
  etat TEXT NOT NULL CHECK (etat IN ('attente', 'construction', 'prete', 'echec')),
  journal TEXT,
  commande TEXT,
  UNIQUE (eleve, numero));
CREATE TABLE matchs (
  id INTEGER PRIMARY KEY,
  graine INTEGER NOT NULL,
  etat TEXT NOT NULL CHECK (etat IN ('prevu', 'en_cours', 'fini', 'abandonne')),
  debut TEXT,
  fin TEXT,
  enregistrement TEXT);
CREATE TABLE participations (
  match INTEGER NOT NULL REFERENCES matchs(id),
  version INTEGER NOT NULL REFERENCES versions(id),
  couleur INTEGER NOT NULL,
  rang INTEGER,
  score INTEGER,
  PRIMARY KEY (match, version));
CREATE TABLE historique_notes (
  id INTEGER PRIMARY KEY,
  version INTEGER NOT NULL REFERENCES versions(id),
  apres_match INTEGER NOT NULL REFERENCES matchs(id),
  note REAL NOT NULL,
  bas REAL NOT NULL,
  haut REAL NOT NULL);
)";

[[noreturn]] void echoue(sqlite3* base, std::string_view quoi) {
  throw ErreurBase(std::string(quoi) + ": " + sqlite3_errmsg(base));
}

Base ouvre(const std::filesystem::path& fichier, int drapeaux) {
  sqlite3* brut = nullptr;
  const int code = sqlite3_open_v2(fichier.c_str(), &brut, drapeaux, nullptr);
  Base base(brut);  // closed even when the opening failed
  if (code != SQLITE_OK)
    throw ErreurBase(fichier.string() + ": " + (brut ? sqlite3_errmsg(brut) : _("cannot open")));
  sqlite3_busy_timeout(base.get(), 5000);
  execute(base.get(), "PRAGMA foreign_keys = ON");
  return base;
}

std::string texte_colonne(sqlite3_stmt* r, int i) {
  const auto* t = sqlite3_column_text(r, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

}  // namespace

void execute(sqlite3* base, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(base, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string texte = message ? message : "unknown error";
    sqlite3_free(message);
    throw ErreurBase(texte);
  }
}

Requete prepare(sqlite3* base, std::string_view sql) {
  sqlite3_stmt* brut = nullptr;
  if (sqlite3_prepare_v2(base, sql.data(), static_cast<int>(sql.size()), &brut, nullptr) !=
      SQLITE_OK)
    echoue(base, sql);
  return Requete(brut);
}

void execute_avec(sqlite3* base, std::string_view sql, const std::vector<std::string>& textes) {
  Requete r = prepare(base, sql);
  for (std::size_t i = 0; i < textes.size(); ++i)
    sqlite3_bind_text(r.get(), static_cast<int>(i + 1), textes[i].data(),
                      static_cast<int>(textes[i].size()), SQLITE_TRANSIENT);
  if (sqlite3_step(r.get()) != SQLITE_DONE) echoue(base, sql);
}

Base cree_base(const std::filesystem::path& fichier) {
  Base base = ouvre(fichier, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  execute(base.get(), "PRAGMA journal_mode = WAL");
  execute(base.get(), "BEGIN");
  execute(base.get(), schema);
  execute_avec(base.get(), "INSERT INTO schema VALUES (?1)", {std::to_string(version_schema)});
  execute(base.get(), "COMMIT");
  return base;
}

Base ouvre_base(const std::filesystem::path& fichier, bool lecture_seule) {
  if (!std::filesystem::exists(fichier)) throw ErreurBase(fichier.string() + _(": no such file"));
  Base base = ouvre(fichier, lecture_seule ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  Requete r = prepare(base.get(), "SELECT version FROM schema");
  if (sqlite3_step(r.get()) != SQLITE_ROW) echoue(base.get(), fichier.string());
  if (const int v = sqlite3_column_int(r.get(), 0); v != version_schema)
    throw ErreurBase(fichier.string() + _(": schema version ") + std::to_string(v) +
                     _(", this arene-ligue knows version ") + std::to_string(version_schema));
  return base;
}

void inscrit_classe(sqlite3* base, const std::vector<Eleve>& eleves) {
  execute(base, "BEGIN");
  try {
    execute_avec(base, "INSERT INTO administration VALUES (?1)", {nouveau_jeton()});
    for (const Eleve& e : eleves)
      execute_avec(base,
                   "INSERT INTO eleves (nom, courriel, jeton) VALUES (?1, NULLIF(?2, ''), ?3)",
                   {e.nom, e.courriel, nouveau_jeton()});
    execute(base, "COMMIT");
  } catch (...) {
    sqlite3_exec(base, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::string jeton_administrateur(sqlite3* base) {
  Requete r = prepare(base, "SELECT jeton FROM administration");
  if (sqlite3_step(r.get()) != SQLITE_ROW) throw ErreurBase(_("the league has no teacher's token"));
  return texte_colonne(r.get(), 0);
}

std::vector<EleveInscrit> eleves_inscrits(sqlite3* base) {
  Requete r = prepare(base, "SELECT nom, jeton, actif FROM eleves ORDER BY id");
  std::vector<EleveInscrit> eleves;
  int code = SQLITE_ROW;
  while ((code = sqlite3_step(r.get())) == SQLITE_ROW)
    eleves.push_back({texte_colonne(r.get(), 0), texte_colonne(r.get(), 1),
                      sqlite3_column_int(r.get(), 2) != 0});
  if (code != SQLITE_DONE) echoue(base, "students");
  return eleves;
}

std::vector<VersionPrete> versions_pretes(sqlite3* base) {
  // Each active student's newest version that built; older ones stop playing.
  Requete r = prepare(base,
                      "SELECT v.id, e.id, e.nom, v.numero, v.commande FROM versions v "
                      "JOIN eleves e ON e.id = v.eleve "
                      "WHERE e.actif = 1 AND v.etat = 'prete' AND v.numero = "
                      "(SELECT MAX(numero) FROM versions w WHERE w.eleve = v.eleve "
                      "AND w.etat = 'prete') ORDER BY e.id");
  std::vector<VersionPrete> versions;
  int code = SQLITE_ROW;
  while ((code = sqlite3_step(r.get())) == SQLITE_ROW)
    versions.push_back({sqlite3_column_int64(r.get(), 0), sqlite3_column_int64(r.get(), 1),
                        texte_colonne(r.get(), 2), sqlite3_column_int64(r.get(), 3),
                        texte_colonne(r.get(), 4)});
  if (code != SQLITE_DONE) echoue(base, "versions");
  return versions;
}

std::filesystem::path dossier_version(const std::filesystem::path& ligue, std::int64_t version) {
  return ligue / "versions" / std::to_string(version);
}

bool saison_en_pause(sqlite3* base) {
  Requete r = prepare(base, "SELECT valeur FROM reglages WHERE cle = 'pause'");
  return sqlite3_step(r.get()) == SQLITE_ROW && texte_colonne(r.get(), 0) == "1";
}

void met_en_pause(sqlite3* base, bool pause) {
  execute_avec(base, "INSERT OR REPLACE INTO reglages VALUES ('pause', ?1)", {pause ? "1" : "0"});
}
