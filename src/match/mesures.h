// What the tick loop measures for a match server's metrics. Written by the
// tick thread only, read by anyone: relaxed atomics, each figure on its own.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace match {

struct MesuresTick {
  // Upper bounds of the tick duration histogram, in seconds: a quiet tick
  // takes some microseconds, one with 1,000 ships a few milliseconds, and the
  // period is 25 ms.
  static constexpr std::array<double, 11> bornes = {0.00005, 0.0001, 0.00025, 0.0005, 0.001, 0.0025,
                                                    0.005,   0.01,   0.025,   0.05,   0.1};

  std::atomic<std::uint64_t> ticks{0};
  // Ticks by duration: index i counts those above bornes[i - 1] and up to
  // bornes[i]; the last counts the ones above every bound.
  std::array<std::atomic<std::uint64_t>, bornes.size() + 1> par_duree{};
  std::atomic<std::uint64_t> duree_ns{0};           // all ticks together
  std::atomic<std::uint64_t> attente_verrou_ns{0};  // the tick thread waiting for verrou
  // The world as the last hold of verrou by the tick thread left it.
  std::atomic<std::uint64_t> vaisseaux{0};
  std::atomic<std::uint64_t> balles{0};
  std::atomic<std::int64_t> ticks_perdus{0};  // whose changes the writer could not take
  // Written by the recording's sink: ticks it took but could not write.
  std::atomic<std::int64_t> ticks_non_ecrits{0};

  void note_tick(std::chrono::nanoseconds duree);
  void note_attente(std::chrono::nanoseconds attente);
};

}  // namespace match
