#include "server/accueil.h"

#include <memory>

#include "config/configuration.h"
#include "protocol/client.h"
#include "transport/ecoute.h"
#include "transport/thread_detache.h"

namespace server {

void accepte_clients(protocol::Arene& arene, const transport::Socket& ecoute,
                     const std::atomic<bool>* arret) {
  transport::accepte_connexions(ecoute, arret, [&arene](transport::Socket connexion) {
    // If the thread cannot start, the lambda and the socket it owns are
    // destroyed here, which closes the connection; the loop goes on.
    (void)transport::lance_thread_detache(
        [&arene, connexion = std::make_shared<transport::Socket>(std::move(connexion))]() mutable {
          protocol::client(arene, std::move(*connexion));
        },
        config::pile_thread_client);
  });
}

}  // namespace server
