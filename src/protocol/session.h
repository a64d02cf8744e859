// What a connection knows of its player, owned by the connection's thread.
#pragma once

#include <cstdint>
#include <string>

namespace protocol {

// White, the colour a connection holds before it registers.
inline constexpr std::int64_t couleur_avant_inscription = 16777215;

struct Session {
  // The registered colour: the id of the player's ship, the key under which
  // every command finds it.
  std::int64_t couleur = couleur_avant_inscription;
  // "Le client " + colour name + " ", the prefix of this connection's traces.
  std::string etiquette_client;
};

}  // namespace protocol
