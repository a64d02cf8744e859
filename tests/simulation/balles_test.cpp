#include "simulation/balles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "geometry/cubes.h"
#include "simulation/actions.h"
#include "simulation/comparaison.h"
#include "simulation/monde_de_test.h"
#include "simulation/oracle.h"

namespace {

constexpr double pi = std::numbers::pi;

// The bullet pass, with the reference pass run on a copy alongside.
void passe_des_balles(world::Monde& monde) {
  oracle::Monde reference = oracle::copie(monde);
  simulation::mise_a_jour_balles(monde);
  oracle::mise_a_jour_balles(reference);
  EXPECT_TRUE(memes_vaisseaux_et_balles(monde, reference));
}

struct Position {
  double x, y;
};

struct CasVol {
  const char* nom;
  std::vector<Case> cubes;
  world::balle depart;
  std::optional<Position> arrivee;  // none when the bullet leaves play
};

TEST(MiseAJourBalles, FlightAndTheBoardAndCubeBounds) {
  const CasVol cas[] = {
      {"one step of 3.5", {}, {100.0, 100.0, 0.0, 1}, Position{103.5, 100.0}},
      {"rim exactly on the left edge stays", {}, {7.5, 300.0, pi, 1}, Position{4.0, 300.0}},
      {"rim past the left edge", {}, {7.49, 300.0, pi, 1}, std::nullopt},
      {"rim exactly on the board size is out", {}, {1400.5, 300.0, 0.0, 1}, std::nullopt},
      {"rim just inside the right edge", {}, {1400.49, 300.0, 0.0, 1}, Position{1403.99, 300.0}},
      {"rim exactly on the bottom edge stays", {}, {300.0, 7.5, -pi / 2, 1}, Position{300.0, 4.0}},
      {"rim past the bottom edge", {}, {300.0, 7.49, -pi / 2, 1}, std::nullopt},
      {"rim exactly on the top edge is out", {}, {300.0, 1400.5, pi / 2, 1}, std::nullopt},
      {"rim just inside the top edge", {}, {300.0, 1400.49, pi / 2, 1}, Position{300.0, 1403.99}},
      // Cube [220, 242]^2, reference point (231.5, 231.5): the rim point facing it counts.
      {"rim enters a cube, centre outside", {{10, 10}}, {213.0, 231.5, 0.0, 1}, std::nullopt},
      {"rim short of a cube", {{10, 10}}, {212.4, 231.5, 0.0, 1}, Position{215.9, 231.5}},
      {"straight above the reference point, rim on the side",
       {{10, 10}},
       {231.5, 249.5, -pi / 2, 1},
       std::nullopt},
      {"straight above the reference point, rim short",
       {{10, 10}},
       {231.5, 249.51, -pi / 2, 1},
       Position{231.5, 246.01}},
      {"a cube elsewhere on the list",
       {{40, 40}, {10, 10}, {2, 60}},
       {213.0, 231.5, 0.0, 1},
       std::nullopt},
  };
  for (const CasVol& c : cas) {
    world::Monde monde(1);
    for (Case k : c.cubes) place_cube(monde, k);
    ajoute_balles(monde, {c.depart});
    passe_des_balles(monde);
    if (!c.arrivee) {
      EXPECT_TRUE(monde.balles.vide()) << c.nom;
      continue;
    }
    ASSERT_EQ(monde.balles.taille(), 1u) << c.nom;
    EXPECT_NEAR(monde.balles[0].x, c.arrivee->x, 1e-9) << c.nom;
    EXPECT_NEAR(monde.balles[0].y, c.arrivee->y, 1e-9) << c.nom;
    EXPECT_EQ(monde.balles[0].angle, c.depart.angle) << c.nom;
    EXPECT_EQ(monde.balles[0].id, c.depart.id) << c.nom;
  }
}

// Only the cubes around a bullet are tested; the answer must be the scan of
// the whole field's. Bullets near the cubes' sides and corners, where the
// probe's reach matters, on cell boundaries, and off the board.
TEST(EstHorsJeu, AgreesWithAScanOfEveryCube) {
  std::mt19937_64 alea(8);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int dedans = 0;
  for (int champ = 0; champ < 6; ++champ) {
    world::Monde monde(100 + champ);
    monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, champ < 3 ? 200 : 800);
    std::uniform_int_distribution<std::size_t> lequel(0, monde.cubes.size() - 1);
    for (int k = 0; k < 6000; ++k) {
      const world::cube& c = monde.cubes[lequel(alea)];
      double x = c.x_min - 6.0 + 34.0 * u(alea);
      double y = c.y_min - 6.0 + 34.0 * u(alea);
      if (k % 4 == 0) x = std::round(x);  // on the sides, on the reference point
      if (k % 5 == 0) y = (k % 3 ? -30.0 : 1380.0) + 60.0 * u(alea);
      if (k % 7 == 0) x = std::round(x / 22.0) * 22.0;
      const world::balle b{x, y, 0.0, 1};
      const bool attendu = oracle::est_hors_jeu(b, monde.cubes);
      ASSERT_EQ(simulation::est_hors_jeu(b, monde.grille), attendu) << x << ", " << y;
      dedans += attendu;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(simulation::est_hors_jeu(world::balle{nan, 100.0, 0.0, 1}, monde.grille));
    EXPECT_FALSE(simulation::est_hors_jeu(world::balle{100.0, nan, 0.0, 1}, monde.grille));
  }
  EXPECT_GT(dedans, 5000);  // the probes did enter cubes
}

TEST(MiseAJourBalles, SurvivorsKeepTheirOrder) {
  world::Monde monde(1);
  ajoute_balles(monde, {{100.0, 100.0, 0.0, 1},
                        {1402.0, 500.0, 0.0, 2},
                        {300.0, 300.0, pi, 3},
                        {5.0, 5.0, pi, 4},
                        {600.0, 600.0, pi / 2, 5}});
  passe_des_balles(monde);
  std::vector<std::int64_t> ids;
  for (const world::balle& b : monde.balles) ids.push_back(b.id);
  EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 3, 1}));
}

