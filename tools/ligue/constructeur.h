// The league's builder: in `arene-ligue sert`, a thread that builds the
// versions waiting, one at a time, oldest first, each in the cage without
// network; 'prete' with its run command, or 'echec', the log kept either way.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stop_token>
#include <thread>

#include "cage/enceinte.h"

struct OptionsConstructeur {
  std::filesystem::path ligue;  // the league's folder
  std::filesystem::path kits;   // readable by the builds and named in the commands
  // Compilers need more room than a bot.
  cage::Limites limites{2048 * cage::mio, 256, 1024, 256 * cage::mio, 1 * cage::mio};
};

inline constexpr std::size_t journal_construction_max = 64 * 1024;  // kept in the database

// Versions a crash left in 'construction' wait again.
void reprend_constructions(sqlite3* base);

// Builds the oldest version waiting; false when none waits.
bool construit_suivante(sqlite3* base, const OptionsConstructeur& o);

// Until asked to stop: reprend_constructions, then builds as versions come.
// Never throws; a database it cannot open is said on stderr and tried again.
[[nodiscard]] std::jthread lance_constructeur(OptionsConstructeur o);
