// How long a match lasts: seconds of the clock or ticks of the world.
#pragma once

#include <optional>
#include <string>

namespace match {

struct DureePartie {
  enum class Unite { Secondes, Ticks };
  double valeur = 0.0;
  Unite unite = Unite::Secondes;
};

// "90" or "90s": seconds; "3600t": ticks. Nothing for anything else.
std::optional<DureePartie> lit_duree(const std::string& texte);

}  // namespace match
