#include "match/mesures.h"

#include <algorithm>

namespace match {

namespace {

std::uint64_t en_ns(std::chrono::nanoseconds duree) {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(0, duree.count()));
}

}  // namespace

void MesuresTick::note_tick(std::chrono::nanoseconds duree) {
  const double secondes = std::chrono::duration<double>(duree).count();
  const auto rang = std::lower_bound(bornes.begin(), bornes.end(), secondes) - bornes.begin();
  par_duree[static_cast<std::size_t>(rang)].fetch_add(1, std::memory_order_relaxed);
  duree_ns.fetch_add(en_ns(duree), std::memory_order_relaxed);
  ticks.fetch_add(1, std::memory_order_relaxed);
}

void MesuresTick::note_attente(std::chrono::nanoseconds attente) {
  attente_verrou_ns.fetch_add(en_ns(attente), std::memory_order_relaxed);
}

}  // namespace match
