#include "commun/connexion.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "langue/langue.h"

namespace commun {

namespace {

std::string erreur_systeme(const char* operation) {
  return std::string(operation) + ": " + std::strerror(errno);
}

// Waits at most `delai` for the handshake: a host that drops the SYN would
// otherwise hold a health check for minutes.
bool connecte_avant(int fd, const addrinfo& a, ConnexionArene::Duree delai) {
  const int drapeaux = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, drapeaux | O_NONBLOCK);
  int erreur = ::connect(fd, a.ai_addr, a.ai_addrlen) == 0 ? 0 : errno;
  if (erreur == EINPROGRESS) {
    pollfd attente{fd, POLLOUT, 0};
    int pret;
    do pret = ::poll(&attente, 1, static_cast<int>(delai.count()));
    while (pret < 0 && errno == EINTR);
    erreur = ETIMEDOUT;
    socklen_t taille = sizeof erreur;
    if (pret > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &erreur, &taille);
  }
  ::fcntl(fd, F_SETFL, drapeaux);
  errno = erreur;
  return erreur == 0;
}

int connecte(const std::string& hote, int port, ConnexionArene::Duree delai) {
  addrinfo indices{};
  indices.ai_family = AF_INET;
  indices.ai_socktype = SOCK_STREAM;
  addrinfo* adresses = nullptr;
  const std::string service = std::to_string(port);
  if (const int code = ::getaddrinfo(hote.c_str(), service.c_str(), &indices, &adresses); code != 0)
    throw ErreurConnexion(hote + ": " + ::gai_strerror(code));
  std::string derniere = _("connect: no address");
  int fd = -1;
  for (addrinfo* a = adresses; a != nullptr && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    if (!connecte_avant(fd, *a, delai)) {
      derniere = erreur_systeme("connect");
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(adresses);
  if (fd < 0) throw ErreurConnexion(hote + ":" + service + ": " + derniere);
  const int un = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &un, sizeof un);
  return fd;
}

}  // namespace

ConnexionArene::ConnexionArene(const std::string& hote, int port, Duree delai)
    : fd_(connecte(hote, port, delai)), delai_(delai) {}

ConnexionArene::~ConnexionArene() {
  if (fd_ >= 0) ::close(fd_);
}

ConnexionArene::ConnexionArene(ConnexionArene&& autre) noexcept
    : fd_(std::exchange(autre.fd_, -1)), delai_(autre.delai_), tampon_(std::move(autre.tampon_)) {}

ConnexionArene& ConnexionArene::operator=(ConnexionArene&& autre) noexcept {
  if (this != &autre) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(autre.fd_, -1);
    delai_ = autre.delai_;
    tampon_ = std::move(autre.tampon_);
  }
  return *this;
}

void ConnexionArene::envoie(std::string_view octets) {
  while (!octets.empty()) {
    const ssize_t envoyes = ::send(fd_, octets.data(), octets.size(), MSG_NOSIGNAL);
    if (envoyes < 0 && errno == EINTR) continue;
    if (envoyes <= 0) throw ErreurConnexion(erreur_systeme("send"));
    octets.remove_prefix(static_cast<std::size_t>(envoyes));
  }
}

std::string ConnexionArene::lit_ligne() {
  for (;;) {
    if (const auto fin = tampon_.find('\n'); fin != std::string::npos) {
      std::string ligne = tampon_.substr(0, fin);
      tampon_.erase(0, fin + 1);
      if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
      return ligne;
    }
    pollfd attente{fd_, POLLIN, 0};
    const int pret = ::poll(&attente, 1, static_cast<int>(delai_.count()));
    if (pret < 0 && errno == EINTR) continue;
    if (pret == 0)
      throw ErreurConnexion(
          _("no reply from the server within ") + std::to_string(delai_.count()) + _(" ms"),
          Panne::Silence);
    char morceau[16384];
    const ssize_t lus = ::recv(fd_, morceau, sizeof morceau, 0);
    if (lus < 0 && errno == EINTR) continue;
    if (lus < 0) throw ErreurConnexion(erreur_systeme("recv"));
    if (lus == 0) throw ErreurConnexion(_("the server closed the connection"));
    tampon_.append(morceau, static_cast<std::size_t>(lus));
  }
}

Reponse ConnexionArene::lit_reponse(Genre genre) {
  LectureReponse lecture(genre);
  while (!lecture.ajoute(lit_ligne())) {
  }
  return std::move(lecture.reponse());
}

Reponse ConnexionArene::demande(std::string_view requete) {
  envoie(std::string(requete) + "\r\n");
  return lit_reponse(genre_de(requete));
}

void ConnexionArene::quitte() {
  try {
    envoie("PUT ACTION QUITTE\r\n");
    for (;;) lit_ligne();  // replies still in flight, then the end of the stream
  } catch (const ErreurConnexion&) {
  }
}

std::string ConnexionArene::enregistre(std::int64_t couleur) {
  envoie("PUT COULEUR VAISSEAU " + std::to_string(couleur) + "\r\n");
  return lit_ligne();
}

}  // namespace commun
