#include "commun/donnees.h"

#include <system_error>

namespace commun {

namespace fs = std::filesystem;

fs::path donnees_arene(const fs::path& dossier_programme) {
  std::error_code erreur;
  if (fs::equivalent(dossier_programme, ARENE_CONSTRUCTION, erreur)) return ARENE_SOURCES;
  // Relative to the program first: a package built with one prefix may be
  // unpacked under another (dpkg --root, cmake --install --prefix).
  const fs::path voisin = (dossier_programme / ARENE_DONNEES_RELATIVES).lexically_normal();
  if (fs::is_directory(voisin, erreur)) return voisin;
  return ARENE_DONNEES;
}

fs::path donnees_arene() {
  std::error_code erreur;
  const fs::path programme = fs::read_symlink("/proc/self/exe", erreur);
  return donnees_arene(programme.parent_path());
}

}  // namespace commun
