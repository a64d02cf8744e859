// Counters of the players' traffic, for a match server's metrics. The plain
// server has none: every place that counts first tests for their absence.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transport/connexion.h"

namespace protocol {

// The kinds of request lines counted: the fourteen commands, the registration
// line, and any line that is neither.
inline constexpr std::size_t nb_sortes_requetes = 16;
inline constexpr std::size_t requete_inscription = 14;
inline constexpr std::size_t requete_inconnue = 15;

// The name of a kind as metrics label it: the command's text without its CR,
// "PUT COULEUR VAISSEAU", or "inconnue".
std::string_view nom_requete(std::size_t sorte);

// Written by connection threads, read by anyone: relaxed atomics, as each
// counter only ever goes up and none has to agree with another.
struct CompteursProtocole : transport::CompteursOctets {
  std::array<std::atomic<std::uint64_t>, nb_sortes_requetes> requetes{};

  void compte_requete(std::size_t sorte) {
    requetes[sorte].fetch_add(1, std::memory_order_relaxed);
  }
};

}  // namespace protocol
