// `arene-ligue sauvegarde`: a consistent copy of the league's database while
// the season writes to it, through SQLite's online backup.
#pragma once

#include <filesystem>
#include <iosfwd>

// 0 when `fichier` holds the copy; 1 with the reason on `erreurs`. Refuses to
// overwrite a file that exists.
[[nodiscard]] int sauvegarde(const std::filesystem::path& dossier,
                             const std::filesystem::path& fichier, std::ostream& erreurs);
