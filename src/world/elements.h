// The three records of the world. Colours, ids and life points are 64-bit.
#pragma once

#include <cstdint>

#include "config/configuration.h"
#include "trigo/trigo.h"

namespace world {

// A player's ship. `id` is the colour its player registered.
struct vaisseau {
  double x;
  double y;
  double angle;    // radians, never reduced to a range
  double vitesse;  // board units per tick, negative moves backwards
  std::int64_t pt_vie;
  std::int64_t id;

  friend bool operator==(const vaisseau&, const vaisseau&) = default;
};

// A bullet in flight. `id` is the colour of the ship that fired it.
struct balle {
  balle(double depart_x, double depart_y, double cap, std::int64_t tireur)
      : balle(depart_x, depart_y, cap, tireur, sinus_cosinus(cap)) {}

  double x;
  double y;
  double angle;  // never changes: a bullet flies straight
  std::int64_t id;
  // One tick of flight along `angle`. Computed once, with the very expression
  // the flight would use each tick, so positions are the same to the bit.
  double pas_x;
  double pas_y;

  friend bool operator==(const balle&, const balle&) = default;

 private:
  balle(double depart_x, double depart_y, double cap, std::int64_t tireur, SinusCosinus sc)
      : x(depart_x),
        y(depart_y),
        angle(cap),
        id(tireur),
        pas_x(sc.cosinus * config::vitesse_balle),
        pas_y(sc.sinus * config::vitesse_balle) {}
};

// An axis-aligned cube filling one grid cell; never changes once made.
struct cube {
  double x_min;
  double y_min;
  double x_max;
  double y_max;

  friend bool operator==(const cube&, const cube&) = default;
};

}  // namespace world
