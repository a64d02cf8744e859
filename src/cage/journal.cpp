#include "cage/journal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "cage/processus.h"

namespace cage {

namespace {

void ecrit_tout(int fd, const char* donnees, std::size_t taille) {
  while (taille > 0) {
    const ssize_t n = ::write(fd, donnees, taille);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a full disk loses the journal, not the match
    donnees += n;
    taille -= static_cast<std::size_t>(n);
  }
}

}  // namespace

Journal::Journal(int lecture, const std::filesystem::path& fichier, std::uint64_t maximum)
    : lecture_(lecture), maximum_(maximum) {
  fichier_ = ::open(fichier.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fichier_ < 0) {
    ::close(lecture_);
    throw std::runtime_error(fichier.string() + ": " + std::strerror(errno));
  }
  ::fcntl(lecture_, F_SETFL, O_NONBLOCK);
  fil_ = std::jthread([this](std::stop_token arret) { copie(arret); });
}

Journal::~Journal() {
  fil_.request_stop();
  if (fil_.joinable()) fil_.join();
  while (lit_une_fois()) {
  }
  ::close(lecture_);
  ::close(fichier_);
}

void Journal::copie(std::stop_token arret) {
  pollfd attente{lecture_, POLLIN, 0};
  while (!arret.stop_requested()) {
    if (::poll(&attente, 1, 50) <= 0) continue;
    if (!lit_une_fois() && (attente.revents & (POLLHUP | POLLERR)) && !(attente.revents & POLLIN))
      return;
  }
}

bool Journal::lit_une_fois() {
  char tampon[65536];
  const ssize_t n = ::read(lecture_, tampon, sizeof tampon);
  if (n <= 0) return false;
  const auto taille = static_cast<std::uint64_t>(n);
  const auto garde = ecrits_ < maximum_ ? std::min(taille, maximum_ - ecrits_) : 0;
  ecrit_tout(fichier_, tampon, garde);
  ecrits_ += garde;
  // Cut at the first byte dropped, even when a read ends right at the limit.
  if (garde < taille && !coupe_) {
    ecrit_tout(fichier_, marque_journal_coupe, std::strlen(marque_journal_coupe));
    coupe_ = true;
  }
  return true;
}

}  // namespace cage
