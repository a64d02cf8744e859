// The world lock. One mutex, non-recursive, with one twist: the tick thread
// passes ahead of connection threads that are still waiting, so that a crowd of
// clients can delay a tick by at most one command each, never starve it.
#pragma once

#include <atomic>
#include <mutex>

class Verrou {
 public:
  // For connection threads; waits while a tick is waiting.
  void lock();
  void unlock() { mutex_.unlock(); }

  // For the tick thread.
  void lock_prioritaire();

 private:
  std::mutex mutex_;
  std::atomic<int> prioritaires_{0};  // ticks waiting for or holding the mutex
};

// RAII hold of the lock by the tick thread.
class VerrouTick {
 public:
  explicit VerrouTick(Verrou& verrou) : verrou_(verrou) { verrou_.lock_prioritaire(); }
  ~VerrouTick() { verrou_.unlock(); }
  VerrouTick(const VerrouTick&) = delete;
  VerrouTick& operator=(const VerrouTick&) = delete;

 private:
  Verrou& verrou_;
};
