#include "ligue/langages.h"

#include <array>

namespace {

constexpr std::array<std::string_view, 5> langages{"python", "javascript", "c", "cpp", "java"};
constexpr const char* arguments = " {host} {port} {couleur} {duree}";

// One word for /bin/sh, whatever the kits' folder is called.
std::string mot(const std::string& texte) {
  std::string sortie = "'";
  for (const char c : texte) sortie += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return sortie + "'";
}

std::string sans_extension(const std::string& fichier) {
  return fichier.substr(0, fichier.rfind('.'));
}

}  // namespace

bool langage_connu(std::string_view langage) {
  for (const auto l : langages)
    if (l == langage) return true;
  return false;
}

std::optional<CommandesLangage> commandes_langage(std::string_view langage,
                                                  const std::string& fichier,
                                                  const std::filesystem::path& kits,
                                                  bool makefile) {
  const std::string kit = (kits / std::string(langage)).string();
  if (langage == "python")
    return CommandesLangage{"", "PYTHONPATH=" + mot(kit) + " python3 " +
                                    (fichier.empty() ? "bot.py" : fichier) + arguments};
  if (langage == "javascript")  // the kit is an ES module, found in node_modules only
    return CommandesLangage{
        "mkdir -p node_modules && ln -sfn " + mot(kit) + " node_modules/arene",
        "node " + (fichier.empty() ? std::string("bot.js") : fichier) + arguments};
  if (langage == "c" || langage == "cpp") {
    const std::string sources =
        fichier.empty() ? "$(find . -name '*." + std::string(langage == "c" ? "c" : "cpp") + "')"
                        : fichier;
    const std::string compile = langage == "c"
                                    ? "cc -std=c99 -O2 -I " + mot(kit) + " -o bot " + sources +
                                          " " + mot(kit + "/arene.c") + " -lm"
                                    : "g++ -std=c++17 -O2 -I " + mot(kit) + " -o bot " + sources;
    return CommandesLangage{makefile ? "make" : compile, std::string("./bot") + arguments};
  }
  if (langage == "java") {
    const std::string classe = fichier.empty() ? "Bot" : sans_extension(fichier);
    return CommandesLangage{"mkdir -p classes && javac -d classes -sourcepath " +
                                mot(kit + "/src") + " $(find . -name '*.java')",
                            "java -cp classes " + classe + arguments};
  }
  return std::nullopt;
}
