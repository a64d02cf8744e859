#include "transport/thread_detache.h"

#include <pthread.h>

#include <memory>

namespace transport {

namespace {

// RAII for the attribute object.
class Attributs {
 public:
  Attributs() { valide_ = pthread_attr_init(&attr_) == 0; }
  ~Attributs() {
    if (valide_) pthread_attr_destroy(&attr_);
  }
  Attributs(const Attributs&) = delete;
  Attributs& operator=(const Attributs&) = delete;
  bool valide() const { return valide_; }
  pthread_attr_t* get() { return &attr_; }

 private:
  pthread_attr_t attr_;
  bool valide_;
};

void* trampoline(void* argument) {
  std::unique_ptr<std::function<void()>> corps(static_cast<std::function<void()>*>(argument));
  try {
    (*corps)();
  } catch (...) {
    // A thread body reports its own failures; nothing may escape a thread.
  }
  return nullptr;
}

}  // namespace

bool lance_thread_detache(std::function<void()> corps, std::size_t taille_pile) {
  Attributs attributs;
  if (!attributs.valide()) return false;
  if (pthread_attr_setdetachstate(attributs.get(), PTHREAD_CREATE_DETACHED) != 0) return false;
  if (pthread_attr_setstacksize(attributs.get(), taille_pile) != 0) return false;
  auto possede = std::make_unique<std::function<void()>>(std::move(corps));
  pthread_t thread;
  if (pthread_create(&thread, attributs.get(), &trampoline, possede.get()) != 0) return false;
  possede.release();  // the new thread owns it now
  return true;
}

}  // namespace transport
