// What a match server wants to know of the world as it changes: every change
// that a list reply could show, and the hits. The plain server has none; the
// world then pays one null test per event. Every call is made with verrou held,
// in the order the changes happen, and must neither throw nor take the lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "world/elements.h"

struct Monde;

// How a player's ship left play, other than by bullets.
enum class Depart {
  Quitte,       // "PUT ACTION QUITTE"
  Deconnexion,  // the connection ended otherwise
};

class Observateur {
 public:
  virtual ~Observateur() = default;
  // May a ship of this colour enter now? Asked before one is drawn; a refusal
  // reads as a colour in use. Every colour may, unless the match restricts them.
  virtual bool couleur_admise(std::int64_t /*couleur*/) { return true; }
  // A ship was placed at the head of the ship list.
  virtual void vaisseau_cree(const vaisseau& v) = 0;
  // A steering action turned this ship, the first of its colour.
  virtual void vaisseau_tourne(const vaisseau& v) = 0;
  // A player leaves: its first ship of that colour, if any, goes next.
  virtual void joueur_parti(std::int64_t couleur, Depart depart) = 0;
  // A bullet was placed at the head of the bullet list.
  virtual void balle_tiree(const balle& b) = 0;
  // During the bullet pass: the bullet at position `rang` of the list as it
  // was before the pass leaves. Ranks come in increasing order.
  virtual void balle_retiree(std::size_t rang) = 0;
  // During the bullet pass: a bullet of `tireur` hit `cible`, life points taken.
  virtual void touche(std::int64_t tireur, const vaisseau& cible) = 0;
  // The update is over: both passes ran.
  virtual void fin_de_tick(const Monde& monde) = 0;
};
