#include "fichiers/disque.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fichiers {

namespace {

std::string raison(const std::string& quoi) { return quoi + " : " + std::strerror(errno); }

// Devices and pipes are written as they are: renaming over them would replace them.
std::optional<std::string> ecrit_en_place(const std::string& chemin, std::string_view texte) {
  Descripteur f(::open(chemin.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (!f.valide()) return raison("ouverture de " + chemin);
  if (!ecrit_tout(f.fd(), texte) || !f.ferme()) return raison("ecriture de " + chemin);
  return std::nullopt;
}

std::optional<std::string> synchronise_dossier(const std::string& chemin) {
  const std::filesystem::path parent = std::filesystem::path(chemin).parent_path();
  const std::string dossier = parent.empty() ? "." : parent.string();
  Descripteur d(::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!d.valide() || !synchronise(d.fd())) return raison("synchronisation de " + dossier);
  return std::nullopt;
}

}  // namespace

Descripteur& Descripteur::operator=(Descripteur&& autre) noexcept {
  if (this != &autre) {
    (void)ferme();
    fd_ = std::exchange(autre.fd_, -1);
  }
  return *this;
}

bool Descripteur::ferme() {
  if (fd_ < 0) return true;
  return ::close(std::exchange(fd_, -1)) == 0 || errno == EINTR;
}

bool ecrit_tout(int fd, std::string_view octets) {
  while (!octets.empty()) {
    const ssize_t ecrits = ::write(fd, octets.data(), octets.size());
    if (ecrits < 0 && errno == EINTR) continue;
    if (ecrits <= 0) {
      if (ecrits == 0) errno = ENOSPC;
      return false;
    }
    octets.remove_prefix(static_cast<std::size_t>(ecrits));
  }
  return true;
}

bool synchronise(int fd) {
  if (::fsync(fd) == 0) return true;
  return errno == EINVAL || errno == EROFS;
}

std::optional<std::string> remplace_fichier(const std::string& chemin, std::string_view texte) {
  struct stat etat {};
  if (::stat(chemin.c_str(), &etat) == 0 && !S_ISREG(etat.st_mode))
    return ecrit_en_place(chemin, texte);
  const std::string provisoire = chemin + ".tmp" + std::to_string(::getpid());
  Descripteur f(::open(provisoire.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!f.valide()) return raison("creation de " + provisoire);
  if (!ecrit_tout(f.fd(), texte) || !synchronise(f.fd()) || !f.ferme() ||
      ::rename(provisoire.c_str(), chemin.c_str()) != 0) {
    const std::string pourquoi = raison("ecriture de " + chemin);
    ::unlink(provisoire.c_str());
    return pourquoi;
  }
  return synchronise_dossier(chemin);
}

}  // namespace fichiers
