// What a reader of recordings accepts at most. A recording may come from
// anywhere: a small gzip file can unfold into gigabytes, so every reader stops
// at these limits, with a message that names the one it met.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "world/echec.h"

namespace enregistrement {

// Bytes of one line. The longest a match writes is a full state: 16 MiB
// hold about 200,000 bullets.
inline constexpr std::size_t longueur_ligne_max = std::size_t{16} << 20;
// Nesting of one line's JSON. A match writes 6 levels at most, in its results.
inline constexpr int profondeur_max = 32;
// Ships and bullets held at once, and cubes.
inline constexpr std::size_t taille_etat_max = std::size_t{1} << 20;

// The versions of the recording format this reader knows.
inline constexpr std::array<std::int64_t, 2> versions_lues = {1, 2};

inline bool version_lue(std::int64_t version) {
  return std::find(versions_lues.begin(), versions_lues.end(), version) != versions_lues.end();
}

// A file beyond one of the limits: not a recording to read.
struct LimiteDepassee : world::Echec {
  using world::Echec::Echec;
};

}  // namespace enregistrement
