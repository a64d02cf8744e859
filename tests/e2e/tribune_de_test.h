// arene-arbitre with a spectator port, and a spectator's side of it: HTTP
// requests and the WebSocket stream, every read bounded in time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/serveur_de_test.h"
#include "transport/socket.h"

// arene-arbitre on a free game port and a free spectator port, or the one
// given; `arguments` follow them on its command line.
class ArbitreDeTest {
 public:
  explicit ArbitreDeTest(const std::vector<std::string>& arguments = {},
                         std::optional<int> port_spectateurs = {});
  int port() const { return serveur_.port(); }
  int port_spectateurs() const { return port_spectateurs_; }
  Processus& processus() { return serveur_.processus(); }

 private:
  int port_spectateurs_;
  ServeurDeTest serveur_;
};

struct ReponseHttp {
  int statut = 0;      // 0: no answer
  std::string entete;  // the status line and the header fields
  std::string corps;
};

// Sends `requete` as it is on a new connection (from `source`, a loopback
// address, when given), then reads until the server closes it.
ReponseHttp echange_http(int port, std::string_view requete, Duree delai = 5s,
                         const std::string& source = "");
// GET `chemin`, asking the server to close once it has answered.
ReponseHttp get_http(int port, std::string_view chemin, const std::string& source = "");
// The request a browser sends to open the stream (at `chemin`).
std::string demande_de_flux(std::string_view chemin = "/flux");
// A connection that asks for the stream and will never read it. Its receive
// buffer is kept small, so that the server's sends stall within seconds.
transport::Socket spectateur_muet(int port, const std::string& source = "",
                                  std::string_view chemin = "/flux");

// The value of the sample named `nom` (labels included) in metrics text; -1 if absent.
double metrique(const std::string& texte, std::string_view nom);

// One spectator following /flux.
class FluxDeTest {
 public:
  // Throws std::runtime_error when the stream does not open.
  explicit FluxDeTest(int port, const std::string& source = "",
                      const std::string& chemin = "/flux");
  ~FluxDeTest();
  FluxDeTest(const FluxDeTest&) = delete;
  FluxDeTest& operator=(const FluxDeTest&) = delete;

  // The next message; nothing after `delai`, at the close, or on a failure.
  std::optional<std::string> message(Duree delai = 5s);
  // The close code sent by the server, once message() has met the close.
  std::optional<int> code_de_fermeture() const;

 private:
  struct Etat;
  std::unique_ptr<Etat> etat_;
};
