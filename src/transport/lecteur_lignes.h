// Line framing of the client-to-server direction. A line is every byte up to a
// line feed; the line feed is dropped and everything else kept, so a client
// that ends its lines with CR LF delivers lines ending in CR. Bytes left
// pending when the stream ends form a last line.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/configuration.h"

namespace transport {

// Where the bytes come from: fills at most `taille` bytes of `tampon` and
// returns how many, 0 at end of stream, a negative value on failure.
using Source = std::function<long(char* tampon, std::size_t taille)>;

// Reads from a socket or any descriptor, retrying interrupted calls.
Source source_descripteur(int fd);

class LecteurLignes {
 public:
  // Of a longer line only the first `longueur_max` bytes are kept; the rest,
  // up to its line feed, is read and dropped, so memory stays bounded.
  explicit LecteurLignes(Source source, std::size_t longueur_max = config::longueur_max_ligne);

  // The next line, valid until the next call; nothing at end of stream with no
  // byte pending, or when the source fails (a partial line is then dropped).
  std::optional<std::string_view> lit_ligne();

  // True when a whole line is already buffered, so lit_ligne will not wait.
  bool ligne_prete() const;

 private:
  // Refills the buffer; false at end of stream or on failure.
  bool remplit();

  Source source_;
  std::size_t longueur_max_;
  // On the heap, as connection threads have small stacks; left uninitialised,
  // so an idle connection's pages are never touched and cost no memory.
  std::unique_ptr<char[]> tampon_;
  std::size_t debut_ = 0;  // first byte not yet consumed
  std::size_t fin_ = 0;    // one past the last byte received
  enum class Etat { Ouvert, Fin, Echec } etat_ = Etat::Ouvert;
  std::string ligne_;
};

}  // namespace transport
