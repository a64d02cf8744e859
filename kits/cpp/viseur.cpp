// The aimer: turns to the nearest ship and fires where it will be, from the
// speed measured between polls (the server never reports speeds).
//   viseur [--host H] [--port P] [--couleur N] [--duree S]
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "arene.hpp"

namespace {

using Horloge = std::chrono::steady_clock;

constexpr double ticks_par_seconde = 40;  // the server's nominal rate; speeds are per tick
constexpr double fenetre_s = 0.15;        // speeds are measured over this much time
constexpr double vitesse_balle = 3.5;     // units per tick
constexpr double depart_balle = 12.6;     // a new bullet's distance ahead of the ship
constexpr double pas_angle = 0.05;
constexpr int max_pas = 20;  // turn steps per tick: all apply at once

struct Releve {
  double temps, x, y;
};

// Each ship's speed along its heading, from its positions over the last fenetre_s.
class Vitesses {
 public:
  void mesure(const std::vector<arene::Vaisseau>& vaisseaux, double temps) {
    for (const arene::Vaisseau& v : vaisseaux) {
      std::deque<Releve>& releves = releves_[v.couleur];
      releves.push_back({temps, v.x, v.y});
      while (releves.size() > 2 && temps - releves[1].temps >= fenetre_s) releves.pop_front();
      const Releve& ancien = releves.front();
      const double ticks = (temps - ancien.temps) * ticks_par_seconde;
      if (ticks >= 2)
        vitesses_[v.couleur] =
            ((v.x - ancien.x) * std::cos(v.angle) + (v.y - ancien.y) * std::sin(v.angle)) / ticks;
    }
  }
  double vitesse(std::int64_t couleur) const {
    const auto trouve = vitesses_.find(couleur);
    return trouve == vitesses_.end() ? 0.0 : trouve->second;
  }

 private:
  std::map<std::int64_t, std::deque<Releve>> releves_;
  std::map<std::int64_t, double> vitesses_;
};

// Ticks until a bullet fired now meets a target at (dx, dy) moving (vx, vy)
// per tick: |d + v t| = depart + speed t. Negative when it never does.
double instant_interception(double dx, double dy, double vx, double vy) {
  const double a = vx * vx + vy * vy - vitesse_balle * vitesse_balle;  // < 0: bullets are faster
  const double b = 2 * (dx * vx + dy * vy - depart_balle * vitesse_balle);
  const double c = dx * dx + dy * dy - depart_balle * depart_balle;
  const double discriminant = b * b - 4 * a * c;
  if (discriminant < 0) return -1;
  return (-b - std::sqrt(discriminant)) / (2 * a);
}

// The turn and the shot toward the nearest other ship, led by its speed.
std::vector<arene::Commande> vise(const arene::Vaisseau& moi,
                                  const std::vector<arene::Vaisseau>& vaisseaux,
                                  const Vitesses& vitesses) {
  const arene::Vaisseau* cible = nullptr;
  for (const arene::Vaisseau& v : vaisseaux)
    if (v.couleur != moi.couleur &&
        (cible == nullptr ||
         std::hypot(v.x - moi.x, v.y - moi.y) < std::hypot(cible->x - moi.x, cible->y - moi.y)))
      cible = &v;
  if (cible == nullptr) return {};
  const double vx = vitesses.vitesse(cible->couleur) * std::cos(cible->angle);
  const double vy = vitesses.vitesse(cible->couleur) * std::sin(cible->angle);
  const double t = std::max(0.0, instant_interception(cible->x - moi.x, cible->y - moi.y, vx, vy));
  const double x = cible->x + vx * t - moi.x;
  const double y = cible->y + vy * t - moi.y;
  const double ecart = std::remainder(std::atan2(y, x) - moi.angle, 2 * M_PI);
  const int pas =
      std::max(-max_pas, std::min(max_pas, static_cast<int>(std::lround(ecart / pas_angle))));
  std::vector<arene::Commande> actions(static_cast<std::size_t>(std::abs(pas)),
                                       pas > 0 ? arene::Commande::gauche : arene::Commande::droite);
  // Fire when the bullet's path passes within half a hit's reach of the aim.
  if (std::abs(ecart - pas * pas_angle) < std::atan2(6.5, std::hypot(x, y)))
    actions.push_back(arene::Commande::tire);
  return actions;
}

}  // namespace

int main(int argc, char** argv) {
  std::string hote = "127.0.0.1";
  int port = 12345;
  std::int64_t couleur = 0xFF0000;
  double duree = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--host")
      hote = argv[i + 1];
    else if (option == "--port")
      port = std::atoi(argv[i + 1]);
    else if (option == "--couleur")
      try {
        couleur = arene::lit_couleur(argv[i + 1]);
      } catch (const arene::CouleurInvalide& erreur) {
        std::cerr << "viseur: " << erreur.what() << '\n';
        return 2;
      }
    else if (option == "--duree")
      duree = std::atof(argv[i + 1]);
    else {
      std::cerr << "usage: viseur [--host H] [--port P] [--couleur N] [--duree S]\n";
      return 2;
    }
  }
  const auto debut = Horloge::now();
  const auto secondes = [&] {
    return std::chrono::duration<double>(Horloge::now() - debut).count();
  };
  try {
    arene::Client client = arene::Client::connecte(hote, port);
    client.enregistre(couleur, 100);
    Vitesses vitesses;
    auto prochain = Horloge::now();
    while (secondes() < duree) {
      const std::vector<arene::Vaisseau> vaisseaux = client.vaisseaux();
      vitesses.mesure(vaisseaux, secondes());
      for (const arene::Vaisseau& v : vaisseaux)
        if (v.couleur == client.couleur()) {
          const std::vector<arene::Commande> actions = vise(v, vaisseaux, vitesses);
          if (!actions.empty()) client.agit(actions);
        }
      prochain += std::chrono::milliseconds(25);  // the world moves at most 40 times a second
      std::this_thread::sleep_until(prochain);
    }
    client.quitte();
  } catch (const arene::ConnexionFermee&) {
    // The match is over: the server closes every connection.
  } catch (const arene::ErreurArene& erreur) {
    std::cerr << "viseur: " << erreur.what() << '\n';
    return 1;
  }
}
