// The connections being served, so that a match server can end them all at
// once. The plain server only registers and forgets them.
#pragma once

#include <chrono>
#include <cstddef>
#include <set>

#include "synchro/mutex.h"

namespace transport {

class SuiviConnexions {
 public:
  // A connection thread starts serving `fd`. After ferme_toutes, it is shut
  // down at once, so that a connection accepted late ends too.
  void entre(int fd);
  // It stops serving `fd`, before closing it.
  void sort(int fd);

  // Shuts every connection down for reading and writing: their threads see
  // the end of the stream and end as for a peer that left.
  void ferme_toutes();
  // True once no connection is served any more, false after `delai`.
  bool attend_aucune(std::chrono::milliseconds delai);
  std::size_t nombre() const;

 private:
  mutable synchro::Mutex mutex_;
  synchro::Condition vide_;
  std::set<int> fds_ GUARDED_BY(mutex_);
  bool fermees_ GUARDED_BY(mutex_) = false;
};

// Registers a connection for the life of a scope.
class ConnexionSuivie {
 public:
  ConnexionSuivie(SuiviConnexions& suivi, int fd) : suivi_(suivi), fd_(fd) { suivi_.entre(fd_); }
  ~ConnexionSuivie() { suivi_.sort(fd_); }
  ConnexionSuivie(const ConnexionSuivie&) = delete;
  ConnexionSuivie& operator=(const ConnexionSuivie&) = delete;

 private:
  SuiviConnexions& suivi_;
  int fd_;
};

}  // namespace transport
