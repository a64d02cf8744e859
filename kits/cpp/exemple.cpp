// A first bot: turn toward the nearest ship and fire. Usage: exemple HOST PORT COLOUR SECONDS
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "arene.hpp"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  using horloge = std::chrono::steady_clock;
  const auto fin = horloge::now() + std::chrono::seconds(std::atoi(argv[4]));
  try {
    arene::Client client = arene::Client::connecte(argv[1], std::atoi(argv[2]));
    const std::int64_t moi = client.enregistre(std::atoll(argv[3]), 100);
    while (horloge::now() < fin) {
      const auto vaisseaux = client.vaisseaux();
      const arene::Vaisseau* mien = nullptr;
      const arene::Vaisseau* cible = nullptr;
      for (const auto& v : vaisseaux) (v.couleur == moi ? mien : cible) = &v;
      if (mien != nullptr && cible != nullptr) {
        const double voulu = std::atan2(cible->y - mien->y, cible->x - mien->x);
        const double ecart = std::remainder(voulu - mien->angle, 2 * M_PI);
        client.agit({ecart > 0 ? arene::Commande::gauche : arene::Commande::droite});
        if (std::abs(ecart) < 0.1) client.tire();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    client.quitte();
  } catch (const arene::ConnexionFermee&) {  // the match is over
  }
}