struct CasImpact {
  const char* nom;
  std::vector<world::vaisseau> vaisseaux;     // oldest first
  std::vector<world::balle> balles;           // oldest first
  std::vector<std::int64_t> pt_vie_attendus;  // head first, after the pass
  std::size_t balles_restantes;
};

// Bullets move 3.5 along x before the hit test; a ship at (300, 300) is then
// 13.0 from a bullet that ends at (300, 287).
TEST(MiseAJourBalles, HitsTheFirstShipStrictlyWithinThirteen) {
  const CasImpact cas[] = {
      {"exactly 13.0: no hit", {vaisseau_en(300, 300, 1)}, {{296.5, 287.0, 0.0, 9}}, {5}, 1},
      {"12.99: hit", {vaisseau_en(300, 300, 1)}, {{296.5, 287.01, 0.0, 9}}, {4}, 0},
      {"two ships in range: only the head is hit",
       {vaisseau_en(300, 300, 1), vaisseau_en(300, 280, 2)},
       {{296.5, 290.0, 0.0, 9}},
       {4, 5},
       0},
      {"the shooter is not spared", {vaisseau_en(300, 300, 9)}, {{296.5, 295.0, 0.0, 9}}, {4}, 0},
      {"two bullets, two points",
       {vaisseau_en(300, 300, 1)},
       {{296.5, 295.0, 0.0, 9}, {296.5, 305.0, 0.0, 9}},
       {3},
       0},
  };
  for (const CasImpact& c : cas) {
    world::Monde monde(1);
    for (const world::vaisseau& v : c.vaisseaux) monde.vaisseaux.ajoute_en_tete(v);
    for (const world::balle& b : c.balles) monde.balles.ajoute_en_tete(b);
    passe_des_balles(monde);
    std::vector<std::int64_t> pt_vie;
    for (const world::vaisseau& v : monde.vaisseaux) pt_vie.push_back(v.pt_vie);
    EXPECT_EQ(pt_vie, c.pt_vie_attendus) << c.nom;
    EXPECT_EQ(monde.balles.taille(), c.balles_restantes) << c.nom;
  }
}

TEST(MiseAJourBalles, AOneLifeShipHitTwiceIsRemovedByTheFirstBullet) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(600, 600, 2), vaisseau_en(300, 300, 1, 0.0, 0.0, 1)});
  // Both bullets end 5 from ship 1; the older one is the second in list order.
  ajoute_balles(monde, {{296.5, 305.0, 0.0, 7}, {296.5, 295.0, 0.0, 8}});
  passe_des_balles(monde);
  ASSERT_EQ(monde.vaisseaux.taille(), 1u);
  EXPECT_EQ(monde.vaisseaux[0].id, 2);
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 5);
  // The second bullet, tested against the new list, flies on.
  ASSERT_EQ(monde.balles.taille(), 1u);
  EXPECT_EQ(monde.balles[0].id, 7);
  EXPECT_EQ(monde.balles[0].x, 300.0);
}

