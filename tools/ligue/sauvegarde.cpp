#include "ligue/sauvegarde.h"

#include <ostream>

#include "langue/langue.h"
#include "ligue/base.h"
#include "ligue/creation.h"

namespace {

struct FinitCopie {
  void operator()(sqlite3_backup* copie) const { sqlite3_backup_finish(copie); }
};

// Copies a few pages at a time so that the season's writes wait little; a
// write between two steps makes SQLite start the copy again, and the copy
// always ends at one committed state.
void copie(sqlite3* source, sqlite3* cible) {
  std::unique_ptr<sqlite3_backup, FinitCopie> copie(
      sqlite3_backup_init(cible, "main", source, "main"));
  if (!copie) throw ErreurBase(sqlite3_errmsg(cible));
  int code = SQLITE_OK;
  while ((code = sqlite3_backup_step(copie.get(), 64)) == SQLITE_OK || code == SQLITE_BUSY ||
         code == SQLITE_LOCKED)
    sqlite3_sleep(code == SQLITE_OK ? 1 : 20);
  if (code != SQLITE_DONE) throw ErreurBase(sqlite3_errstr(code));
}

}  // namespace

int sauvegarde(const std::filesystem::path& dossier, const std::filesystem::path& fichier,
               std::ostream& erreurs) {
  if (std::filesystem::exists(fichier)) {
    erreurs << "arene-ligue: " << fichier.string() << _(": exists already") << "\n";
    return 1;
  }
  try {
    Base source = ouvre_base(dossier / fichier_base, true);
    sqlite3* brut = nullptr;
    const int code = sqlite3_open_v2(fichier.c_str(), &brut,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Base cible(brut);
    if (code != SQLITE_OK) throw ErreurBase(fichier.string() + _(": cannot be created"));
    copie(source.get(), cible.get());
    return 0;
  } catch (const ErreurBase& e) {
    std::filesystem::remove(fichier);
    erreurs << "arene-ligue: " << e.what() << "\n";
    return 1;
  }
}
