// arene: the server of a real-time multiplayer arena game.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string_view>
#include <thread>
#include <vector>

#include "config/configuration.h"
#include "config/journal.h"
#include "config/ligne_de_commande.h"
#include "geometry/cubes.h"
#include "server/serveur.h"
#include "world/monde.h"
#include "world/tick.h"

namespace {

// Thousands of players need thousands of descriptors: take all the system allows.
void leve_limite_descripteurs() {
  rlimit limite{};
  if (getrlimit(RLIMIT_NOFILE, &limite) != 0 || limite.rlim_cur == limite.rlim_max) return;
  limite.rlim_cur = limite.rlim_max;
  (void)setrlimit(RLIMIT_NOFILE, &limite);
}

[[noreturn]] void termine_en_echec(const char* message) {
  std::fflush(stdout);
  std::fprintf(stderr, "arene : %s\n", message);
  std::fflush(stderr);
  // No orderly stop: other threads still use the world, so skip static destructors.
  std::_Exit(2);
}

[[noreturn]] void lance(const Options& options) {
  // A peer that has gone makes a send fail; it never kills the process.
  std::signal(SIGPIPE, SIG_IGN);
  leve_limite_descripteurs();
  Monde monde(static_cast<std::uint64_t>(std::time(nullptr)));
  Configuration::debug = options.debug;
  trace("creation des cubes\n");
  {
    // No other thread uses the world yet: the hold costs nothing, and keeps
    // one rule for every use of its generator.
    VerrouTenu tenu{monde.verrou};
    monde.cubes = cree_cubes(monde.grille, monde.alea, Configuration::nb_cubes);
  }
  std::thread(mise_a_jour, std::ref(monde)).detach();
  trace("lancement du serveur\n");
  Arene arene(monde);
  try {
    serveur(arene, options.port, Configuration::taille_file_attente);
  } catch (const std::exception& e) {
    // Report before `monde` goes out of scope: other threads still use it.
    termine_en_echec(e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto options = lit_ligne_de_commande(arguments);
  if (!options) {
    journal(message_usage(argc > 0 ? argv[0] : "arene"));
    return 1;
  }
  try {
    lance(*options);
  } catch (const std::exception& e) {
    termine_en_echec(e.what());
  }
}
