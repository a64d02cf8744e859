// Percentiles of latencies and intervals.
#pragma once

#include <cstdint>
#include <vector>

struct Percentiles {
  double p50 = 0, p99 = 0, p999 = 0, max = 0;
};

// Sorts `echantillons` in place.
Percentiles percentiles(std::vector<double>& echantillons);
