// The world lock. One mutex, non-recursive, with one twist: the tick thread
// passes ahead of connection threads that are still waiting, so that a crowd of
// clients can delay a tick by at most one command each, never starve it.
#pragma once

#include <atomic>
#include <mutex>

#include "synchro/annotations.h"

namespace world {

class CAPABILITY("verrou") Verrou {
 public:
  // For connection threads; waits while a tick is waiting.
  void lock() ACQUIRE();
  void unlock() RELEASE() { mutex_.unlock(); }

  // For the tick thread.
  void lock_prioritaire() ACQUIRE();

 private:
  std::mutex mutex_;
  std::atomic<int> prioritaires_{0};  // ticks waiting for or holding the mutex
};

// RAII hold of the lock by the tick thread.
class SCOPED_CAPABILITY VerrouTick {
 public:
  explicit VerrouTick(Verrou& verrou) ACQUIRE(verrou) : verrou_(verrou) {
    verrou_.lock_prioritaire();
  }
  ~VerrouTick() RELEASE() { verrou_.unlock(); }
  VerrouTick(const VerrouTick&) = delete;
  VerrouTick& operator=(const VerrouTick&) = delete;

 private:
  Verrou& verrou_;
};

// RAII hold of the lock by any other thread: a connection serving a command,
// a match starting or copying its results.
class SCOPED_CAPABILITY VerrouTenu {
 public:
  explicit VerrouTenu(Verrou& verrou) ACQUIRE(verrou) : verrou_(verrou) { verrou_.lock(); }
  ~VerrouTenu() RELEASE() { verrou_.unlock(); }
  VerrouTenu(const VerrouTenu&) = delete;
  VerrouTenu& operator=(const VerrouTenu&) = delete;

 private:
  Verrou& verrou_;
};

}  // namespace world
