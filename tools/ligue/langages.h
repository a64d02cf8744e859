// What the league does with each language students may send: the build, if
// any, and the run command the scheduler starts in the version's folder with
// {host} {port} {couleur} {duree}, the kits readable from `kits`. JavaScript's
// only step links the kit where `import ... from 'arene'` finds it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct CommandesLangage {
  std::string construction;  // empty: nothing to build
  std::string lancement;
};

[[nodiscard]] bool langage_connu(std::string_view langage);

// `fichier` is the one source file sent, or empty for a project, whose entry
// point is then bot.py, bot.js or the class Bot, and whose C or C++ files are
// all compiled (or its Makefile run, when it has one). Nothing for a language
// the league does not know.
[[nodiscard]] std::optional<CommandesLangage> commandes_langage(std::string_view langage,
                                                                const std::string& fichier,
                                                                const std::filesystem::path& kits,
                                                                bool makefile);
