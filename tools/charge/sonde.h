// The tick probe: a ship moving straight at a known speed, watched through
// "GET VAISSEAUX"; each step of its position is one or more ticks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charge/bots.h"

struct ResultatsSonde {
  std::uint64_t ticks = 0;             // ticks seen across straight steps of the ship
  double secondes = 0;                 // the time those steps took
  std::uint64_t deviations = 0;        // moves that were not straight (blocked or deflected)
  std::vector<double> intervalles_ms;  // time between two ticks seen one tick apart
  std::vector<double> latences_ms;     // the probe's own requests
  std::string erreur;                  // why the probe stopped early, if it did
};

ResultatsSonde sonde(const OptionsCharge& options, std::int64_t couleur, Horloge::time_point fin);
