// The ship indexes against plain scans of every ship, with ships and points
// anywhere: on the board, on cell boundaries, on and past its edges, far off
// it, and NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "geometry/cubes.h"
#include "simulation/balles.h"
#include "world/cibles.h"
#include "world/index_vaisseaux.h"

namespace {

double coordonnee(std::mt19937_64& alea) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::uniform_int_distribution<int> genre(0, 9);
  std::uniform_int_distribution<int> multiple(-1, 101);
  switch (genre(alea)) {
    case 0:  // on or just by a boundary of either grid
      return multiple(alea) * (u(alea) < 0.5 ? 22.0 : 14.0) + (u(alea) - 0.5) * 1e-9;
    case 1:  // around the board's edges
      return (u(alea) < 0.5 ? -40.0 : 1368.0) + 80.0 * u(alea);
    case 2:
      return u(alea) < 0.5 ? -1e12 * u(alea) : 1e12 * u(alea);
    case 3:
      return u(alea) < 0.1 ? std::numeric_limits<double>::quiet_NaN() : 1408.0 * u(alea);
    default:
      return 1408.0 * u(alea);
  }
}

// Ships close together, so that searches find several of them.
world::ListeRecente<world::vaisseau> vaisseaux_au_hasard(std::mt19937_64& alea, int n) {
  std::uniform_real_distribution<double> pres(-30.0, 30.0);
  world::ListeRecente<world::vaisseau> vaisseaux;
  double x = coordonnee(alea), y = coordonnee(alea);
  for (int id = 1; id <= n; ++id) {
    if (id % 5 == 0) x = coordonnee(alea), y = coordonnee(alea);
    vaisseaux.ajoute_en_tete(world::vaisseau{x + pres(alea), y + pres(alea), 0.0, 0.0, 5, id});
  }
  return vaisseaux;
}

TEST(IndexVaisseaux, VisitsEveryShipWithinReachWhileShipsMove) {
  std::mt19937_64 alea(5);
  std::uniform_real_distribution<double> pres(-25.0, 25.0);
  world::IndexVaisseaux index;
  for (int monde = 0; monde < 40; ++monde) {
    world::ListeRecente<world::vaisseau> vaisseaux = vaisseaux_au_hasard(alea, 1 + monde * 3);
    index.reconstruit(vaisseaux);
    std::uniform_int_distribution<std::size_t> lequel(0, vaisseaux.taille() - 1);
    for (int question = 0; question < 300; ++question) {
      const world::vaisseau& pres_de = vaisseaux[lequel(alea)];
      const double x = question % 3 ? pres_de.x + pres(alea) : coordonnee(alea);
      const double y = question % 3 ? pres_de.y + pres(alea) : coordonnee(alea);
      const double portee = question % 2 ? 18.0 : 13.0;
      std::multiset<std::int64_t> visites;
      index.cherche(x, y, portee, [&](const world::IndexVaisseaux::Place& p) {
        visites.insert(p.id);
        return false;
      });
      for (const world::vaisseau& v : vaisseaux) {
        EXPECT_LE(visites.count(v.id), 1u);
        const bool a_portee = std::fabs(v.x - x) < portee && std::fabs(v.y - y) < portee;
        EXPECT_TRUE(!a_portee || visites.count(v.id) == 1)
            << "ship at " << v.x << ", " << v.y << " from " << x << ", " << y;
      }
      // One ship moves, as in the ship pass.
      const std::size_t k = lequel(alea);
      world::vaisseau& v = vaisseaux[k];
      v.x = question % 4 ? v.x + pres(alea) : coordonnee(alea);
      v.y = question % 4 ? v.y + pres(alea) : coordonnee(alea);
      index.deplace(k, v.x, v.y);
    }
  }
}

// The first in list order, in play, strictly within 13, by a scan of all.
std::optional<std::size_t> premier_touche(const world::ListeRecente<world::vaisseau>& vaisseaux,
                                          const std::vector<bool>& en_jeu, double x, double y) {
  for (std::size_t k = 0; k < vaisseaux.taille(); ++k) {
    const world::vaisseau& v = vaisseaux[k];
    if (en_jeu[k] && (v.y - y) * (v.y - y) + (v.x - x) * (v.x - x) < 13.0 * 13.0) return k;
  }
  return std::nullopt;
}

