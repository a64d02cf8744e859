// One client's socket with its line reader and its pending replies.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "protocol/compteurs.h"
#include "protocol/lecteur_lignes.h"
#include "protocol/socket.h"

// Per-connection settings. The server uses the defaults; tests shorten them.
struct OptionsConnexion {
  // A send that makes no progress for this long fails, which ends the connection.
  std::chrono::milliseconds delai_envoi_bloque =
      std::chrono::seconds(Configuration::delai_envoi_bloque_s);
};

struct Connexion {
  // With `compteurs`, every byte read and sent is counted there.
  Connexion(Socket socket_connecte, const OptionsConnexion& options,
            CompteursProtocole* compteurs_trafic = nullptr);

  Socket socket;
  CompteursProtocole* compteurs;
  LecteurLignes lecteur;
  std::string sortie;  // replies composed but not yet sent
};

// Sends `sortie` whole, in as few calls as the kernel allows, and empties it.
// False when the peer has gone or a send made no progress for the delay.
// Never raises SIGPIPE.
[[nodiscard]] bool vide_sortie(Connexion& connexion);

// Appends `reponse` to the pending replies and sends them all.
[[nodiscard]] bool envoie(Connexion& connexion, std::string_view reponse);
