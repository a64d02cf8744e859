// arene: the server of a real-time multiplayer arena game.
#include <ctime>
#include <exception>
#include <functional>
#include <string_view>
#include <thread>
#include <vector>

#include "config/configuration.h"
#include "config/journal.h"
#include "config/ligne_de_commande.h"
#include "server/accueil.h"
#include "server/demarrage.h"
#include "tick/tick.h"

namespace {

constexpr std::string_view programme = "arene";

[[noreturn]] void lance(const config::Options& options) {
  server::prepare_le_processus();
  config::debug = options.debug;
  const auto monde = server::cree_le_monde(static_cast<std::uint64_t>(std::time(nullptr)));
  std::thread(tick::mise_a_jour, std::ref(*monde)).detach();
  config::trace("lancement du serveur\n");
  protocol::Arene arene(*monde);
  const transport::Socket ecoute = server::ecoute_les_joueurs(programme, options.port);
  try {
    server::accepte_clients(arene, ecoute, nullptr);
  } catch (const std::exception& e) {
    // Report before the world goes out of scope: other threads still use it.
    server::termine_en_echec(programme, e.what());
  }
  server::termine_en_echec(programme, "accept : arret inattendu");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto options = config::lit_ligne_de_commande(arguments);
  if (!options) {
    config::journal(config::message_usage(argc > 0 ? argv[0] : "arene"));
    return 1;
  }
  try {
    lance(*options);
  } catch (const std::exception& e) {
    server::termine_en_echec(programme, e.what());
  }
}
