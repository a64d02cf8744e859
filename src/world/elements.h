// The three records of the world. Colours, ids and life points are 64-bit.
#pragma once

#include <cstdint>

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
  double x;
  double y;
  double angle;
  std::int64_t id;

  friend bool operator==(const balle&, const balle&) = default;
};

// An axis-aligned cube filling one grid cell; never changes once made.
struct cube {
  double x_min;
  double y_min;
  double x_max;
  double y_max;

  friend bool operator==(const cube&, const cube&) = default;
};
