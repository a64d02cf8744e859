#include "server/accueil.h"

#include <memory>

#include "config/configuration.h"
#include "protocol/client.h"
#include "transport/ecoute.h"
#include "transport/thread_detache.h"

void accepte_clients(Arene& arene, const Socket& ecoute, const std::atomic<bool>* arret) {
  accepte_connexions(ecoute, arret, [&arene](Socket connexion) {
    // If the thread cannot start, the lambda and the socket it owns are
    // destroyed here, which closes the connection; the loop goes on.
    (void)lance_thread_detache(
        [&arene, connexion = std::make_shared<Socket>(std::move(connexion))]() mutable {
          client(arene, std::move(*connexion));
        },
        config::pile_thread_client);
  });
}
