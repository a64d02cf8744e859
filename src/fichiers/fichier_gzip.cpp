#include "fichiers/fichier_gzip.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "world/echec.h"

namespace fichiers {

namespace {

// Compressed bytes held before a write: the file gets few, large writes
// between two flushes.
constexpr std::size_t seuil_ecriture = 256 * 1024;
// The usual gzip compromise between size and time.
constexpr int niveau = 6;

}  // namespace

FichierGzip::FichierGzip(const std::string& chemin)
    : fd_(::open(chemin.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
  if (!fd_.valide())
    throw world::Echec("enregistrement : impossible de creer " + chemin + " : " +
                       std::strerror(errno));
  // 15 + 16: the largest window, with a gzip header and trailer.
  if (deflateInit2(&flux_, niveau, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw world::Echec("enregistrement : zlib ne demarre pas");
}

FichierGzip::~FichierGzip() { deflateEnd(&flux_); }

bool FichierGzip::echoue(const std::string& quoi) {
  erreur_ = quoi;
  return false;
}

bool FichierGzip::comprime(std::string_view entree, int mode) {
  flux_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entree.data()));
  flux_.avail_in = static_cast<uInt>(entree.size());
  unsigned char morceau[1 << 16];
  int code = Z_OK;
  do {
    flux_.next_out = morceau;
    flux_.avail_out = sizeof morceau;
    code = deflate(&flux_, mode);
    if (code == Z_STREAM_ERROR) return echoue("zlib : flux abime");
    sortie_.append(reinterpret_cast<const char*>(morceau), sizeof morceau - flux_.avail_out);
  } while (flux_.avail_out == 0 || (mode == Z_FINISH && code != Z_STREAM_END));
  return true;
}

bool FichierGzip::ecrit_sortie() {
  if (!ecrit_tout(fd_.fd(), sortie_)) return echoue(std::strerror(errno));
  ecrits_ += static_cast<off_t>(sortie_.size());
  sortie_.clear();
  return true;
}

bool FichierGzip::ecrit(std::string_view octets) {
  if (!fd_.valide()) return false;
  if (octets.empty()) return true;
  en_attente_ = true;
  if (!comprime(octets, Z_NO_FLUSH)) return false;
  return sortie_.size() < seuil_ecriture || ecrit_sortie();
}

bool FichierGzip::vide() {
  if (!fd_.valide()) return false;
  if (!comprime({}, Z_SYNC_FLUSH) || !ecrit_sortie()) return false;
  en_attente_ = false;
  vide_jusqu_a_ = ecrits_;
  return true;
}

bool FichierGzip::synchronise() {
  if (!fd_.valide()) return false;
  return fichiers::synchronise(fd_.fd()) || echoue(std::strerror(errno));
}

bool FichierGzip::termine() {
  if (!fd_.valide()) return false;
  if (!comprime({}, Z_FINISH) || !ecrit_sortie() || !synchronise()) return false;
  vide_jusqu_a_ = ecrits_;
  en_attente_ = false;
  return fd_.ferme() || echoue(std::strerror(errno));
}

void FichierGzip::abandonne() {
  // A device such as /dev/full cannot be cut: nothing to undo there.
  if (fd_.valide()) (void)::ftruncate(fd_.fd(), vide_jusqu_a_);
  (void)fd_.ferme();
  sortie_.clear();
}

}  // namespace fichiers
