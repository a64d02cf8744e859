#include "tribune/serveur_tribune.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>
#include <utility>

#include "transport/ecoute.h"
#include "transport/thread_detache.h"
#include "tribune/http.h"

namespace tribune {

namespace {

// Connections beyond the streams: pages, results, metrics and refused streams.
constexpr std::size_t connexions_hors_flux = 64;
constexpr int file_attente = 128;
// Beast's parser and the JSON of the results want more than a game connection.
constexpr std::size_t pile_connexion = 1024 * 1024;

constexpr std::string_view trop_de_spectateurs =
    "HTTP/1.1 503 Service Unavailable\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Retry-After: 5\r\n"
    "Connection: close\r\n"
    "Content-Length: 24\r\n"
    "\r\n"
    "too many spectators now\n";
constexpr std::string_view trop_de_connexions =
    "HTTP/1.1 429 Too Many Requests\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Retry-After: 5\r\n"
    "Connection: close\r\n"
    "Content-Length: 39\r\n"
    "\r\n"
    "too many connections from your address\n";

// For a crowd beyond its places: the answer goes out without the request
// being read, if the socket takes it at once.
void refuse_sans_lire(const transport::Socket& socket, std::string_view refus) {
  (void)::send(socket.fd(), refus.data(), refus.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  ::shutdown(socket.fd(), SHUT_WR);
}

// A connection's places. The address's goes first: once the last connection
// place is back, the server may be destroyed, its addresses' places with it.
struct Occupation {
  Place connexion;
  PlaceAdresse adresse;
};

// The peer's IPv4 address, as the port listens on IPv4 only; 0 if unknown.
std::uint32_t adresse_du_pair(const transport::Socket& socket) {
  sockaddr_in pair{};
  socklen_t taille = sizeof pair;
  if (::getpeername(socket.fd(), reinterpret_cast<sockaddr*>(&pair), &taille) != 0 ||
      pair.sin_family != AF_INET)
    return 0;
  return pair.sin_addr.s_addr;
}

}  // namespace

ServeurSpectateurs::ServeurSpectateurs(const MatchObserve& match, Diffusion& diffusion,
                                       std::int64_t port, const OptionsSpectateurs& options)
    : ServeurSpectateurs(match, diffusion,
                         transport::ouvre_socket_d_ecoute(
                             port, file_attente, {.traces = false, .reutilise_adresse = true}),
                         options) {}

ServeurSpectateurs::ServeurSpectateurs(const MatchObserve& match, Diffusion& diffusion,
                                       transport::Socket ecoute, const OptionsSpectateurs& options)
    : contexte_(match, diffusion, options),
      connexions_(options.max_flux + connexions_hors_flux),
      par_adresse_(options.max_par_adresse),
      ecoute_(std::move(ecoute)),
      accueil_([this] {
        try {
          transport::accepte_connexions(ecoute_, &arret_,
                                        [this](transport::Socket s) { accueille(std::move(s)); });
        } catch (const std::exception& e) {
          // The match goes on without spectators.
          std::fprintf(stderr, "arene-arbitre : spectateurs : %s\n", e.what());
        }
      }) {}

ServeurSpectateurs::~ServeurSpectateurs() { arrete(std::chrono::seconds(0)); }

void ServeurSpectateurs::accueille(transport::Socket socket) {
  auto place_adresse = par_adresse_.prend(adresse_du_pair(socket));
  if (!place_adresse) {
    contexte_.refuses_adresse.fetch_add(1, std::memory_order_relaxed);
    return refuse_sans_lire(socket, trop_de_connexions);
  }
  auto place = connexions_.prend();
  if (!place) {
    contexte_.refuses.fetch_add(1, std::memory_order_relaxed);
    return refuse_sans_lire(socket, trop_de_spectateurs);
  }
  // If the thread cannot start, the socket and the places go with the lambda.
  (void)transport::lance_thread_detache(
      [this,
       places =
           std::make_shared<Occupation>(Occupation{std::move(*place), std::move(*place_adresse)}),
       socket = std::make_shared<transport::Socket>(std::move(socket))] {
        sert_spectateur(contexte_, std::move(*socket));
      },
      pile_connexion);
}

void ServeurSpectateurs::arrete(std::chrono::milliseconds delai) {
  if (arret_.exchange(true)) return;
  ::shutdown(ecoute_.fd(), SHUT_RDWR);
  accueil_.join();
  contexte_.flux.attend_toutes_libres(delai);
  // Whatever is left (requests kept alive, streams that would not close) is
  // cut; their threads see the end of their stream and finish.
  do {
    contexte_.suivi.ferme_toutes();
  } while (!connexions_.attend_toutes_libres(std::chrono::seconds(1)));
}

}  // namespace tribune
