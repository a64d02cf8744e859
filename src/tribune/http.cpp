#include "tribune/http.h"

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tribune/attente.h"
#include "tribune/flux.h"
#include "tribune/page.h"

namespace tribune {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using Requete = http::request<http::empty_body>;
using Reponse = http::response<http::string_body>;

// No route needs more: a longer header is refused before it fills memory.
constexpr std::uint32_t taille_max_entete = 8 * 1024;
// Before closing, what the peer still sends is read and dropped for this
// long, up to this many bytes.
constexpr auto delai_vidange = std::chrono::seconds(1);
constexpr std::size_t vidange_max = 1 << 20;

enum class Route { Page, Flux, Resultats, Metriques };

struct Chemin {
  std::string_view chemin;
  Route route;
};

constexpr Chemin chemins[] = {
    {"/", Route::Page},
    {"/flux", Route::Flux},
    {"/resultats", Route::Resultats},
    {"/metrics", Route::Metriques},
};

// The query is the page's business (`/?enregistrement=URL` opens a replay).
std::optional<Route> route_de(std::string_view cible) {
  cible = cible.substr(0, cible.find('?'));
  for (const Chemin& c : chemins)
    if (c.chemin == cible) return c.route;
  return std::nullopt;
}

Reponse reponse(http::status statut, std::string_view type, std::string corps, unsigned version) {
  Reponse r{statut, version};
  r.set(http::field::server, "arene-arbitre");
  r.set(http::field::content_type, type);
  r.set(http::field::cache_control, "no-store");
  r.body() = std::move(corps);
  r.prepare_payload();
  return r;
}

// Errors close the connection: a client that erred once gets a clean slate.
Reponse erreur(http::status statut, std::string message, unsigned version = 11) {
  Reponse r = reponse(statut, "text/plain; charset=utf-8", std::move(message) + "\n", version);
  r.keep_alive(false);
  return r;
}

Reponse contenu(const Requete& requete, std::string_view type, std::string corps) {
  Reponse r = reponse(http::status::ok, type, std::move(corps), requete.version());
  r.keep_alive(requete.keep_alive());
  return r;
}

// `corps`: the request announced a body, which no route takes.
Reponse reponse_pour(ContexteSpectateurs& contexte, const Requete& requete, bool corps) {
  const auto route = route_de(requete.target());
  if (!route)
    return erreur(http::status::not_found, "no such page: try /, /flux, /resultats or /metrics",
                  requete.version());
  if (requete.method() != http::verb::get) {
    Reponse r =
        erreur(http::status::method_not_allowed, "only GET is served here", requete.version());
    r.set(http::field::allow, "GET");
    return r;
  }
  if (corps) return erreur(http::status::bad_request, "a GET takes no body", requete.version());
  switch (*route) {
    case Route::Page:
      return contenu(requete, "text/html; charset=utf-8", std::string(page_accueil()));
    case Route::Resultats:
      return contenu(requete, "application/json", texte_resultats(contexte));
    case Route::Metriques:
      return contenu(requete, "text/plain; version=0.0.4; charset=utf-8", metriques(contexte));
    case Route::Flux:
      break;
  }
  return erreur(http::status::bad_request,
                "/flux is a WebSocket: ask for it with Upgrade: websocket", requete.version());
}

// True when the response went; Beast reports the end of the stream after
// one that closes the connection.
bool envoie(ContexteSpectateurs& contexte, asio::io_context& ioc, beast::tcp_stream& flux,
            Reponse& r) {
  flux.expires_after(contexte.options.delai_envoi);
  const auto e = attend(ioc, [&](auto fin) { http::async_write(flux, r, std::move(fin)); });
  return !e || e == http::error::end_of_stream;
}

// Half-closes, then reads what the peer still sends for a moment and drops
// it: closing with a body left unread would reset the connection, and the
// peer could lose the answer it was just sent.
void termine(asio::io_context& ioc, beast::tcp_stream& flux) {
  beast::error_code ignoree;
  flux.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignoree);
  flux.expires_after(delai_vidange);
  std::array<char, 4096> jetes;
  std::size_t lus = 0;
  for (std::size_t total = 0; total < vidange_max; total += lus) {
    const auto erreur = attend(ioc, [&](auto fin) {
      flux.async_read_some(asio::buffer(jetes), [&lus, fin](beast::error_code e, std::size_t n) {
        lus = n;
        fin(e);
      });
    });
    if (erreur) return;
  }
}

