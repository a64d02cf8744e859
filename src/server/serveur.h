// The listening socket and the accept loop.
#pragma once

#include <cstdint>

#include "protocol/arene.h"

// Listens on 0.0.0.0:`port` with `backlog` and gives every accepted connection
// a thread running `client`. Never returns; throws Echec naming the failed
// operation when the socket cannot be created, bound or listened on, when the
// port is outside 0..65535, or when accept fails for a reason that waiting
// does not cure.
[[noreturn]] void serveur(Arene& arene, std::int64_t port, int backlog);
