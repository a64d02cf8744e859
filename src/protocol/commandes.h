// The command loop's one step: a request line in, its reply bytes out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/arene.h"
#include "protocol/session.h"

namespace protocol {

enum class Suite {
  Continue,  // serve the next line
  Quitte,    // "PUT ACTION QUITTE": the ship is gone already; send the reply, then end
};

// Carries out one line as read (its CR included), matched byte for byte
// against the fourteen commands; anything else is answered "ERREUR SYNTAXE".
// In debug mode writes the request's trace first, as one message. Appends the
// reply, CR LF included, to `sortie` and sends nothing.
Suite traite_commande(Arene& arene, const Session& session, std::string_view ligne,
                      std::string& sortie) REQUIRES(arene.monde.verrou);

// Is this ship the one the connection plays? True when its id is the colour.
bool est_mon_vaisseau(const world::vaisseau& v, std::int64_t couleur);

}  // namespace protocol
