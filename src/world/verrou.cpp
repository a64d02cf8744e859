#include "world/verrou.h"

namespace world {

void Verrou::lock() {
  for (int attente = prioritaires_.load(); attente != 0; attente = prioritaires_.load())
    prioritaires_.wait(attente);
  mutex_.lock();
}

void Verrou::lock_prioritaire() {
  prioritaires_.fetch_add(1);
  mutex_.lock();
  // Keep the gate closed only while we wait: once the tick holds the mutex, the
  // connection threads may queue behind it again.
  if (prioritaires_.fetch_sub(1) == 1) prioritaires_.notify_all();
}

}  // namespace world
