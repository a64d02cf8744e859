#include "simulation/mouvement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "simulation/comparaison.h"
#include "simulation/monde_de_test.h"
#include "simulation/oracle.h"

namespace {

// The ship pass, with the reference pass run on a copy alongside: the worked
// cases below also pin the reference down.
void passe_des_vaisseaux(world::Monde& monde) {
  oracle::Monde reference = oracle::copie(monde);
  simulation::mise_a_jour_vaisseaux(monde);
  oracle::mise_a_jour_vaisseaux(reference);
  EXPECT_TRUE(memes_vaisseaux_et_balles(monde, reference));
}

struct Position {
  double x, y;
};

struct CasMouvement {
  const char* nom;
  std::vector<Case> cubes;
  world::vaisseau depart;
  int ticks;
  Position attendue;
};

TEST(MiseAJourVaisseaux, StraightMovesBlocksAndDeflections) {
  const CasMouvement cas[] = {
      {"at rest it stays", {}, vaisseau_en(300.5, 400.25, 1, 1.0, 0.0), 1, {300.5, 400.25}},
      {"free straight move", {}, vaisseau_en(300.0, 400.0, 1, 0.0, 2.5), 2, {305.0, 400.0}},
      {"blocked below 0.5 it stays",
       {},
       vaisseau_en(1397.9, 700.0, 1, 0.0, 0.4),
       1,
       {1397.9, 700.0}},
      {"blocked backwards below 0.5 it stays",
       {},
       vaisseau_en(9.2, 700.0, 1, 0.0, -0.4),
       1,
       {9.2, 700.0}},
      {"slides along the right edge",
       {},
       vaisseau_en(1396.0, 700.0, 1, 0.0, 3.0),
       1,
       {1397.0, 697.0}},
      {"keeps sliding by 3 a tick",
       {},
       vaisseau_en(1396.0, 700.0, 1, 0.0, 3.0),
       3,
       {1397.0, 691.0}},
      // Candidates at x = 8 are off the board; x = 9 touches the edge, which is allowed.
      {"blocked backwards it deflects backwards",
       {},
       vaisseau_en(10.0, 700.0, 1, 0.0, -2.0),
       1,
       {9.0, 698.0}},
      // The face at x = 220 is touched at 9.0; the best free offset is one unit forward.
      {"deflected by a cube face",
       {{10, 10}},
       vaisseau_en(209.0, 230.0, 1, 0.0, 2.0),
       1,
       {210.0, 228.0}},
      {"stopped by a cube at low speed",
       {{10, 10}},
       vaisseau_en(210.8, 230.0, 1, 0.0, 0.3),
       1,
       {210.8, 230.0}},
      {"the cube's far faces are 21 units in",
       {{10, 10}},
       vaisseau_en(251.0, 230.0, 1, std::numbers::pi, 0.5),
       1,
       {251.0 - 0.5, 230.0 + 0.5 * std::sin(std::numbers::pi)}},
  };
  for (const CasMouvement& c : cas) {
    world::Monde monde(1);
    for (Case k : c.cubes) place_cube(monde, k);
    ajoute_vaisseaux(monde, {c.depart});
    for (int t = 0; t < c.ticks; ++t) passe_des_vaisseaux(monde);
    const world::vaisseau& v = monde.vaisseaux[0];
    EXPECT_EQ(v.x, c.attendue.x) << c.nom;
    EXPECT_EQ(v.y, c.attendue.y) << c.nom;
    // Collisions never change speed, heading or life points.
    EXPECT_EQ(v.vitesse, c.depart.vitesse) << c.nom;
    EXPECT_EQ(v.angle, c.depart.angle) << c.nom;
    EXPECT_EQ(v.pt_vie, c.depart.pt_vie) << c.nom;
  }
}

TEST(MiseAJourVaisseaux, HeadOnShipsNeverEndAMoveCloserThanEighteen) {
  for (double vitesse : {3.0, 2.0, 1.0, 0.3}) {
    world::Monde monde(1);
    ajoute_vaisseaux(monde, {vaisseau_en(500.0, 700.0, 1, 0.0, vitesse),
                             vaisseau_en(600.0, 700.0, 2, std::numbers::pi, vitesse)});
    double plus_proches = 1e9;
    for (int t = 0; t < 200; ++t) {
      passe_des_vaisseaux(monde);
      const world::vaisseau& a = monde.vaisseaux[0];
      const world::vaisseau& b = monde.vaisseaux[1];
      const double d2 = (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
      ASSERT_GE(d2, 18.0 * 18.0) << "speed " << vitesse << ", tick " << t;
      plus_proches = std::min(plus_proches, std::sqrt(d2));
      EXPECT_EQ(a.pt_vie, 5);
      EXPECT_EQ(b.pt_vie, 5);
    }
    // They did meet.
    EXPECT_LT(plus_proches, 21.0) << "speed " << vitesse;
  }
}

TEST(MiseAJourVaisseaux, ALaterShipSeesTheNewPositionOfAnEarlierOne) {
  world::Monde monde(1);
  // The head moves first, from x = 500 to 503. The older ship's straight move
  // to x = 519.5 is 19.5 from where the head was but 16.5 from where it is.
  ajoute_vaisseaux(monde, {vaisseau_en(522.5, 700.0, 2, std::numbers::pi, 3.0),
                           vaisseau_en(500.0, 700.0, 1, 0.0, 3.0)});
  passe_des_vaisseaux(monde);
  const world::vaisseau& tete = monde.vaisseaux[0];
  const world::vaisseau& autre = monde.vaisseaux[1];
  EXPECT_EQ(tete.x, 503.0);
  EXPECT_EQ(tete.y, 700.0);
  // Deflected instead: one unit forward, the only free forward offset.
  EXPECT_EQ(autre.x, 521.5);
  const double d2 =
      (tete.x - autre.x) * (tete.x - autre.x) + (tete.y - autre.y) * (tete.y - autre.y);
  EXPECT_GE(d2, 18.0 * 18.0);
}

TEST(MiseAJourVaisseaux, HasInterMajIsCubeOrEdgeOrAnotherShip) {
  world::Monde monde(1);
  place_cube(monde, {10, 10});
  ajoute_vaisseaux(monde, {vaisseau_en(700.0, 700.0, 1), vaisseau_en(718.0, 700.0, 2)});
  world::IndexVaisseaux index;
  index.reconstruit(monde.vaisseaux);
  const geometry::Faces faces = geometry::get_cube_inter_segments(monde.grille, 215.0, 230.0);
  EXPECT_TRUE(simulation::has_inter_maj(211.0, 230.0, 1, faces, index));  // cube face at 9.0
  EXPECT_FALSE(simulation::has_inter_maj(210.9, 230.0, 1, faces, index));
  EXPECT_TRUE(simulation::has_inter_maj(1398.0, 500.0, 1, geometry::Faces{}, index));  // edge
  EXPECT_FALSE(
      simulation::has_inter_maj(700.0, 700.0, 1, geometry::Faces{}, index));  // 18.0 from ship 2
  EXPECT_TRUE(
      simulation::has_inter_maj(700.5, 700.0, 1, geometry::Faces{}, index));  // 17.5 from ship 2
  EXPECT_FALSE(
      simulation::has_inter_maj(718.0, 700.0, 2, geometry::Faces{}, index));  // its own place
}

TEST(TryBestMove, OfTwoCandidatesThatTieTheFirstInScanOrderWins) {
  // Heading pi/4 at speed 1.5: offsets (1, 2) and (2, 1) score the same to
  // the bit, and (2, 2), the only better one, is 17.7 from ship 2.
  world::vaisseau v = vaisseau_en(700.0, 700.0, 1, std::numbers::pi / 4.0, 1.5);
  const double dx = cosinus(v.angle) * v.vitesse;
  const double dy = sinus(v.angle) * v.vitesse;
  ASSERT_EQ(2 * dy + 1 * dx, 1 * dy + 2 * dx);
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(714.5, 714.5, 2)});
  world::IndexVaisseaux index;
  index.reconstruit(monde.vaisseaux);
  simulation::try_best_move(v, geometry::Faces{}, index);
  // Columns come first in the scan (x offset -n to n, then y): (1, 2) before (2, 1).
  EXPECT_EQ(v.x, 701.0);
  EXPECT_EQ(v.y, 702.0);
}

}  // namespace
