// The season's matches in the database: planned, started, counted once.
// Every change is one transaction, so that a crash leaves a match either
// counted whole or not at all.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "ligue/appariement.h"
#include "ligue/partie.h"
#include "ligue/tableau.h"

// The ready versions with their match counts (planned, running and finished)
// and their last rating interval.
[[nodiscard]] std::vector<Candidat> candidats(sqlite3* base);
// A new match 'prevu' of `groupe`, in its start order; its id.
std::int64_t prevoit_match(sqlite3* base, const std::vector<std::int64_t>& groupe,
                           std::uint64_t graine);
// The oldest planned match, with what its bots need to run.
[[nodiscard]] std::optional<MatchLigue> prochain_prevu(sqlite3* base,
                                                       const std::filesystem::path& ligue);
// 'prevu' to 'en_cours'; false when it was not planned any more.
bool commence(sqlite3* base, std::int64_t match);
// The places of a match still 'en_cours', 'fini' and the ratings refitted
// into historique_notes, in one transaction; an empty list marks it 'abandonne'. False, changing
// nothing, when the match was no longer running: a result is never counted twice.
// The refit is read before the transaction, which holds the database only to write.
bool enregistre(sqlite3* base, std::int64_t match, const std::vector<Place>& places);
// enregistre with its refit read already (refit_avec); refitted again under
// the lock when other results were stored since, so that none is left out.
bool enregistre_avec(sqlite3* base, std::int64_t match, const std::vector<Place>& places,
                     const Refit& refit);
void abandonne(sqlite3* base, std::int64_t match);
// A running match that was not played after all (its job never started) is
// planned again, to be the next one started.
void replanifie(sqlite3* base, std::int64_t match);
// Matches a crash left 'en_cours' are planned again; their ids.
std::vector<std::int64_t> replanifie_interrompus(sqlite3* base);
