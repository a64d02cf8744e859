#include "protocol/client.h"

// Until the protocol exists, a connection is accepted and closed at once.
void client(Monde&, Socket) {}
