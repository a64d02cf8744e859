// How SIGINT, SIGTERM and SIGHUP stop arene-tournoi. Reading, checking and
// writing files has nothing to finish: there a signal ends the program at
// once. While matches run, it only asks them to stop, so that their referees
// still write their results and the tournament can be resumed.
#pragma once

#include <atomic>

// Installs the handlers; call once, before any thread starts.
void installe_arret();

// Set once a signal came while matches were running.
const std::atomic<bool>& arret_demande();

// While one lives, signals ask the matches to stop instead of ending the
// program.
class PendantLesMatchs {
 public:
  PendantLesMatchs();
  ~PendantLesMatchs();
  PendantLesMatchs(const PendantLesMatchs&) = delete;
  PendantLesMatchs& operator=(const PendantLesMatchs&) = delete;
};
