// A first bot: turn toward the nearest ship and fire. Usage: exemple HOST PORT COLOUR SECONDS
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "arene.hpp"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: exemple HOST PORT COLOUR SECONDS\n";
    return 2;
  }
  using horloge = std::chrono::steady_clock;
  const auto fin = horloge::now() + std::chrono::seconds(std::atoi(argv[4]));
  try {
    const std::int64_t couleur = arene::lit_couleur(argv[3]);  // 16711680 or 0xFF0000
    arene::Client client = arene::Client::connecte(argv[1], std::atoi(argv[2]));
    const std::int64_t moi = client.enregistre(couleur, 100);
    while (horloge::now() < fin) {
      const auto vaisseaux = client.vaisseaux();
      const auto mien = std::find_if(vaisseaux.begin(), vaisseaux.end(),
                                     [&](const arene::Vaisseau& v) { return v.couleur == moi; });
      const arene::Vaisseau* cible = nullptr;
      for (const auto& v : vaisseaux)
        if (mien != vaisseaux.end() && v.couleur != moi &&
            (cible == nullptr || std::hypot(v.x - mien->x, v.y - mien->y) <
                                     std::hypot(cible->x - mien->x, cible->y - mien->y)))
          cible = &v;
      if (cible != nullptr) {
        const double voulu = std::atan2(cible->y - mien->y, cible->x - mien->x);
        const double ecart = std::remainder(voulu - mien->angle, 2 * M_PI);
        client.agit({ecart > 0 ? arene::Commande::gauche : arene::Commande::droite});
        if (std::abs(ecart) < 0.1) client.tire();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    client.quitte();
  } catch (const arene::ConnexionFermee&) {  // the match is over
  } catch (const arene::ErreurArene& erreur) {
    std::cerr << "exemple: " << erreur.what() << '\n';
    return 1;
  }
}
