// The tick probe: a ship moving straight at a known speed, watched through
// "GET VAISSEAUX"; each step of its position is one or more ticks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "charge/bots.h"

struct ResultatsSonde {
  std::uint64_t ticks = 0;             // ticks seen across straight steps of the ship
  double secondes = 0;                 // the time those steps took
  std::uint64_t deviations = 0;        // moves that were not straight (blocked or deflected)
  std::uint64_t deplacements = 0;      // moves seen, straight or not: the world is ticking
  std::vector<double> intervalles_ms;  // time between two ticks seen one tick apart
  std::vector<double> latences_ms;     // the probe's own requests
  std::string erreur;                  // why the probe stopped early, if it did
  std::optional<commun::Panne> panne;  // and what kind of failure that was
};

// Registers from `couleur` upwards (the next colour while one is in use),
// watches the ship until `fin`, then quits. A reply outside the protocol
// stops it as a failure of its own kind.
ResultatsSonde sonde(const OptionsCharge& options, std::int64_t couleur, Horloge::time_point fin);
