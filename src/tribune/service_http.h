// A small HTTP service for pages computed on request: the listening socket,
// the accept loop and a thread per connection, each with a place among a
// fixed number, answering GET and HEAD through a handler. For the programs
// around the match server that show pages of their own.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "fichiers/disque.h"
#include "transport/socket.h"

namespace tribune {

struct DemandeHttp {
  std::string cible;            // "/eleve/abc?x", as sent
  std::string accept_language;  // the browser's languages, for the page's
  std::string methode = "GET";  // GET, or POST where the service takes bodies
  std::string corps{};          // a POST's body, within corps_max
  // For a POST's same-site check: where the page that sent it came from.
  std::string hote{};     // Host
  std::string origine{};  // Origin
  std::string site{};     // Sec-Fetch-Site
};

struct PageHttp {
  int statut = 200;
  std::string type = "text/html; charset=utf-8";
  std::string corps;
  std::string emplacement{};   // Location, for a 303 after a POST
  std::string piece_jointe{};  // a download's file name (Content-Disposition)
  bool avec_script = false;    // the page loads scripts of its own origin
  std::string politique{};     // the Content-Security-Policy, when a page needs its own
  // When set, the body is this open file from its start, sent in pieces
  // rather than held in memory (a large download); `corps` is then unused.
  std::shared_ptr<fichiers::Descripteur> fichier{};
};

// Text made safe inside an HTML element or a quoted attribute, for every page
// this project writes (the league's, a tournament's report and listings).
[[nodiscard]] std::string echappe_html(std::string_view texte);

struct OptionsServiceHttp {
  std::int64_t port = 0;              // 0: any free one
  std::string adresse = "127.0.0.1";  // IPv4; 0.0.0.0 for every network
  std::string serveur;                // the Server header and the messages' prefix
  std::size_t corps_max = 0;          // a POST's body at most; 0: GET and HEAD only
};

// The service's listening socket, or why there is none.
struct EcouteHttp {
  enum class Etat { ecoute, adresse_invalide, refusee } etat = Etat::ecoute;
  transport::Socket socket;
  int port = 0;        // the one bound
  std::string hote;    // what a browser on this machine types: 127.0.0.1 for 0.0.0.0
  std::string raison;  // why it was refused
};
EcouteHttp ecoute_http(const OptionsServiceHttp& options);

// Accepts until the program ends, each connection on a thread of its own
// with a place among a fixed number, given to `sert_connexion`; returns 1
// after saying why ("<serveur>: <why>") when accepting fails.
int accepte_http(transport::Socket ecoute, const std::string& serveur,
                 std::function<void(transport::Socket)> sert_connexion);

// A connection a handler takes over once a request is read, a WebSocket's
// upgrade for one: true when it took it (the connection ends when it
// returns), false to answer the request as a page. Thread-safe, never throws.
using PriseConnexion =
    std::function<bool(boost::beast::tcp_stream&, boost::asio::io_context&,
                       const boost::beast::http::request<boost::beast::http::string_body>&)>;

// Serves until the program ends, announcing "serving at http://A:P/" on
// stdout once it listens; returns 1 after saying why when it cannot listen.
// `reponds` runs on the connections' threads at once: it must be thread-safe
// and must not throw. `reprise`, if given, sees each request first.
int sert_http(const OptionsServiceHttp& options,
              std::function<PageHttp(const DemandeHttp&)> reponds, PriseConnexion reprise = {});

}  // namespace tribune
