#include "transport/lecteur_lignes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace transport {

namespace {

constexpr std::size_t taille_tampon = 16 * 1024;

}  // namespace

Source source_descripteur(int fd) {
  return [fd](char* tampon, std::size_t taille) -> long {
    for (;;) {
      const ssize_t lus = ::read(fd, tampon, taille);
      if (lus >= 0 || errno != EINTR) return static_cast<long>(lus);
    }
  };
}

LecteurLignes::LecteurLignes(Source source, std::size_t longueur_max)
    : source_(std::move(source)),
      longueur_max_(longueur_max),
      tampon_(std::make_unique_for_overwrite<char[]>(taille_tampon)) {
  ligne_.reserve(longueur_max_);
}

bool LecteurLignes::ligne_prete() const {
  return std::memchr(tampon_.get() + debut_, '\n', fin_ - debut_) != nullptr;
}

bool LecteurLignes::remplit() {
  if (etat_ != Etat::Ouvert) return false;
  const long lus = source_(tampon_.get(), taille_tampon);
  if (lus <= 0) {
    etat_ = lus == 0 ? Etat::Fin : Etat::Echec;
    return false;
  }
  debut_ = 0;
  fin_ = static_cast<std::size_t>(lus);
  return true;
}

std::optional<std::string_view> LecteurLignes::lit_ligne() {
  ligne_.clear();
  bool en_cours = false;  // some byte of this line has been received
  for (;;) {
    const char* debut = tampon_.get() + debut_;
    const std::size_t disponible = fin_ - debut_;
    const auto* lf = static_cast<const char*>(std::memchr(debut, '\n', disponible));
    const std::size_t longueur = lf ? static_cast<std::size_t>(lf - debut) : disponible;
    ligne_.append(debut, std::min(longueur, longueur_max_ - ligne_.size()));
    en_cours = en_cours || disponible > 0;
    debut_ += lf ? longueur + 1 : longueur;
    if (lf) return std::string_view(ligne_);
    if (!remplit()) {
      // Only a clean end of stream delivers the pending bytes as a last line.
      if (en_cours && etat_ == Etat::Fin) return std::string_view(ligne_);
      return std::nullopt;
    }
  }
}

}  // namespace transport
