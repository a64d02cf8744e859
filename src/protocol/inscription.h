// Registration: the first dialogue of a connection, which puts the player's
// ship in the world under a colour number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/compteurs.h"
#include "protocol/session.h"
#include "protocol/vaisseau_en_jeu.h"
#include "transport/connexion.h"
#include "world/monde.h"

namespace protocol {

// What a registration line starts with; the colour's text follows.
inline constexpr std::string_view prefixe_couleur = "PUT COULEUR VAISSEAU ";

// The colour of a registration line, or nothing when the line is anything
// but "PUT COULEUR VAISSEAU " + the canonical decimal text of a 64-bit integer
// (no "+", no leading zero, no "-0", no blank) + one CR.
std::optional<std::int64_t> analyse_couleur(std::string_view ligne);

// The seven named colours ("noir", "rouge", "vert", "bleu", "jaune", "cyan",
// "magenta"), any other as its decimal text.
std::string nom_couleur(std::int64_t couleur);

// "Le client " + colour name + " ", the prefix of the connection's traces.
std::string etiquette(std::int64_t couleur);

struct Inscription {
  std::string etiquette_client;
  VaisseauEnJeu vaisseau;  // removes the ship when the connection ends
};

// Reads lines and answers them until a ship of a free colour is placed, then
// sends "VAISSEAU ENREGISTRE"; `couleur` holds the colour of the last valid
// line. Nothing when the connection ends or fails first: no ship remains then.
// Takes verrou only to place the ship. Counts each line in `compteurs`, if any.
std::optional<Inscription> init_client(world::Monde& monde, transport::Connexion& connexion,
                                       CompteursProtocole* compteurs, std::int64_t& couleur);

// Runs init_client and fills the session; nothing on failure, silently.
std::optional<VaisseauEnJeu> inscrit_client(world::Monde& monde, transport::Connexion& connexion,
                                            CompteursProtocole* compteurs, Session& session);

}  // namespace protocol
