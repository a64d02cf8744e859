// A mutex the thread-safety analysis knows, its scoped hold, and a condition
// variable that waits with it. libstdc++'s std::mutex carries no annotations:
// a field guarded by one would be checked against nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "synchro/annotations.h"

namespace synchro {

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class Condition;
  std::mutex mutex_;
};

// Holds a mutex for its lifetime. `relache` gives it back early, for the work
// that follows and needs no lock (a copy built, a waiter woken).
class SCOPED_CAPABILITY MutexTenu {
 public:
  explicit MutexTenu(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexTenu() RELEASE() {
    if (tenu_) mutex_.unlock();
  }
  MutexTenu(const MutexTenu&) = delete;
  MutexTenu& operator=(const MutexTenu&) = delete;

  void relache() RELEASE() {
    mutex_.unlock();
    tenu_ = false;
  }

 private:
  Mutex& mutex_;
  bool tenu_ = true;
};

// Waits release the mutex and hold it again on return. A predicate reads
// guarded fields, so it says so: [&]() REQUIRES(mutex_) { return ...; }.
class Condition {
 public:
  template <typename Predicat>
  void attend(Mutex& mutex, Predicat predicat) REQUIRES(mutex) {
    std::unique_lock tenu(mutex.mutex_, std::adopt_lock);
    variable_.wait(tenu, predicat);
    tenu.release();
  }

  // False when `delai` passed with the predicate still false.
  template <typename Predicat>
  bool attend_pendant(Mutex& mutex, std::chrono::milliseconds delai, Predicat predicat)
      REQUIRES(mutex) {
    std::unique_lock tenu(mutex.mutex_, std::adopt_lock);
    const bool vrai = variable_.wait_for(tenu, delai, predicat);
    tenu.release();
    return vrai;
  }

  // Without a predicate: returns on a wake-up, a spurious one, or after `delai`.
  void attend_pendant(Mutex& mutex, std::chrono::milliseconds delai) REQUIRES(mutex) {
    std::unique_lock tenu(mutex.mutex_, std::adopt_lock);
    variable_.wait_for(tenu, delai);
    tenu.release();
  }

  void reveille_un() { variable_.notify_one(); }
  void reveille_tous() { variable_.notify_all(); }

 private:
  std::condition_variable variable_;
};

}  // namespace synchro
