#include "ligue/direct.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket.hpp>
#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

#include "tribune/attente.h"
#include "tribune/flux.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using namespace std::chrono_literals;
using Requete = http::request<http::string_body>;

// The match's port may hold the connection while its referee starts.
constexpr auto delai_amont = 30s;
// A browser that takes nothing for this long is dropped.
constexpr auto delai_envoi = 10s;
// A full state of a crowded match fits; the match's port sends less at once.
constexpr std::size_t message_max = 16 << 20;
// What the relay lets wait for it on the match's side: beyond, the match's
// port skips ahead for this reader rather than the browser falling minutes behind.
constexpr int recu_max = 64 << 10;

std::optional<std::int64_t> match_demande(std::string_view cible) {
  const auto q = cible.find("match=");
  if (q == std::string_view::npos) return std::nullopt;
  std::int64_t id = 0;
  const char* debut = cible.data() + q + 6;
  if (std::from_chars(debut, cible.data() + cible.size(), id).ec != std::errc()) return -1;
  return id;
}

void refuse(beast::tcp_stream& flux, asio::io_context& ioc, const Requete& requete,
            http::status statut, const char* texte) {
  http::response<http::string_body> r{statut, requete.version()};
  r.set(http::field::content_type, "text/plain; charset=utf-8");
  r.keep_alive(false);
  r.body() = texte;
  r.prepare_payload();
  flux.expires_after(delai_envoi);
  (void)tribune::attend(ioc, [&](auto fin) { http::async_write(flux, r, std::move(fin)); });
}

// One message at a time from the match to the browser, so that nothing
// piles up here: while the browser is slow the match's port holds back, and
// skips ahead for this reader as it does for its own. A read is kept pending
// on the browser's side for its close.
class Relais {
 public:
  Relais(websocket::stream<beast::tcp_stream&>& aval, websocket::stream<beast::tcp_stream>& amont,
         asio::io_context& ioc)
      : aval_(aval), amont_(amont), ioc_(ioc), minuterie_(ioc) {}

  void execute() {
    lit_aval();
    lit_amont();
    ioc_.restart();
    ioc_.run();
  }

 private:
  void lit_amont() {
    amont_.async_read(recu_, [this](beast::error_code e, std::size_t) {
      if (e || fini_) return ferme();  // the match is over or its port gone
      envoie();
    });
  }

  void envoie() {
    aval_.text(amont_.got_text());
    minuterie_.expires_after(delai_envoi);
    minuterie_.async_wait([this](beast::error_code e) {
      if (!e) coupe();
    });
    aval_.async_write(recu_.data(), [this](beast::error_code e, std::size_t) {
      minuterie_.cancel();
      if (e) return coupe();
      recu_.consume(recu_.size());
      lit_amont();
    });
  }

  void lit_aval() {
    aval_.async_read(jete_, [this](beast::error_code e, std::size_t) {
      if (e) return coupe();
      jete_.clear();  // a browser has nothing to say here
      lit_aval();
    });
  }

  void ferme() {
    if (fini_) return coupe();
    fini_ = true;
    aval_.async_close(websocket::close_code::normal, [this](beast::error_code) { coupe(); });
  }

  // Every pending operation then ends with an error, and run() returns.
  void coupe() {
    fini_ = true;
    minuterie_.cancel();
    aval_.set_option(tribune::sans_limite());
    amont_.set_option(tribune::sans_limite());
    beast::error_code ignoree;
    for (beast::tcp_stream* flux : {&beast::get_lowest_layer(aval_), &amont_.next_layer()}) {
      flux->socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignoree);
      flux->cancel();
    }
  }

  websocket::stream<beast::tcp_stream&>& aval_;
  websocket::stream<beast::tcp_stream>& amont_;
  asio::io_context& ioc_;
  asio::steady_timer minuterie_;
  beast::flat_buffer recu_;
  beast::flat_buffer jete_;
  bool fini_ = false;
};

// The match's own stream, connected and past its handshake, or nothing.
std::optional<websocket::stream<beast::tcp_stream>> ouvre_amont(asio::io_context& ioc, int port) {
  websocket::stream<beast::tcp_stream> amont(ioc);
  amont.next_layer().socket().open(asio::ip::tcp::v4());
  amont.next_layer().socket().set_option(asio::socket_base::receive_buffer_size(recu_max));
  amont.next_layer().expires_after(delai_amont);
  const asio::ip::tcp::endpoint local(asio::ip::address_v4::loopback(),
                                      static_cast<unsigned short>(port));
  if (tribune::attend(ioc,
                      [&](auto fin) { amont.next_layer().async_connect(local, std::move(fin)); }))
    return std::nullopt;
  amont.read_message_max(message_max);
  if (tribune::attend(ioc, [&](auto fin) {
        amont.async_handshake("127.0.0.1:" + std::to_string(port), "/flux", std::move(fin));
      }))
    return std::nullopt;
  amont.next_layer().expires_never();
  amont.set_option(tribune::sans_limite());
  return amont;
}

}  // namespace

void EnDirect::ajoute(MatchEnDirect m) {
  synchro::MutexTenu tenu(mutex_);
  matchs_.push_back(std::move(m));
}

void EnDirect::retire(std::int64_t id) {
  synchro::MutexTenu tenu(mutex_);
  std::erase_if(matchs_, [id](const MatchEnDirect& m) { return m.id == id; });
}

std::optional<MatchEnDirect> EnDirect::actuel() const {
  synchro::MutexTenu tenu(mutex_);
  if (matchs_.empty()) return std::nullopt;
  return matchs_.front();
}

std::optional<MatchEnDirect> EnDirect::trouve(std::int64_t id) const {
  synchro::MutexTenu tenu(mutex_);
  for (const MatchEnDirect& m : matchs_)
    if (m.id == id) return m;
  return std::nullopt;
}

std::string json_direct(const EnDirect& direct) {
  const auto m = direct.actuel();
  if (!m) return nlohmann::json{{"match", nullptr}, {"noms", nlohmann::json::array()}}.dump();
  return nlohmann::json{{"match", m->id}, {"noms", m->noms}}.dump();
}

bool relaie_direct(const EnDirect& direct, tribune::Places& places, beast::tcp_stream& flux,
                   asio::io_context& ioc, const Requete& requete) {
  const std::string_view cible = requete.target();
  if (cible.substr(0, cible.find('?')) != "/direct/flux" || !websocket::is_upgrade(requete))
    return false;
  const auto demande = match_demande(cible);
  const auto match = demande ? direct.trouve(*demande) : direct.actuel();
  if (!match) {
    refuse(flux, ioc, requete, http::status::not_found, "no such match being played live\n");
    return true;
  }
  const auto place = places.prend();
  if (!place) {
    refuse(flux, ioc, requete, http::status::service_unavailable, "too many live viewers now\n");
    return true;
  }
  auto amont = ouvre_amont(ioc, match->port);
  if (!amont) {
    refuse(flux, ioc, requete, http::status::bad_gateway, "the match is not live any more\n");
    return true;
  }
  websocket::stream<beast::tcp_stream&> aval(flux);
  flux.expires_after(delai_envoi);
  if (tribune::attend(ioc, [&](auto fin) { aval.async_accept(requete, std::move(fin)); }))
    return true;
  flux.expires_never();
  tribune::limite_non_envoye(flux);
  aval.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
  aval.read_message_max(4096);
  Relais(aval, *amont, ioc).execute();
  return true;
}
