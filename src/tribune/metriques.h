// The match server's figures in the Prometheus text exposition format,
// gathered without verrou: the tick loop and the connections keep them in
// atomics, and the spectator port counts its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "match/mesures.h"
#include "protocol/compteurs.h"

namespace tribune {

struct StatistiquesSpectateurs {
  std::size_t flux = 0;               // streams open now
  std::uint64_t refuses = 0;          // requests answered 503: all places taken
  std::uint64_t refuses_adresse = 0;  // connections answered 429: their address had its share
  std::uint64_t abandonnes = 0;       // streams cut: their spectator stopped reading
  std::uint64_t lots_sautes = 0;      // lots not sent to a spectator behind
  std::uint64_t reprises = 0;         // full states sent after skipped lots
};

struct SourcesMetriques {
  const match::MesuresTick& tick;
  const protocol::CompteursProtocole& protocole;
  std::size_t connexions;  // players' connections open now
  StatistiquesSpectateurs spectateurs;
};

std::string texte_metriques(const SourcesMetriques& sources);

}  // namespace tribune
