// A student's upload becomes a version: checked, unpacked into
// dossier_version(), recorded in 'attente' for the builder. The file name
// of a single source, if that is what came, is kept beside the folder.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

#include "ligue/archive.h"

struct Depot {
  std::string langage;  // python, c, cpp, java or javascript
  std::string nom;      // the file's: bot.py, projet.zip, projet.tar.gz...
  std::string_view octets;
};

inline constexpr std::size_t depot_max = 4 * 1024 * 1024;

// The new version's id, or why the upload is refused (English, shown to the student).
[[nodiscard]] std::variant<std::int64_t, std::string> depose(sqlite3* base,
                                                             const std::filesystem::path& ligue,
                                                             std::int64_t eleve, const Depot& d,
                                                             const PlafondsArchive& plafonds = {});

// The single source file's name of a version, empty for a project.
[[nodiscard]] std::string source_unique(const std::filesystem::path& ligue, std::int64_t version);
