// The results of a match as the tick thread last published them, for readers
// that must never take verrou (the spectator port). The tick computes a copy
// only when a reader has asked for one since the last.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "resultats/resultats.h"
#include "synchro/mutex.h"

namespace match {

class ResultatsPublies {
 public:
  // Readers: a copy published after the call, so that it shows every change
  // made before; waited for at most `delai` (the tick may be held up), then
  // the latest one. The final results at once once published.
  std::shared_ptr<const resultats::Resultats> lit(
      std::chrono::milliseconds delai = std::chrono::milliseconds(100));

  // The tick thread, with verrou held: whether a reader asked for a copy.
  bool demandee() const { return demandee_.load(std::memory_order_relaxed); }
  // Publishes a copy; readers then get this one once woken. Once `finale`,
  // readers no longer wait and later copies are ignored.
  void publie(resultats::Resultats resultats, bool finale = false);
  // The tick thread, once verrou is released: wakes the readers waiting for
  // a copy, whose waking can then delay neither the world nor the tick.
  void reveille();

 private:
  std::atomic<bool> demandee_{false};
  synchro::Mutex mutex_;
  synchro::Condition publiee_;
  std::shared_ptr<const resultats::Resultats> copie_ GUARDED_BY(mutex_) =
      std::make_shared<const resultats::Resultats>();
  std::uint64_t publications_ GUARDED_BY(mutex_) = 0;
  bool finale_ GUARDED_BY(mutex_) = false;
};

}  // namespace match
