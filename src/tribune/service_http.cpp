#include "tribune/service_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstdio>
#include <limits>
#include <memory>

#include "transport/ecoute.h"
#include "transport/thread_detache.h"
#include "tribune/attente.h"
#include "tribune/places.h"
#include "world/echec.h"

namespace tribune {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using namespace std::chrono_literals;
using Reponds = std::function<PageHttp(const DemandeHttp&)>;

constexpr std::size_t connexions_max = 64;
constexpr std::uint32_t taille_max_entete = 8 * 1024;
constexpr auto delai_requete = 10s;
constexpr auto delai_envoi = 30s;
constexpr auto delai_fichier = 600s;  // a large download over a slow network
constexpr auto delai_corps = 60s;     // an upload over a slow network
constexpr std::size_t pile_connexion = 1024 * 1024;

using Requete = http::request<http::string_body>;

DemandeHttp demande(const Requete& requete) {
  return {
      std::string(requete.target()),           std::string(requete[http::field::accept_language]),
      std::string(requete.method_string()),    requete.body(),
      std::string(requete[http::field::host]), std::string(requete[http::field::origin]),
      std::string(requete["Sec-Fetch-Site"])};
}

std::string politique(const PageHttp& r) {
  if (!r.politique.empty()) return r.politique;
  if (r.avec_script)
    return "default-src 'none'; style-src 'unsafe-inline'; script-src 'self'; connect-src 'self'";
  return "default-src 'none'; style-src 'unsafe-inline'";
}

// The answer's header and text body, and the open file that is its body
// instead when the page gave one.
struct Reponse {
  http::response<http::string_body> message;
  std::shared_ptr<fichiers::Descripteur> fichier;
};

Reponse reponse(const Requete& requete, const Reponds& reponds, const std::string& serveur,
                std::size_t corps_max) {
  PageHttp r;
  const bool lecture = requete.method() == http::verb::get || requete.method() == http::verb::head;
  const bool accepte = lecture || (corps_max > 0 && requete.method() == http::verb::post);
  if (accepte)
    r = reponds(demande(requete));
  else
    r = {405, "text/plain; charset=utf-8", "method not allowed\n"};
  http::response<http::string_body> m{static_cast<http::status>(r.statut), requete.version()};
  m.set(http::field::server, serveur);
  m.set(http::field::content_type, r.type);
  m.set(http::field::cache_control, "no-store");
  m.set("X-Content-Type-Options", "nosniff");
  // Nothing injected into a page could run: scripts, where a page has them,
  // come from this origin or from this program's own text, never from data.
  m.set("Content-Security-Policy", politique(r));
  m.set("Referrer-Policy", "no-referrer");  // the links carry tokens
  if (!r.emplacement.empty()) m.set(http::field::location, r.emplacement);
  if (!r.piece_jointe.empty())
    m.set(http::field::content_disposition, "attachment; filename=\"" + r.piece_jointe + "\"");
  if (!accepte) m.set(http::field::allow, corps_max > 0 ? "GET, HEAD, POST" : "GET, HEAD");
  m.keep_alive(accepte && requete.keep_alive());
  m.body() = std::move(r.corps);
  m.prepare_payload();
  return {std::move(m), std::move(r.fichier)};
}

template <class Corps>
bool envoie(asio::io_context& ioc, beast::tcp_stream& flux, http::response<Corps>& m,
            bool entete_seul, std::chrono::seconds delai = delai_envoi) {
  flux.expires_after(delai);
  if (entete_seul) {
    http::response_serializer<Corps> s(m);
    return !attend(ioc, [&](auto fin) { http::async_write_header(flux, s, std::move(fin)); }) &&
           m.keep_alive();
  }
  return !attend(ioc, [&](auto fin) { http::async_write(flux, m, std::move(fin)); }) &&
         m.keep_alive();
}

// A body that is a file goes from its own descriptor, read in pieces as the
// connection takes them; false when it cannot be read.
bool envoie_fichier(asio::io_context& ioc, beast::tcp_stream& flux, Reponse& r, bool entete_seul) {
  beast::file f;
  f.native_handle(::dup(r.fichier->fd()));
  beast::error_code erreur;
  f.seek(0, erreur);
  http::response<http::file_body> m{std::move(r.message.base())};
  if (!erreur) m.body().reset(std::move(f), erreur);
  if (erreur) return false;
  m.prepare_payload();
  return envoie(ioc, flux, m, entete_seul, delai_fichier);
}

// A body beyond the cap is answered before it is read, and the connection closes.
bool trop_gros(const http::request_parser<http::string_body>& analyseur, std::size_t corps_max) {
  const auto taille = analyseur.content_length();
  return corps_max > 0 && analyseur.get().method() == http::verb::post && taille &&
         *taille > corps_max;
}

// One request and its answer; false once the connection is to close.
bool echange(asio::io_context& ioc, beast::tcp_stream& flux, beast::flat_buffer& tampon,
             const Reponds& reponds, const PriseConnexion& reprise, const std::string& serveur,
             std::size_t corps_max) {
  http::request_parser<http::string_body> analyseur;
  analyseur.header_limit(taille_max_entete);
  // Checked once the header is in, so that a body too large gets its answer.
  analyseur.body_limit(std::numeric_limits<std::uint64_t>::max());
  flux.expires_after(delai_requete);
  if (attend(ioc,
             [&](auto fin) { http::async_read_header(flux, tampon, analyseur, std::move(fin)); }))
    return false;
  if (trop_gros(analyseur, corps_max)) {
    http::response<http::string_body> m{http::status::payload_too_large, analyseur.get().version()};
    m.set(http::field::content_type, "text/plain; charset=utf-8");
    m.body() = "too large\n";
    m.keep_alive(false);
    m.prepare_payload();
    flux.expires_after(delai_envoi);
    (void)attend(ioc, [&](auto fin) { http::async_write(flux, m, std::move(fin)); });
    return false;
  }
  analyseur.body_limit(corps_max);
  flux.expires_after(delai_corps);
  if (!analyseur.is_done() &&
      attend(ioc, [&](auto fin) { http::async_read(flux, tampon, analyseur, std::move(fin)); }))
    return false;
  const auto requete = analyseur.release();
  flux.expires_never();
  if (reprise && reprise(flux, ioc, requete)) return false;
  auto r = reponse(requete, reponds, serveur, corps_max);
  const bool entete_seul = requete.method() == http::verb::head;
  if (r.fichier) return envoie_fichier(ioc, flux, r, entete_seul);
  return envoie(ioc, flux, r.message, entete_seul);
}

void sert_connexion(transport::Socket socket, const Reponds& reponds, const PriseConnexion& reprise,
                    const std::string& serveur, std::size_t corps_max) {
  try {
    asio::io_context ioc;
    beast::tcp_stream flux(asio::ip::tcp::socket(ioc, asio::ip::tcp::v4(), socket.fd()));
    socket.relache();
    beast::flat_buffer tampon;
    while (echange(ioc, flux, tampon, reponds, reprise, serveur, corps_max)) {
    }
    beast::error_code ignoree;
    flux.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignoree);
  } catch (...) {
    // One connection's trouble ends that connection only.
  }
}

