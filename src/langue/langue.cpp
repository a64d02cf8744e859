#include "langue/langue.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace langue {

namespace fs = std::filesystem;

namespace {

constexpr const char* domaine = "arene";

// The language the environment asks for, in gettext's order.
const char* langue_demandee() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* valeur = std::getenv(variable); valeur && *valeur) return valeur;
  return nullptr;
}

// The build tree's translations when the program runs from it, else those
// installed beside its bin/ (whatever the prefix it was unpacked under), else
// those of the prefix the build was configured with.
std::string dossier_traductions() {
  std::error_code erreur;
  const fs::path programme = fs::read_symlink("/proc/self/exe", erreur).parent_path();
  if (!erreur && fs::equivalent(programme, ARENE_CONSTRUCTION, erreur))
    return ARENE_CONSTRUCTION "/locale";
  const fs::path voisin = (programme / ARENE_LOCALE_RELATIVE).lexically_normal();
  if (!erreur && fs::is_directory(voisin, erreur)) return voisin.string();
  return ARENE_LOCALE;
}

}  // namespace

void initialise_langue() {
  // Only the messages: numbers keep their point, files and JSON their format.
  if (!std::setlocale(LC_MESSAGES, "")) {
    // The locale is not generated on this machine: gettext still honours
    // LANGUAGE under any locale but C, so the language asked is not lost.
    const char* langue = langue_demandee();
    if (langue && std::setlocale(LC_MESSAGES, "C.UTF-8") && !std::getenv("LANGUAGE"))
      setenv("LANGUAGE", langue, 0);
  }
  bindtextdomain(domaine, dossier_traductions().c_str());
  bind_textdomain_codeset(domaine, "UTF-8");
  textdomain(domaine);
}

}  // namespace langue
