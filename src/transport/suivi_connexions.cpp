#include "transport/suivi_connexions.h"

#include <sys/socket.h>

namespace transport {

void SuiviConnexions::entre(int fd) {
  synchro::MutexTenu tenu(mutex_);
  fds_.insert(fd);
  if (fermees_) ::shutdown(fd, SHUT_RDWR);
}

void SuiviConnexions::sort(int fd) {
  {
    synchro::MutexTenu tenu(mutex_);
    fds_.erase(fd);
    if (!fds_.empty()) return;
  }
  vide_.reveille_tous();
}

void SuiviConnexions::ferme_toutes() {
  synchro::MutexTenu tenu(mutex_);
  fermees_ = true;
  // Under the mutex: a descriptor still in the set has not been closed yet,
  // so its number cannot belong to another file.
  for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
}

bool SuiviConnexions::attend_aucune(std::chrono::milliseconds delai) {
  synchro::MutexTenu tenu(mutex_);
  return vide_.attend_pendant(mutex_, delai, [&]() REQUIRES(mutex_) { return fds_.empty(); });
}

std::size_t SuiviConnexions::nombre() const {
  synchro::MutexTenu tenu(mutex_);
  return fds_.size();
}

}  // namespace transport
