// A gzip file written as it goes, which a crash leaves readable up to its
// last flush: each flush ends a deflate block on a byte boundary (zlib's sync
// flush) and hands every byte to the system. Compression and writes are ours,
// not gzFile's, so that the file's bytes are known exactly: after a failure
// the file is cut back to its last flush, and what it holds is what was said.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "fichiers/disque.h"

namespace fichiers {

class FichierGzip {
 public:
  // Creates or empties the file. Throws Echec naming it and why it cannot.
  explicit FichierGzip(const std::string& chemin);
  ~FichierGzip();
  FichierGzip(const FichierGzip&) = delete;
  FichierGzip& operator=(const FichierGzip&) = delete;

  // Each returns false on a failure, whose reason erreur() then gives; the
  // file is of no more use but for abandonne().
  [[nodiscard]] bool ecrit(std::string_view octets);
  // Everything written so far into the file, readable on its own.
  [[nodiscard]] bool vide();
  [[nodiscard]] bool synchronise();
  // The end of the gzip stream, on the disk; the file is closed.
  [[nodiscard]] bool termine();
  // Cuts the file back to its last flush and closes it.
  void abandonne();

  const std::string& erreur() const { return erreur_; }
  // Bytes compressed since the last flush, or still to write.
  bool a_des_octets_en_attente() const { return en_attente_ || !sortie_.empty(); }

 private:
  bool comprime(std::string_view entree, int mode);
  bool ecrit_sortie();
  bool echoue(const std::string& quoi);

  Descripteur fd_;
  z_stream flux_{};
  std::string sortie_;       // compressed, not yet written
  bool en_attente_ = false;  // input given to zlib since the last flush
  off_t ecrits_ = 0;         // bytes in the file
  off_t vide_jusqu_a_ = 0;   // bytes in the file up to the last flush
  std::string erreur_;
};

}  // namespace fichiers
