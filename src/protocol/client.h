// The thread of one connection: registration of the player's ship, then the
// command loop, until the player quits or the connection ends.
#pragma once

#include "protocol/arene.h"
#include "transport/connexion.h"
#include "transport/socket.h"

namespace protocol {

// Never throws; the socket is closed and the player's ship removed when it returns.
void client(Arene& arene, transport::Socket socket,
            const transport::OptionsConnexion& options = {});

}  // namespace protocol
