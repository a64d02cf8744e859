#include "transport/connexion.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

namespace transport {

namespace {

void limite_envoi(int fd, std::chrono::milliseconds delai) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(delai).count();
  timeval limite{};
  limite.tv_sec = static_cast<time_t>(us / 1'000'000);
  limite.tv_usec = static_cast<suseconds_t>(us % 1'000'000);
  // If the option cannot be set, sends simply block until the peer goes.
  (void)::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limite, sizeof limite);
}

// The number of bytes that went out: all of them unless the peer has gone.
std::size_t envoie_tout(int fd, std::string_view octets) {
  std::size_t total = 0;
  while (total < octets.size()) {
    const ssize_t envoyes = ::send(fd, octets.data() + total, octets.size() - total, MSG_NOSIGNAL);
    if (envoyes < 0 && errno == EINTR) continue;
    // EAGAIN here means SO_SNDTIMEO passed without a byte going out.
    if (envoyes <= 0) break;
    total += static_cast<std::size_t>(envoyes);
  }
  return total;
}

Source source_comptee(int fd, CompteursOctets* compteurs) {
  if (compteurs == nullptr) return source_descripteur(fd);
  return [lit = source_descripteur(fd), compteurs](char* tampon, std::size_t taille) {
    const long lus = lit(tampon, taille);
    if (lus > 0)
      compteurs->octets_recus.fetch_add(static_cast<std::uint64_t>(lus), std::memory_order_relaxed);
    return lus;
  };
}

// A reply is written in one send once composed: nothing is gained by holding
// it back until the previous one is acknowledged, and a pipelining bot behind
// a delayed acknowledgement would wait tens of milliseconds for it.
void envoie_sans_attente(int fd) {
  const int oui = 1;
  (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &oui, sizeof oui);
}

}  // namespace

Connexion::Connexion(Socket socket_connecte, const OptionsConnexion& options,
                     CompteursOctets* compteurs_trafic)
    : socket(std::move(socket_connecte)),
      compteurs(compteurs_trafic),
      lecteur(source_comptee(socket.fd(), compteurs)) {
  limite_envoi(socket.fd(), options.delai_envoi_bloque);
  envoie_sans_attente(socket.fd());
}

bool vide_sortie(Connexion& connexion) {
  const std::size_t envoyes = envoie_tout(connexion.socket.fd(), connexion.sortie);
  if (connexion.compteurs != nullptr)
    connexion.compteurs->octets_envoyes.fetch_add(envoyes, std::memory_order_relaxed);
  const bool complet = envoyes == connexion.sortie.size();
  connexion.sortie.clear();
  return complet;
}

bool envoie(Connexion& connexion, std::string_view reponse) {
  connexion.sortie += reponse;
  return vide_sortie(connexion);
}

}  // namespace transport
