#include "match/resultats_publies.h"

#include <utility>

namespace match {

std::shared_ptr<const resultats::Resultats> ResultatsPublies::lit(std::chrono::milliseconds delai) {
  synchro::MutexTenu tenu(mutex_);
  if (finale_) return copie_;
  const std::uint64_t avant = publications_;
  demandee_.store(true, std::memory_order_relaxed);
  publiee_.attend_pendant(mutex_, delai,
                          [&]() REQUIRES(mutex_) { return publications_ != avant || finale_; });
  return copie_;
}

void ResultatsPublies::publie(resultats::Resultats resultats, bool finale) {
  // Built before the lock: readers wait for a pointer swap, never for a copy.
  auto copie = std::make_shared<const resultats::Resultats>(std::move(resultats));
  demandee_.store(false, std::memory_order_relaxed);
  synchro::MutexTenu tenu(mutex_);
  if (finale_) return;
  copie_.swap(copie);  // the old copy goes after the unlock
  ++publications_;
  finale_ = finale;
}

void ResultatsPublies::reveille() { publiee_.reveille_tous(); }

}  // namespace match
