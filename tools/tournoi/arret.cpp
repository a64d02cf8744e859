#include "tournoi/arret.h"

#include <unistd.h>

#include <csignal>

#include "tournoi/commandes.h"

namespace {

std::atomic<bool> arret{false};
std::atomic<int> matchs_en_cours{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls here.
void sur_signal(int) {
  if (matchs_en_cours.load() > 0) {
    arret = true;
    return;
  }
  constexpr char message[] = "arene-tournoi: stopped by a signal\n";
  (void)!::write(STDERR_FILENO, message, sizeof message - 1);
  ::_exit(sortie_interrompu);
}

}  // namespace

void installe_arret() {
  struct sigaction action {};
  action.sa_handler = sur_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

const std::atomic<bool>& arret_demande() { return arret; }

PendantLesMatchs::PendantLesMatchs() { ++matchs_en_cours; }

PendantLesMatchs::~PendantLesMatchs() { --matchs_en_cours; }
