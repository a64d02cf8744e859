#include "tournoi/fichiers.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

void ecrit_atomiquement(const std::filesystem::path& chemin, const std::string& texte) {
  std::filesystem::path provisoire = chemin;
  provisoire += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream flux(provisoire, std::ios::binary | std::ios::trunc);
    flux << texte;
    if (!flux.flush()) throw std::runtime_error("cannot write " + provisoire.string());
  }
  std::filesystem::rename(provisoire, chemin);
}

std::string lit_fichier(const std::filesystem::path& chemin) {
  std::ifstream flux(chemin, std::ios::binary);
  if (!flux) throw std::runtime_error("cannot read " + chemin.string());
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}