struct Occupation {
  std::shared_ptr<Places> places;
  Place place;
};

}  // namespace

std::string echappe_html(std::string_view texte) {
  std::string sortie;
  for (const char c : texte) {
    switch (c) {
      case '&':
        sortie += "&amp;";
        break;
      case '<':
        sortie += "&lt;";
        break;
      case '>':
        sortie += "&gt;";
        break;
      case '"':
        sortie += "&quot;";
        break;
      case '\'':
        sortie += "&#39;";
        break;
      default:
        sortie += c;
    }
  }
  return sortie;
}

EcouteHttp ecoute_http(const OptionsServiceHttp& o) {
  EcouteHttp e;
  in_addr adresse{};
  if (::inet_pton(AF_INET, o.adresse.c_str(), &adresse) != 1) {
    e.etat = EcouteHttp::Etat::adresse_invalide;
    return e;
  }
  try {
    e.socket = transport::ouvre_socket_d_ecoute(
        o.port, 64, {.traces = false, .reutilise_adresse = true, .adresse = ntohl(adresse.s_addr)});
  } catch (const world::Echec& echec) {
    e.etat = EcouteHttp::Etat::refusee;
    e.raison = echec.what();
    return e;
  }
  e.port = transport::port_d_ecoute(e.socket);
  e.hote = o.adresse == "0.0.0.0" ? "127.0.0.1" : o.adresse;
  return e;
}

int accepte_http(transport::Socket ecoute, const std::string& serveur,
                 std::function<void(transport::Socket)> sert_connexion) {
  // Shared with the connections' threads, which may outlive this function.
  auto places = std::make_shared<Places>(connexions_max);
  auto sert = std::make_shared<std::function<void(transport::Socket)>>(std::move(sert_connexion));
  try {
    transport::accepte_connexions(ecoute, nullptr, [&](transport::Socket socket) {
      auto place = places->prend();
      if (!place) return;  // the socket closes: a browser tries again
      (void)transport::lance_thread_detache(
          [sert, occupe = std::make_shared<Occupation>(Occupation{places, std::move(*place)}),
           socket = std::make_shared<transport::Socket>(std::move(socket))] {
            (*sert)(std::move(*socket));
          },
          pile_connexion);
    });
  } catch (const world::Echec& e) {
    std::fprintf(stderr, "%s: %s\n", serveur.c_str(), e.what());
  }
  return 1;
}

int sert_http(const OptionsServiceHttp& o, std::function<PageHttp(const DemandeHttp&)> reponds,
              PriseConnexion reprise) {
  EcouteHttp e = ecoute_http(o);
  if (e.etat == EcouteHttp::Etat::adresse_invalide) {
    std::fprintf(stderr, "%s: %s: expected an IPv4 address\n", o.serveur.c_str(),
                 o.adresse.c_str());
    return 1;
  }
  if (e.etat == EcouteHttp::Etat::refusee) {
    std::fprintf(stderr, "%s: cannot listen on %s port %lld (%s)\n", o.serveur.c_str(),
                 o.adresse.c_str(), static_cast<long long>(o.port), e.raison.c_str());
    return 1;
  }
  std::printf("serving at http://%s:%d/\n", e.hote.c_str(), e.port);
  std::fflush(stdout);
  struct Partage {
    Reponds reponds;
    PriseConnexion reprise;
    std::string serveur;
  };
  auto partage =
      std::make_shared<Partage>(Partage{std::move(reponds), std::move(reprise), o.serveur});
  return accepte_http(std::move(e.socket), o.serveur,
                      [partage, corps_max = o.corps_max](transport::Socket socket) {
                        sert_connexion(std::move(socket), partage->reponds, partage->reprise,
                                       partage->serveur, corps_max);
                      });
}

}  // namespace tribune