TEST(MiseAJourBalles, TheSecondBulletHitsTheNextShipInRangeOnceTheFirstIsGone) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(300, 290, 2), vaisseau_en(300, 300, 1, 0.0, 0.0, 1)});
  ajoute_balles(monde, {{296.5, 296.0, 0.0, 7}, {296.5, 295.0, 0.0, 8}});
  passe_des_balles(monde);
  ASSERT_EQ(monde.vaisseaux.taille(), 1u);
  EXPECT_EQ(monde.vaisseaux[0].id, 2);
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 4);
  EXPECT_TRUE(monde.balles.vide());
}

// Spawn never lets two ships share a colour, but the removal rule does not
// depend on it: the ship that goes is the first of that colour in the list.
TEST(MiseAJourBalles, ALastHitRemovesTheFirstShipOfThatColourInTheList) {
  struct Cas {
    const char* nom;
    std::vector<world::balle> balles;  // oldest first, each ending near the ship at (300, 300)
    std::vector<std::int64_t> pt_vie_attendus;  // head first
  };
  const Cas cas[] = {
      {"one hit: the far ship of the same colour goes", {{296.5, 295.0, 0.0, 9}}, {5, 0}},
      {"a second hit: then the hit ship goes",
       {{296.5, 295.0, 0.0, 9}, {296.5, 305.0, 0.0, 9}},
       {5}},
  };
  for (const Cas& c : cas) {
    world::Monde monde(1);
    ajoute_vaisseaux(monde, {vaisseau_en(300, 300, 4, 0.0, 0.0, 1), vaisseau_en(600, 600, 5),
                             vaisseau_en(900, 900, 4)});
    for (const world::balle& b : c.balles) monde.balles.ajoute_en_tete(b);
    passe_des_balles(monde);
    std::vector<std::int64_t> pt_vie;
    for (const world::vaisseau& v : monde.vaisseaux) pt_vie.push_back(v.pt_vie);
    EXPECT_EQ(pt_vie, c.pt_vie_attendus) << c.nom;
    EXPECT_EQ(monde.vaisseaux[0].id, 5) << c.nom;
    EXPECT_TRUE(monde.balles.vide()) << c.nom;
  }
}

TEST(MiseAJourBalles, AFreshBulletDoesNotHitItsShooter) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(700, 700, 3, 0.7)});
  simulation::traite_action_joueur(monde, 3, simulation::action::Tire);
  passe_des_balles(monde);
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 5);
  ASSERT_EQ(monde.balles.taille(), 1u);
  // 12.6 from the centre at firing, then 3.5 further.
  const double dx = monde.balles[0].x - 700.0, dy = monde.balles[0].y - 700.0;
  EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 16.1, 1e-9);
}

TEST(MiseAJourBalles, BulletsOutliveTheirShipAndStillHit) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(300, 300, 1), vaisseau_en(400, 300, 2)});
  simulation::traite_action_joueur(monde, 1, simulation::action::Tire);
  simulation::detruit_vaisseau(monde, 1);
  int ticks = 0;
  while (monde.vaisseaux[0].pt_vie == 5 && ticks < 100) {
    passe_des_balles(monde);
    ++ticks;
  }
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 4);
  EXPECT_TRUE(monde.balles.vide());
  // From x = 312.6 the bullet must come within 13 of x = 400.
  EXPECT_EQ(ticks, 22);
}

TEST(DetruitVaisseau, RemovesTheFirstShipOfThatColourKeepingTheOthersInOrder) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(100, 100, 1), vaisseau_en(200, 100, 2),
                           vaisseau_en(300, 100, 3), vaisseau_en(400, 100, 4)});
  ajoute_balles(monde, {{50.0, 50.0, 0.0, 2}});
  simulation::detruit_vaisseau(monde, 2);
  std::vector<std::int64_t> ids;
  for (const world::vaisseau& v : monde.vaisseaux) ids.push_back(v.id);
  EXPECT_EQ(ids, (std::vector<std::int64_t>{4, 3, 1}));
  EXPECT_EQ(monde.balles.taille(), 1u);
  const std::vector<world::vaisseau> avant = en_ordre(monde.vaisseaux);
  simulation::detruit_vaisseau(monde, 99);
  EXPECT_EQ(en_ordre(monde.vaisseaux), avant);
}

}  // namespace
