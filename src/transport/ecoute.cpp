#include "transport/ecoute.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "config/configuration.h"
#include "config/journal.h"
#include "transport/socket.h"
#include "world/echec.h"

namespace transport {

namespace {

[[noreturn]] void echec_systeme(const char* operation) {
  throw world::Echec(std::string(operation) + " : " + std::strerror(errno));
}

}  // namespace

int port_d_ecoute(const Socket& ecoute) {
  sockaddr_in adresse{};
  socklen_t taille = sizeof adresse;
  if (::getsockname(ecoute.fd(), reinterpret_cast<sockaddr*>(&adresse), &taille) != 0) return -1;
  return ntohs(adresse.sin_port);
}

bool est_en_ecoute(int fd) {
  int ecoute = 0;
  socklen_t taille = sizeof ecoute;
  return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &ecoute, &taille) == 0 && ecoute != 0;
}

Socket ouvre_socket_d_ecoute(std::int64_t port, int backlog, const OptionsEcoute& options) {
  const auto etape = [&options](std::string_view message) {
    if (options.traces) config::trace(message);
  };
  etape("creation de la socket principale\n");
  Socket ecoute(::socket(AF_INET, SOCK_STREAM | (options.ferme_a_l_exec ? SOCK_CLOEXEC : 0), 0));
  if (!ecoute.valide()) echec_systeme("socket");
  const int oui = 1;
  if (options.reutilise_adresse &&
      ::setsockopt(ecoute.fd(), SOL_SOCKET, SO_REUSEADDR, &oui, sizeof oui) != 0)
    echec_systeme("setsockopt");
  etape("binding et listening\n");
  // Never listen on a port other than the one asked for.
  if (port < 0 || port > 65535)
    throw world::Echec("bind : port hors limites : " + std::to_string(port));
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(options.adresse);
  adresse.sin_port = htons(static_cast<std::uint16_t>(port));
  // Which port is taken matters most when a program listens on two.
  if (::bind(ecoute.fd(), reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) != 0)
    echec_systeme(("bind : port " + std::to_string(port)).c_str());
  if (::listen(ecoute.fd(), backlog) != 0) echec_systeme("listen");
  etape("attente des clients\n");
  return ecoute;
}

namespace {

// Failures of accept that come from a lack of resources or from the peer: the
// server waits (when out of resources) and accepts again.
bool accept_passager(int erreur) {
  switch (erreur) {
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
    case ECONNABORTED:
    case EINTR:
    case EPROTO:
    case EPERM:
      return true;
    default:
      return false;
  }
}

bool manque_de_ressources(int erreur) {
  return erreur == EMFILE || erreur == ENFILE || erreur == ENOBUFS || erreur == ENOMEM;
}

}  // namespace

void accepte_connexions(const Socket& ecoute, const std::atomic<bool>* arret,
                        const std::function<void(Socket)>& sert) {
  for (;;) {
    Socket connexion(::accept(ecoute.fd(), nullptr, nullptr));
    if (!connexion.valide()) {
      const int erreur = errno;
      if (arret != nullptr && arret->load()) return;
      if (!accept_passager(erreur)) echec_systeme("accept");
      if (manque_de_ressources(erreur)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    sert(std::move(connexion));
  }
}

}  // namespace transport