TEST(Cibles, FindTheFirstShipInPlayInListOrderWithinThirteen) {
  std::mt19937_64 alea(6);
  std::uniform_real_distribution<double> pres(-16.0, 16.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  world::Cibles cibles;
  int touches = 0;
  for (int monde = 0; monde < 40; ++monde) {
    const world::ListeRecente<world::vaisseau> vaisseaux = vaisseaux_au_hasard(alea, 1 + monde * 3);
    cibles.reconstruit(vaisseaux, world::Grille{});
    std::vector<bool> en_jeu(vaisseaux.taille(), true);
    std::uniform_int_distribution<std::size_t> lequel(0, vaisseaux.taille() - 1);
    for (int question = 0; question < 300; ++question) {
      const world::vaisseau& pres_de = vaisseaux[lequel(alea)];
      const double x = question % 3 ? pres_de.x + pres(alea) : coordonnee(alea);
      const double y = question % 3 ? pres_de.y + pres(alea) : coordonnee(alea);
      const std::optional<std::size_t> trouve =
          cibles.premiere(world::Cibles::case_de(x, y), [&](double vx, double vy) {
            return (vy - y) * (vy - y) + (vx - x) * (vx - x) < 13.0 * 13.0;
          });
      ASSERT_EQ(trouve, premier_touche(vaisseaux, en_jeu, x, y)) << x << ", " << y;
      touches += trouve.has_value();
      if (trouve && u(alea) < 0.2) {
        cibles.retire(*trouve);
        en_jeu[*trouve] = false;
      }
    }
    std::size_t retires = 0;
    for (std::size_t k = 0; k < en_jeu.size(); ++k) {
      EXPECT_EQ(cibles.en_jeu(k), en_jeu[k]);
      retires += !en_jeu[k];
    }
    EXPECT_EQ(cibles.retires(), retires);
  }
  EXPECT_GT(touches, 3000);  // the searches did find ships
}

TEST(Cibles, TheFirstOfAColourIsTheShipItselfUnlessAnEarlierShipSharesIt) {
  world::ListeRecente<world::vaisseau> vaisseaux;
  // Oldest first: places 3, 2, 1, 0 once all are added.
  for (std::int64_t id : {7, 8, 7, 9})
    vaisseaux.ajoute_en_tete(world::vaisseau{100, 100, 0, 0, 5, id});
  world::Cibles cibles;
  cibles.reconstruit(vaisseaux, world::Grille{});
  EXPECT_EQ(cibles.premier_de_sa_couleur(0), 0u);
  EXPECT_EQ(cibles.premier_de_sa_couleur(3), 1u);
  EXPECT_EQ(cibles.premier_de_sa_couleur(1), 1u);
  cibles.retire(1);
  EXPECT_EQ(cibles.premier_de_sa_couleur(3), 3u);
  // Rebuilt with distinct colours, every ship is its colour's first.
  vaisseaux.retire_premier([](const world::vaisseau& v) { return v.id == 7; });
  cibles.reconstruit(vaisseaux, world::Grille{});
  for (std::size_t k = 0; k < vaisseaux.taille(); ++k)
    EXPECT_EQ(cibles.premier_de_sa_couleur(k), k);
}

}  // namespace

namespace {

// Wherever a bullet's probe can be in a cube, its cell says a cube is near.
TEST(Cibles, NoCubeNearMeansNoBulletOfTheCellInACube) {
  std::mt19937_64 alea(9);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  world::Cibles cibles;
  int dedans = 0;
  int loin = 0;
  for (int champ = 0; champ < 8; ++champ) {
    world::Monde monde(200 + champ);
    monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, 50 + 300 * champ);
    cibles.reconstruit(monde.vaisseaux, monde.grille);
    std::uniform_int_distribution<std::size_t> lequel(0, monde.cubes.size() - 1);
    for (int k = 0; k < 20000; ++k) {
      const world::cube& c = monde.cubes[lequel(alea)];
      const bool pres = k % 2 == 0;
      const double x = pres ? c.x_min - 5.0 + 32.0 * u(alea) : coordonnee(alea);
      const double y = pres ? c.y_min - 5.0 + 32.0 * u(alea) : coordonnee(alea);
      const world::balle b{x, y, 0.0, 1};
      const bool proche = cibles.cube_proche(world::Cibles::case_de(x, y));
      if (simulation::est_hors_jeu(b, monde.grille)) {
        ASSERT_TRUE(proche) << x << ", " << y;
        ++dedans;
      }
      loin += !proche;
    }
  }
  // Both answers came up often.
  EXPECT_GT(dedans, 10000);
  EXPECT_GT(loin, 10000);
}

}  // namespace
