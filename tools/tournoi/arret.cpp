#include "tournoi/arret.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "langue/langue.h"
#include "tournoi/commandes.h"

namespace {

std::atomic<bool> arret{false};
std::atomic<int> matchs_en_cours{0};
char message_arret[160];
std::size_t longueur_arret = 0;
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls here.
void sur_signal(int) {
  if (matchs_en_cours.load() > 0) {
    arret = true;
    return;
  }
  (void)!::write(STDERR_FILENO, message_arret, longueur_arret);
  ::_exit(sortie_interrompu);
}

}  // namespace

void installe_arret() {
  // Translated here: the handler may only copy it out.
  const int n = std::snprintf(message_arret, sizeof message_arret, "%s",
                              _("arene-tournoi: stopped by a signal\n"));
  longueur_arret = std::min(static_cast<std::size_t>(std::max(n, 0)), sizeof message_arret - 1);
  struct sigaction action {};
  action.sa_handler = sur_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

const std::atomic<bool>& arret_demande() { return arret; }

PendantLesMatchs::PendantLesMatchs() { ++matchs_en_cours; }

PendantLesMatchs::~PendantLesMatchs() { --matchs_en_cours; }
