// Every recording of the league in one .tar.gz, for the teacher to keep: written
// through libarchive a piece at a time into a file that has no name, so that
// neither memory nor a crash leaves anything the size of the season behind.
#include <archive.h>
#include <archive_entry.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "ligue/base.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

struct FermeEcriture {
  void operator()(archive* a) const { archive_write_free(a); }
};
using Ecriture = std::unique_ptr<archive, FermeEcriture>;

struct FinitEntree {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// One file into the archive under `nom`; false when it cannot be read whole.
bool ajoute(archive* a, const fs::path& chemin, const std::string& nom) {
  std::error_code erreur;
  const auto taille = fs::file_size(chemin, erreur);
  std::ifstream lu(chemin, std::ios::binary);
  if (erreur || !lu) return true;  // a recording gone missing is left out, not the whole archive
  std::unique_ptr<archive_entry, FinitEntree> e(archive_entry_new());
  archive_entry_set_pathname(e.get(), nom.c_str());
  archive_entry_set_filetype(e.get(), AE_IFREG);
  archive_entry_set_perm(e.get(), 0644);
  archive_entry_set_size(e.get(), static_cast<la_int64_t>(taille));
  archive_entry_set_mtime(e.get(), ::time(nullptr), 0);
  if (archive_write_header(a, e.get()) != ARCHIVE_OK) return false;
  std::uintmax_t ecrits = 0;
  char tampon[64 * 1024];
  while (ecrits < taille && lu.read(tampon, sizeof tampon).gcount() > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uintmax_t>(lu.gcount(), taille - ecrits));
    if (archive_write_data(a, tampon, n) != static_cast<la_ssize_t>(n)) return false;
    ecrits += n;
  }
  return ecrits == taille;
}

}  // namespace

std::optional<tribune::PageHttp> lot_enregistrements(sqlite3* base, const fs::path& ligue) {
  std::string modele = (ligue / ".enregistrements-XXXXXX").string();
  auto fichier = std::make_shared<fichiers::Descripteur>(::mkstemp(modele.data()));
  if (!fichier->valide()) return std::nullopt;
  ::unlink(modele.c_str());  // freed with its last descriptor, once sent
  Ecriture a(archive_write_new());
  // The recordings are gzip already: the least effort, for the archive comes before its first byte.
  if (archive_write_add_filter_gzip(a.get()) != ARCHIVE_OK ||
      archive_write_set_filter_option(a.get(), "gzip", "compression-level", "1") != ARCHIVE_OK ||
      archive_write_set_format_pax_restricted(a.get()) != ARCHIVE_OK ||
      archive_write_open_fd(a.get(), fichier->fd()) != ARCHIVE_OK)
    return std::nullopt;
  Requete r = prepare(base,
                      "SELECT id, enregistrement FROM matchs WHERE enregistrement IS NOT NULL "
                      "ORDER BY id");
  while (sqlite3_step(r.get()) == SQLITE_ROW)
    if (!ajoute(a.get(), ligue / colonne(r.get(), 1), "match-" + colonne(r.get(), 0) + ".jsonl.gz"))
      return std::nullopt;
  if (archive_write_close(a.get()) != ARCHIVE_OK) return std::nullopt;
  tribune::PageHttp p{200, "application/gzip", ""};
  p.piece_jointe = "enregistrements.tar.gz";
  p.fichier = std::move(fichier);
  return p;
}
