#include "ligue/creation.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "langue/langue.h"
#include "ligue/base.h"
#include "ligue/classe.h"
#include "ligue/configuration.h"

namespace fs = std::filesystem;

namespace {

// A folder beside the league's, removed unless it was renamed into place:
// a failure halfway leaves nothing behind.
struct DossierProvisoire {
  fs::path chemin;
  explicit DossierProvisoire(const fs::path& dossier) {
    std::string modele = (dossier.parent_path() / ("." + dossier.filename().string() + ".XXXXXX"));
    if (!mkdtemp(modele.data()))
      throw std::system_error(errno, std::generic_category(), dossier.parent_path().string());
    chemin = modele;
  }
  DossierProvisoire(const DossierProvisoire&) = delete;
  DossierProvisoire& operator=(const DossierProvisoire&) = delete;
  ~DossierProvisoire() {
    std::error_code ignore;
    if (!chemin.empty()) fs::remove_all(chemin, ignore);
  }
  // Renames it to `dossier`, unless something took that name meanwhile.
  void installe(const fs::path& dossier) {
    if (renameat2(AT_FDCWD, chemin.c_str(), AT_FDCWD, dossier.c_str(), RENAME_NOREPLACE) != 0)
      throw std::system_error(errno, std::generic_category(), dossier.string());
    chemin.clear();
  }
};

std::string nom_d_hote() {
  char nom[256] = {};
  if (gethostname(nom, sizeof nom - 1) != 0 || nom[0] == '\0') return "localhost";
  return nom;
}

void ecrit(const fs::path& fichier, const std::string& texte) {
  std::ofstream sortie(fichier, std::ios::binary);
  sortie << texte;
  sortie.close();
  if (!sortie) throw std::system_error(errno, std::generic_category(), fichier.string());
}

void ecrit_liens(const ConfigurationLigue& c, sqlite3* base, std::ostream& sortie) {
  const std::string racine = "http://" + c.hote + ":" + std::to_string(c.port);
  sortie << racine << "/admin/" << jeton_administrateur(base) << "  " << _("teacher") << "\n";
  for (const EleveInscrit& e : eleves_inscrits(base))
    sortie << racine << "/eleve/" << e.jeton << "  " << e.nom << "\n";
}

// The folder with its settings and database, still under its provisional name.
void remplis(const fs::path& provisoire, const std::vector<Eleve>& eleves) {
  ConfigurationLigue c;
  c.hote = nom_d_hote();
  ecrit(provisoire / fichier_configuration, texte_configuration(c));
  Base base = cree_base(provisoire / fichier_base);
  inscrit_classe(base.get(), eleves);
}

}  // namespace

int init(const OptionsInit& o, std::ostream& sortie, std::ostream& erreurs) {
  std::error_code code;
  if (fs::symlink_status(o.dossier, code).type() != fs::file_type::not_found) {
    erreurs << o.dossier.string() << _(": already exists; a league starts in a new folder") << "\n";
    return 1;
  }
  std::vector<Eleve> eleves;
  if (o.classe) {
    auto lus = lit_fichier_classe(*o.classe);
    if (const auto* erreur = std::get_if<std::string>(&lus)) {
      erreurs << *erreur << "\n";
      return 1;
    }
    eleves = std::get<std::vector<Eleve>>(std::move(lus));
  }
  try {
    const fs::path dossier = fs::absolute(o.dossier).lexically_normal();
    DossierProvisoire provisoire(dossier.has_filename() ? dossier : dossier.parent_path());
    remplis(provisoire.chemin, eleves);
    provisoire.installe(o.dossier);
  } catch (const std::exception& e) {
    erreurs << "arene-ligue init: " << e.what() << "\n";
    return 1;
  }
  erreurs << _("League made in ") << o.dossier.string() << _(" with ") << eleves.size()
          << _(" students. Each link below is a password: give each student only theirs.") << "\n";
  return liens(o.dossier, sortie, erreurs);
}

int liens(const fs::path& dossier, std::ostream& sortie, std::ostream& erreurs) {
  auto lue = lit_configuration(dossier / fichier_configuration);
  if (const auto* erreur = std::get_if<std::string>(&lue)) {
    erreurs << *erreur << "\n";
    return 1;
  }
  try {
    Base base = ouvre_base(dossier / fichier_base, true);
    ecrit_liens(std::get<ConfigurationLigue>(lue), base.get(), sortie);
  } catch (const std::exception& e) {
    erreurs << "arene-ligue: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
