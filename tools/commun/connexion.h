// A blocking connection to an arena server, for tools and tests: connect,
// register, send a request, read its whole reply.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commun/reponses.h"

namespace commun {

// Why a conversation with a server stopped.
enum class Panne {
  Coupure,        // no connection: refused, unreachable, closed or reset
  Silence,        // connected, but no reply within the delay
  HorsProtocole,  // a reply the protocol never sends
};

// The connection failed, was refused, dropped, went silent or got a reply
// outside the protocol; `what()` says which.
struct ErreurConnexion : std::runtime_error {
  explicit ErreurConnexion(const std::string& quoi, Panne genre = Panne::Coupure)
      : std::runtime_error(quoi), panne(genre) {}
  Panne panne;
};

class ConnexionArene {
 public:
  using Duree = std::chrono::milliseconds;

  // Connects to host:port (a name or an IPv4 address), giving up after `delai`.
  // Throws ErreurConnexion.
  ConnexionArene(const std::string& hote, int port, Duree delai = std::chrono::seconds(5));
  ~ConnexionArene();
  ConnexionArene(ConnexionArene&& autre) noexcept;
  ConnexionArene& operator=(ConnexionArene&& autre) noexcept;
  ConnexionArene(const ConnexionArene&) = delete;
  ConnexionArene& operator=(const ConnexionArene&) = delete;

  int fd() const { return fd_; }

  // Sends "PUT COULEUR VAISSEAU <couleur>" and returns the reply line.
  std::string enregistre(std::int64_t couleur);
  // Sends one request line (CR LF added) and reads its whole reply.
  Reponse demande(std::string_view requete);
  // Sends raw bytes as they are.
  void envoie(std::string_view octets);
  // The next line without its CR LF; throws ErreurConnexion at end of stream or after `delai_`.
  std::string lit_ligne();
  // Reads the whole reply of a request of this shape.
  Reponse lit_reponse(Genre genre);
  // Sends "PUT ACTION QUITTE" and waits until the server has closed the
  // connection, so that its ship is gone before the colour is registered again.
  void quitte();
  // True when a complete line is already buffered (no system call).
  bool ligne_en_attente() const { return tampon_.find('\n') != std::string::npos; }

 private:
  int fd_ = -1;
  Duree delai_;
  std::string tampon_;
};

}  // namespace commun
