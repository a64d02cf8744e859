#include "protocol/connexion.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

namespace {

void limite_envoi(int fd, std::chrono::milliseconds delai) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(delai).count();
  timeval limite{};
  limite.tv_sec = static_cast<time_t>(us / 1'000'000);
  limite.tv_usec = static_cast<suseconds_t>(us % 1'000'000);
  // If the option cannot be set, sends simply block until the peer goes.
  (void)::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limite, sizeof limite);
}

bool envoie_tout(int fd, std::string_view octets) {
  while (!octets.empty()) {
    const ssize_t envoyes = ::send(fd, octets.data(), octets.size(), MSG_NOSIGNAL);
    if (envoyes < 0 && errno == EINTR) continue;
    // EAGAIN here means SO_SNDTIMEO passed without a byte going out.
    if (envoyes <= 0) return false;
    octets.remove_prefix(static_cast<std::size_t>(envoyes));
  }
  return true;
}

// A reply is written in one send once composed: nothing is gained by holding
// it back until the previous one is acknowledged, and a pipelining bot behind
// a delayed acknowledgement would wait tens of milliseconds for it.
void envoie_sans_attente(int fd) {
  const int oui = 1;
  (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &oui, sizeof oui);
}

}  // namespace

Connexion::Connexion(Socket socket_connecte, const OptionsConnexion& options)
    : socket(std::move(socket_connecte)), lecteur(source_descripteur(socket.fd())) {
  limite_envoi(socket.fd(), options.delai_envoi_bloque);
  envoie_sans_attente(socket.fd());
}

bool vide_sortie(Connexion& connexion) {
  const bool envoye = envoie_tout(connexion.socket.fd(), connexion.sortie);
  connexion.sortie.clear();
  return envoye;
}

bool envoie(Connexion& connexion, std::string_view reponse) {
  connexion.sortie += reponse;
  return vide_sortie(connexion);
}
