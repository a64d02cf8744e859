// One connection to the spectator port: HTTP requests until the peer closes
// or stays silent, or one WebSocket stream of the match.
#pragma once

#include "transport/socket.h"
#include "tribune/contexte.h"

namespace tribune {

// The body of the connection's thread. Never throws; the socket is closed
// when it returns.
void sert_spectateur(ContexteSpectateurs& contexte, transport::Socket socket);

}  // namespace tribune
