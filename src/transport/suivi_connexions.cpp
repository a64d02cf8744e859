#include "transport/suivi_connexions.h"

#include <sys/socket.h>

void SuiviConnexions::entre(int fd) {
  std::scoped_lock tenu(mutex_);
  fds_.insert(fd);
  if (fermees_) ::shutdown(fd, SHUT_RDWR);
}

void SuiviConnexions::sort(int fd) {
  {
    std::scoped_lock tenu(mutex_);
    fds_.erase(fd);
    if (!fds_.empty()) return;
  }
  vide_.notify_all();
}

void SuiviConnexions::ferme_toutes() {
  std::scoped_lock tenu(mutex_);
  fermees_ = true;
  // Under the mutex: a descriptor still in the set has not been closed yet,
  // so its number cannot belong to another file.
  for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
}

bool SuiviConnexions::attend_aucune(std::chrono::milliseconds delai) {
  std::unique_lock tenu(mutex_);
  return vide_.wait_for(tenu, delai, [&] { return fds_.empty(); });
}

std::size_t SuiviConnexions::nombre() const {
  std::scoped_lock tenu(mutex_);
  return fds_.size();
}
