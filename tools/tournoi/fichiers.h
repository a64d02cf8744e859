// Whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>

// Writes `texte` to `chemin` through a synchronised temporary file and a
// rename, so that a reader never sees half a file, even on a shared file
// system, and a crash leaves the old file or the new one. Throws
// std::runtime_error when it cannot.
void ecrit_atomiquement(const std::filesystem::path& chemin, const std::string& texte);
// The whole file; throws std::runtime_error when it cannot be read.
std::string lit_fichier(const std::filesystem::path& chemin);