// A parser's complaint about the request itself, as opposed to a peer that
// left or fell silent, which gets no answer.
bool requete_malformee(const beast::error_code& e) {
  return e.category() == http::make_error_code(http::error::bad_target).category() &&
         e != http::error::end_of_stream && e != http::error::partial_message;
}

// What Beast would refuse too, refused here before a place is taken and with
// the same plain answer as the other errors.
bool poignee_de_main_valide(const Requete& requete) {
  return requete.count(http::field::sec_websocket_key) == 1 &&
         requete[http::field::sec_websocket_version] == "13";
}

void ouvre_flux(ContexteSpectateurs& contexte, asio::io_context& ioc, beast::tcp_stream& flux,
                const Requete& requete) {
  if (!poignee_de_main_valide(requete)) {
    Reponse r =
        erreur(http::status::bad_request,
               "a WebSocket handshake needs Sec-WebSocket-Key and Sec-WebSocket-Version: 13",
               requete.version());
    envoie(contexte, ioc, flux, r);
    return;
  }
  const auto place = contexte.flux.prend();
  if (!place) {
    contexte.refuses.fetch_add(1, std::memory_order_relaxed);
    Reponse r = erreur(http::status::service_unavailable,
                       "every spectator place is taken: try again later", requete.version());
    r.set(http::field::retry_after, "5");
    envoie(contexte, ioc, flux, r);
    return;
  }
  diffuse(contexte, flux, ioc, requete);
}

void sert(ContexteSpectateurs& contexte, transport::Socket socket) {
  asio::io_context ioc;
  beast::tcp_stream flux(asio::ip::tcp::socket(ioc, asio::ip::tcp::v4(), socket.fd()));
  socket.relache();  // only once the stream owns it, in case that failed
  // Leaves the set before the stream closes its descriptor.
  const transport::ConnexionSuivie suivie(contexte.suivi, flux.socket().native_handle());
  beast::flat_buffer tampon;
  for (;;) {
    http::request_parser<http::empty_body> analyseur;
    analyseur.header_limit(taille_max_entete);
    // A body is never read, so its announced size is no reason to refuse.
    analyseur.body_limit(std::numeric_limits<std::uint64_t>::max());
    flux.expires_after(contexte.options.delai_requete);
    // The header only: a body is never read, whatever the method.
    const auto lu = attend(
        ioc, [&](auto fin) { http::async_read_header(flux, tampon, analyseur, std::move(fin)); });
    if (lu) {
      if (requete_malformee(lu)) {
        Reponse r = erreur(http::status::bad_request, "malformed request");
        if (envoie(contexte, ioc, flux, r)) termine(ioc, flux);
      }
      return;
    }
    const bool corps = !analyseur.is_done();
    const Requete requete = analyseur.release();
    if (!corps && route_de(requete.target()) == Route::Flux &&
        beast::websocket::is_upgrade(requete))
      return ouvre_flux(contexte, ioc, flux, requete);
    Reponse r = reponse_pour(contexte, requete, corps);
    if (requete.method() == http::verb::head) {
      r.body().clear();
      r.prepare_payload();
    }
    if (!envoie(contexte, ioc, flux, r)) return;
    if (!r.keep_alive()) return termine(ioc, flux);
  }
}

}  // namespace

void sert_spectateur(ContexteSpectateurs& contexte, transport::Socket socket) {
  try {
    sert(contexte, std::move(socket));
  } catch (...) {
    // Nothing a spectator does may end more than its own connection.
  }
}

}  // namespace tribune
