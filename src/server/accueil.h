// The players' side of a server's accept loop: a thread for each connection.
#pragma once

#include <atomic>

#include "protocol/arene.h"
#include "transport/socket.h"

namespace server {

// Gives every connection accepted on `ecoute` a thread of its own running
// `client`. Returns once `arret` is set and `ecoute` shut down; throws Echec
// when accept fails for a reason that waiting does not cure.
void accepte_clients(protocol::Arene& arene, const transport::Socket& ecoute,
                     const std::atomic<bool>* arret);

}  // namespace server
