// The game's random draws, from the world's one generator.
#pragma once

#include <cstdint>
#include <random>

namespace world {

using Alea = std::mt19937_64;

// Uniform integer in [0, borne), borne > 0.
inline int tirage_entier(Alea& alea, int borne) {
  return std::uniform_int_distribution<int>(0, borne - 1)(alea);
}

// Uniform float u in [0, 1): the top 53 bits of one draw, so 1.0 is never reached.
inline double tirage_unitaire(Alea& alea) { return static_cast<double>(alea() >> 11) * 0x1.0p-53; }

}  // namespace world
