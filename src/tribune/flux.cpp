#include "tribune/flux.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/websocket.hpp>
#include <cstdint>
#include <string>
#include <utility>

#include "tribune/attente.h"

namespace tribune {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using Flux = websocket::stream<beast::tcp_stream&>;

// Spectators have nothing to say; a longer message ends the stream.
constexpr std::size_t taille_max_message_recu = 4096;
// The frames a message is sent in.
constexpr std::size_t taille_morceau = 16 * 1024;
// Bytes a stream's socket may hold unsent.
constexpr int non_envoye_max = 32 * 1024;

// The codes a close frame may carry on the wire: the protocol's own, then
// those of libraries (3000-3999) and applications (4000-4999).
bool code_de_fermeture_valide(std::uint16_t code) {
  if (code >= 1000 && code <= 1014) return code < 1004 || code > 1006;
  return code >= 3000 && code <= 4999;
}

// The stream's event loop, on the connection's own io_context: one read
// always pending (pings, pongs, the close), at most one write, each with
// its time limit, and the writer thread's wake-ups posted in between.
class Session {
 public:
  Session(Flux& ws, asio::io_context& ioc, Diffusion& diffusion, std::chrono::seconds delai_envoi)
      : ws_(ws),
        ioc_(ioc),
        minuterie_(ioc),
        delai_envoi_(delai_envoi),
        abonnement_(diffusion, [this] { asio::post(ioc_, [this] { pompe(); }); }) {}

  // Runs until the stream is over; true when its spectator stopped reading.
  bool execute() {
    ws_.control_callback(
        [this](websocket::frame_type type, std::string_view) { controle_recu(type); });
    lit();
    pompe();
    ioc_.restart();
    ioc_.run();
    ws_.control_callback();
    return abandon_;
  }

 private:
  void lit() {
    ws_.async_read(recu_, [this](beast::error_code e, std::size_t) {
      if (e) {
        if (e == beast::error::timeout) abandon_ = true;
        return coupe();
      }
      recu_.clear();
      lit();
    });
  }

  // Beast refuses most invalid close codes with a protocol error, but echoes
  // those above 4999. Closing first, while the close frame is being read,
  // makes it send our code and skip the echo.
  void controle_recu(websocket::frame_type type) {
    // A close without a code reads as code 0 (none), and is valid.
    const std::uint16_t code = ws_.reason().code;
    if (type != websocket::frame_type::close || fini_ || code == websocket::close_code::none ||
        code_de_fermeture_valide(code))
      return;
    fini_ = true;
    ws_.async_close(websocket::close_code::protocol_error, [](beast::error_code) {});
  }

  void pompe() {
    if (en_envoi_ || fini_) return;
    Envoi envoi = abonnement_.suivant();
    if (envoi.fin) return ferme();
    if (envoi.texte.empty()) return;  // the next lot wakes us
    texte_ = std::move(envoi.texte);
    envoyes_ = 0;
    en_envoi_ = true;
    envoie_morceau();
  }

  // A message goes as frames of a few kilobytes: each one the socket takes is
  // progress and restarts the time limit, so that a slow spectator is never
  // cut for a long message, only one that takes nothing.
  void envoie_morceau() {
    const std::size_t taille = std::min(taille_morceau, texte_.size() - envoyes_);
    const bool dernier = envoyes_ + taille == texte_.size();
    arme_minuterie();
    ws_.async_write_some(
        dernier, asio::buffer(texte_.data() + envoyes_, taille),
        [this, taille, dernier](beast::error_code e, std::size_t) { envoye(e, taille, dernier); });
  }

  void envoye(beast::error_code e, std::size_t taille, bool dernier) {
    minuterie_.cancel();
    if (e) {
      en_envoi_ = false;
      return coupe();
    }
    envoyes_ += taille;
    if (!dernier && !fini_) return envoie_morceau();
    en_envoi_ = false;
    pompe();
  }

  void arme_minuterie() {
    const std::uint64_t numero = ++envois_;
    minuterie_.expires_after(delai_envoi_);
    // A deadline that passed as its frame went may still come: it must not
    // cut the next frame.
    minuterie_.async_wait([this, numero](beast::error_code e) {
      if (e || !en_envoi_ || numero != envois_) return;
      abandon_ = true;
      coupe();
    });
  }

  // After the last line: the closing handshake, which the pending read completes.
  void ferme() {
    fini_ = true;
    ws_.async_close(websocket::close_code::normal, [this](beast::error_code) { coupe(); });
  }

  // Every pending operation then completes with an error, and run() returns.
  // The WebSocket's own timer would otherwise keep it running until its next
  // ping was due. The descriptor stays open until the connection's thread is
  // done with it, so that its number cannot be reused meanwhile.
  void coupe() {
    fini_ = true;
    minuterie_.cancel();
    ws_.set_option(sans_limite());
    beast::tcp_stream& flux = beast::get_lowest_layer(ws_);
    beast::error_code ignoree;
    flux.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignoree);
    flux.cancel();
  }

  Flux& ws_;
  asio::io_context& ioc_;
  asio::steady_timer minuterie_;
  const std::chrono::seconds delai_envoi_;
  beast::flat_buffer recu_;
  std::string texte_;        // being sent
  std::size_t envoyes_ = 0;  // of texte_, taken by the socket
  bool en_envoi_ = false;
  std::uint64_t envois_ = 0;
  bool fini_ = false;
  bool abandon_ = false;
  // Last: it goes first, so that no wake-up is posted to a session being destroyed.
  Abonnement abonnement_;
};

websocket::stream_base::timeout limites(const OptionsSpectateurs& options) {
  websocket::stream_base::timeout t{};
  t.handshake_timeout = options.delai_envoi;
  t.idle_timeout = options.delai_silence;
  t.keep_alive_pings = true;
  return t;
}

}  // namespace

// The socket takes a message only while little of what it holds is unsent.
// Else it fills a send buffer of megabytes, then wakes the writer again only
// once a third of it has gone: a slow spectator would see seconds without
// progress, and minutes of delay.
void limite_non_envoye(beast::tcp_stream& flux) {
  const int octets = non_envoye_max;
  ::setsockopt(flux.socket().native_handle(), IPPROTO_TCP, TCP_NOTSENT_LOWAT, &octets,
               sizeof octets);
}

websocket::stream_base::timeout sans_limite() {
  websocket::stream_base::timeout t{};
  t.handshake_timeout = websocket::stream_base::none();
  t.idle_timeout = websocket::stream_base::none();
  t.keep_alive_pings = false;
  return t;
}

void diffuse(ContexteSpectateurs& contexte, beast::tcp_stream& flux, asio::io_context& ioc,
             const beast::http::request<beast::http::empty_body>& requete) {
  Flux ws(flux);
  flux.expires_never();  // the WebSocket keeps its own time limits
  ws.set_option(limites(contexte.options));
  ws.set_option(websocket::stream_base::decorator(
      [](websocket::response_type& r) { r.set(beast::http::field::server, "arene-arbitre"); }));
  ws.read_message_max(taille_max_message_recu);
  ws.text(true);
  if (attend(ioc, [&](auto fin) { ws.async_accept(requete, std::move(fin)); })) return;
  limite_non_envoye(flux);
  Session session(ws, ioc, contexte.diffusion, contexte.options.delai_envoi);
  if (session.execute()) contexte.abandonnes.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace tribune
