// The thread of one connection: registration of the player's ship, then the
// command loop, until the player quits or the connection ends.
#pragma once

#include "protocol/connexion.h"
#include "protocol/socket.h"
#include "world/monde.h"

// Never throws; the socket is closed and the player's ship removed when it returns.
void client(Monde& monde, Socket socket, const OptionsConnexion& options = {});
