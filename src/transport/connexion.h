// One client's socket with its line reader and its pending replies.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "transport/lecteur_lignes.h"
#include "transport/socket.h"

namespace transport {

// The bytes of the players' traffic, for a match server's metrics. Written by
// connection threads, read by anyone: relaxed atomics, as each only goes up.
struct CompteursOctets {
  std::atomic<std::uint64_t> octets_recus{0};
  std::atomic<std::uint64_t> octets_envoyes{0};
};

// Per-connection settings. The server uses the defaults; tests shorten them.
struct OptionsConnexion {
  // A send that makes no progress for this long fails, which ends the connection.
  std::chrono::milliseconds delai_envoi_bloque = std::chrono::seconds(config::delai_envoi_bloque_s);
};

struct Connexion {
  // With `compteurs`, every byte read and sent is counted there.
  Connexion(Socket socket_connecte, const OptionsConnexion& options,
            CompteursOctets* compteurs_trafic = nullptr);

  Socket socket;
  CompteursOctets* compteurs;
  LecteurLignes lecteur;
  std::string sortie;  // replies composed but not yet sent
};

// Sends `sortie` whole, in as few calls as the kernel allows, and empties it.
// False when the peer has gone or a send made no progress for the delay.
// Never raises SIGPIPE.
[[nodiscard]] bool vide_sortie(Connexion& connexion);

// Appends `reponse` to the pending replies and sends them all.
[[nodiscard]] bool envoie(Connexion& connexion, std::string_view reponse);

}  // namespace transport
