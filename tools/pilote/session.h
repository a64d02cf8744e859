// The game as the pilot's connection plays it: registering a ship, reading the
// fixed parts of the world once, polling the lists with the player's actions,
// and leaving. Every call blocks; ErreurConnexion reports a lost connection.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "commun/connexion.h"
#include "commun/reponses.h"
#include "pilote/etat.h"

// The server answered something its protocol does not allow.
struct ErreurProtocole : commun::ErreurConnexion {
  using commun::ErreurConnexion::ErreurConnexion;
};

// The colour the player asked for is in play.
struct CouleurPrise : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What does not change during a game.
struct Decor {
  double largeur = 0.0;
  double hauteur = 0.0;
  double rayon_vaisseau = 0.0;
  double rayon_balle = 0.0;
  std::int64_t pt_vie_max = 0;
  std::vector<commun::CubeVu> cubes;
};

// Bright colours that read well on a black terminal, tried first when the
// player names none.
const std::vector<std::int64_t>& couleurs_preferees();

// Registers a ship. With `voulue`, that colour only (CouleurPrise when it is
// in play); otherwise each of `candidates` in order, then random colours.
// Returns the colour registered.
std::int64_t inscrit(commun::ConnexionArene& connexion, std::optional<std::int64_t> voulue,
                     const std::vector<std::int64_t>& candidates);

Decor lit_decor(commun::ConnexionArene& connexion);

// Sends the actions, "GET VAISSEAUX" and "GET BALLES" in one write, then reads
// the replies in order.
Releve releve(commun::ConnexionArene& connexion, const std::vector<Action>& actions);

// "PUT ACTION QUITTE", then waits for the server to close the connection: by
// then it has removed the ship, so its colour is free again.
void quitte(commun::ConnexionArene& connexion);
