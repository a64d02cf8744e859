// The spectator port: an HTTP server beside the game, with the viewer page,
// the live stream, the results and the metrics. A thread per connection, as
// on the game port; nothing a spectator does reaches the game or waits for it
// longer than a copy.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "transport/socket.h"
#include "tribune/contexte.h"

namespace tribune {

class ServeurSpectateurs {
 public:
  // Listens on 0.0.0.0:`port` and starts accepting. Throws Echec naming the
  // failed operation when the port cannot be opened.
  ServeurSpectateurs(const MatchObserve& match, Diffusion& diffusion, std::int64_t port,
                     const OptionsSpectateurs& options = {});
  // Accepts on `ecoute`, a socket already listening: one a caller opened
  // where the watchers can reach it.
  ServeurSpectateurs(const MatchObserve& match, Diffusion& diffusion, transport::Socket ecoute,
                     const OptionsSpectateurs& options = {});
  ~ServeurSpectateurs();
  ServeurSpectateurs(const ServeurSpectateurs&) = delete;
  ServeurSpectateurs& operator=(const ServeurSpectateurs&) = delete;

  // Closes the port, gives the streams `delai` to send the end of the match
  // and close, then cuts every connection left and waits for their threads.
  void arrete(std::chrono::milliseconds delai);

 private:
  void accueille(transport::Socket socket);

  ContexteSpectateurs contexte_;
  // Streams, and beside them the short requests and the refusals; a crowd
  // beyond this is turned away without its request being read.
  Places connexions_;
  // And a share of them for each address, so that one peer cannot take them all.
  PlacesParAdresse par_adresse_;
  transport::Socket ecoute_;
  std::atomic<bool> arret_{false};
  std::thread accueil_;
};

}  // namespace tribune
