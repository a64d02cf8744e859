// The listening socket and the accept loop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "transport/socket.h"

namespace transport {

struct OptionsEcoute {
  bool traces = true;  // the start-up traces of debug mode
  // Bind even while connections this server closed linger in TIME_WAIT, so
  // that the next run can take the same port at once.
  bool reutilise_adresse = false;
  // The IPv4 address to listen on, in host order; 0 (the default) for all.
  std::uint32_t adresse = 0;
  // Closed in the programs this one executes, unless it hands it over itself.
  bool ferme_a_l_exec = false;
};

// The listening socket on 0.0.0.0:`port` (or options.adresse). Throws Echec naming the failed
// operation, or when the port is outside 0..65535.
Socket ouvre_socket_d_ecoute(std::int64_t port, int backlog, const OptionsEcoute& options = {});

// The port `ecoute` is bound to; -1 when it cannot be told.
int port_d_ecoute(const Socket& ecoute);

// True when `fd` is a stream socket that listens (one handed down by the
// program that started this one): its connections only need accepting.
bool est_en_ecoute(int fd);

// The accept loop: every accepted connection goes to `sert`, which must not
// wait for the peer. Returns once `arret` is set and `ecoute` shut down;
// throws Echec when accept fails for a reason that waiting does not cure.
void accepte_connexions(const Socket& ecoute, const std::atomic<bool>* arret,
                        const std::function<void(Socket)>& sert);

}  // namespace transport
