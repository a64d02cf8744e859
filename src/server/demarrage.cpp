#include "server/demarrage.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "config/configuration.h"
#include "config/journal.h"
#include "geometry/cubes.h"
#include "transport/ecoute.h"

namespace server {

void termine_en_echec(std::string_view programme, std::string_view message) {
  std::fflush(stdout);
  std::fprintf(stderr, "%.*s : %.*s\n", static_cast<int>(programme.size()), programme.data(),
               static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
  std::_Exit(2);
}

void leve_limite_descripteurs() {
  rlimit limite{};
  if (getrlimit(RLIMIT_NOFILE, &limite) != 0 || limite.rlim_cur == limite.rlim_max) return;
  limite.rlim_cur = limite.rlim_max;
  (void)setrlimit(RLIMIT_NOFILE, &limite);
}

void prepare_le_processus() {
  std::signal(SIGPIPE, SIG_IGN);
  leve_limite_descripteurs();
}

std::unique_ptr<world::Monde> cree_le_monde(std::uint64_t graine) {
  config::trace("creation des cubes\n");
  return geometry::cree_monde(graine);
}

transport::Socket ecoute_les_joueurs(std::string_view programme, std::int64_t port) {
  try {
    return transport::ouvre_socket_d_ecoute(port, config::taille_file_attente);
  } catch (const std::exception& e) {
    termine_en_echec(programme, e.what());
  }
}

}  // namespace server
