// The league's SQLite database, ligue.sqlite in its folder: what it holds
// (students, their bots' versions, matches, places, the ratings' history) and
// the few statements the commands share. Errors throw ErreurBase.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ligue/classe.h"

struct ErreurBase : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct FermeBase {
  void operator()(sqlite3* base) const { sqlite3_close(base); }
};
using Base = std::unique_ptr<sqlite3, FermeBase>;

struct FinitRequete {
  void operator()(sqlite3_stmt* requete) const { sqlite3_finalize(requete); }
};
using Requete = std::unique_ptr<sqlite3_stmt, FinitRequete>;

inline constexpr int version_schema = 1;

// Creates the file with its schema, in write-ahead-log mode.
[[nodiscard]] Base cree_base(const std::filesystem::path& fichier);
// Opens an existing league's file, refusing another schema version.
[[nodiscard]] Base ouvre_base(const std::filesystem::path& fichier, bool lecture_seule);

void execute(sqlite3* base, const char* sql);
[[nodiscard]] Requete prepare(sqlite3* base, std::string_view sql);
// Binds the texts to ?1, ?2, ... then steps to the end.
void execute_avec(sqlite3* base, std::string_view sql, const std::vector<std::string>& textes);

struct EleveInscrit {
  std::string nom;
  std::string jeton;
  bool actif = true;
};

// One transaction: the teacher's token and every student's, each new.
void inscrit_classe(sqlite3* base, const std::vector<Eleve>& eleves);
[[nodiscard]] std::string jeton_administrateur(sqlite3* base);
[[nodiscard]] std::vector<EleveInscrit> eleves_inscrits(sqlite3* base);  // in their order

// A version that plays: its student's newest that built, the student active.
struct VersionPrete {
  std::int64_t id = 0;
  std::int64_t eleve = 0;
  std::string nom;  // the student's, shown as the bot's
  std::int64_t numero = 0;
  std::string commande;  // run in dossier_version(), with {host}, {port}, {couleur}, {duree}
};
[[nodiscard]] std::vector<VersionPrete> versions_pretes(sqlite3* base);
// Where a version's files are: the upload, unpacked, and what its build made.
[[nodiscard]] std::filesystem::path dossier_version(const std::filesystem::path& ligue,
                                                    std::int64_t version);

// The teacher pauses the season: running matches end, no new one starts.
[[nodiscard]] bool saison_en_pause(sqlite3* base);
void met_en_pause(sqlite3* base, bool pause);
