// What both servers, arene and arene-arbitre, do to start: the process made
// ready for thousands of players, the world drawn from its seed, the
// players' port, and the one way out when any of that fails.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "transport/socket.h"
#include "world/monde.h"

namespace server {

// Writes "<programme> : <message>" on standard error, after what standard
// output holds, and ends the process with status 2. No orderly stop: other
// threads may still use the world, so static destructors are skipped.
[[noreturn]] void termine_en_echec(std::string_view programme, std::string_view message);

// A peer that has gone makes a send fail, never kills the process (SIGPIPE
// is ignored); the soft limit of descriptors goes up to the hard one, as
// thousands of players need thousands of descriptors.
void prepare_le_processus();

// The soft limit of descriptors raised to the hard one, when it is lower.
void leve_limite_descripteurs();

// The world of `graine` with its cube field drawn, after the debug trace
// "creation des cubes".
std::unique_ptr<world::Monde> cree_le_monde(std::uint64_t graine);

// The players' listening socket on 0.0.0.0:`port`, with the debug traces of
// its steps; ends the process as termine_en_echec when it cannot be had.
transport::Socket ecoute_les_joueurs(std::string_view programme, std::int64_t port);

}  // namespace server
