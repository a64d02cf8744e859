#include "tournoi/fichiers.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "fichiers/disque.h"
#include "langue/langue.h"

void ecrit_atomiquement(const std::filesystem::path& chemin, const std::string& texte) {
  if (const auto echec = fichiers::remplace_fichier(chemin.string(), texte))
    throw std::runtime_error(_("cannot write ") + chemin.string() + ": " + *echec);
}

std::string lit_fichier(const std::filesystem::path& chemin) {
  std::ifstream flux(chemin, std::ios::binary);
  if (!flux) throw std::runtime_error(_("cannot read ") + chemin.string());
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}
