// What the private pages share: their words in both languages, where a
// bot's log of a match is, and the teacher's page.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "ligue/pages.h"

struct Mots {
  std::string deposer, envoyer, versions, aucune, colonnes_versions, journal_construction;
  std::string matchs, aucun_match, colonnes_matchs, revoir, journal_bot;
  std::string adversaires, colonnes_adversaires, notes, colonnes_notes, introuvable;
  std::string attente, construction, prete, echec, prevu, en_cours, fini, abandonne;
  std::string reglages, saison, en_pause, en_marche, pause, reprise, eleves, colonnes_eleves;
  std::string activer, desactiver, nouveau_jeton, ajouter, exports, enregistrements;
  std::string telecharger, courbe, postes, colonnes_postes, places, tout_telecharger, ici;
  std::string lot_impossible;
};

[[nodiscard]] const Mots& mots(Langue l);

inline constexpr const char* html = "text/html; charset=utf-8";
// A column's text, empty for NULL.
[[nodiscard]] std::string colonne(sqlite3_stmt* r, int i);
// A table cell holding `t`, escaped.
[[nodiscard]] std::string cellule(const std::string& t);
// A version's or a match's state in the reader's words.
[[nodiscard]] std::string etat_lisible(const Mots& m, const std::string& etat);

// Where the scheduler leaves a bot's output for one match.
[[nodiscard]] std::filesystem::path journal_bot(const std::filesystem::path& ligue,
                                                std::int64_t match, std::int64_t version);

// A file of the league's folder to download: a recording, a bot's log.
[[nodiscard]] std::optional<tribune::PageHttp> fichier_ligue(const std::filesystem::path& chemin,
                                                             const std::string& type,
                                                             const std::string& nom);
// A match's recording, if it has one; nothing for an id that is not a number.
[[nodiscard]] std::optional<tribune::PageHttp> enregistrement_match(
    sqlite3* base, const std::filesystem::path& ligue, std::string_view id);

// A recording's links: opened in the viewer served by the league, and downloaded.
[[nodiscard]] std::string liens_enregistrement(const std::string& racine, const std::string& match,
                                               const std::string& mot, const Mots& m);

// The teacher's page at `racine` ("/admin/TOKEN"), or below it for `reste`:
// resultats.csv, resultats.json, enregistrements.tar.gz, enregistrement/ID.
[[nodiscard]] std::optional<tribune::PageHttp> page_admin(sqlite3* base,
                                                          const std::filesystem::path& ligue,
                                                          const std::string& racine,
                                                          std::string_view reste, Langue l,
                                                          const Postes& postes);
// The matches running now and where: their bots, since when, their process
// or Slurm job, and how many run at once.
[[nodiscard]] std::string section_postes(sqlite3* base, const std::filesystem::path& ligue,
                                         const Postes& postes, const Mots& m);
// Every recording of the league as one .tar.gz (match-ID.jsonl.gz inside),
// written to an unnamed file of the league's folder; nothing when it cannot be
// (a full disk, a recording that cannot be read whole).
[[nodiscard]] std::optional<tribune::PageHttp> lot_enregistrements(
    sqlite3* base, const std::filesystem::path& ligue);
