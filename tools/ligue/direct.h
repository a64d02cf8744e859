// The league's matches watched live: which ones are being played here with
// a live port (the season writes, the pages read), and the relay that
// carries one of them to a browser through the league's own port, so that a
// match's port never leaves this machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "synchro/mutex.h"
#include "tribune/places.h"
#include "tribune/service_http.h"

struct MatchEnDirect {
  std::int64_t id = 0;
  int port = 0;                   // the match's live port on 127.0.0.1
  std::vector<std::string> noms;  // its bots, in their start order
};

class EnDirect {
 public:
  void ajoute(MatchEnDirect m);
  void retire(std::int64_t id);
  // The match shown now: the oldest still playing, so that a screen stays on
  // one match until it ends.
  [[nodiscard]] std::optional<MatchEnDirect> actuel() const;
  [[nodiscard]] std::optional<MatchEnDirect> trouve(std::int64_t id) const;

 private:
  mutable synchro::Mutex mutex_;
  std::vector<MatchEnDirect> matchs_ GUARDED_BY(mutex_);  // in their start order
};

// Relays at most this many browsers at once: each is a connection to the
// match's own port, which takes only a few from one address.
inline constexpr std::size_t relais_max = 8;

// Takes a WebSocket request for /direct/flux (?match=ID, else the match
// shown now) and relays that match's stream to it, one way, until the match
// ends or the browser leaves; one that does not take a message within a few
// seconds is dropped, and the match's port skips ahead for the next. Other
// requests are left to the pages (false).
[[nodiscard]] bool relaie_direct(
    const EnDirect& direct, tribune::Places& places, boost::beast::tcp_stream& flux,
    boost::asio::io_context& ioc,
    const boost::beast::http::request<boost::beast::http::string_body>& requete);

// {"match": ID or null, "noms": [...]}: what the projector page polls.
[[nodiscard]] std::string json_direct(const EnDirect& direct);
