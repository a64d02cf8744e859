#include "simulation/spawn.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/monde_de_test.h"

namespace {

TEST(CreeVaisseau, AColourInUseIsRefusedWithoutDrawingOrChangingAnything) {
  world::Monde monde(5);
  ajoute_vaisseaux(monde, {vaisseau_en(100.0, 100.0, 7), vaisseau_en(300.0, 300.0, 8, 1.0, 2.0)});
  const std::vector<world::vaisseau> avant = en_ordre(monde.vaisseaux);
  const world::Alea alea_avant = monde.alea;
  EXPECT_EQ(simulation::cree_vaisseau(monde, 8), simulation::Spawn::CouleurUtilisee);
  EXPECT_EQ(simulation::cree_vaisseau(monde, 7), simulation::Spawn::CouleurUtilisee);
  EXPECT_EQ(en_ordre(monde.vaisseaux), avant);
  EXPECT_TRUE(monde.alea == alea_avant);
}

TEST(CreeVaisseau, TheNewShipIsTheHeadAtRestWithFullLifeAndAHeadingBelow628) {
  for (std::uint64_t graine = 1; graine <= 40; ++graine) {
    auto monde = monde_avec_cubes(graine);
    ajoute_vaisseaux(*monde, {vaisseau_en(700.0, 700.0, 1)});
    ASSERT_EQ(simulation::cree_vaisseau(*monde, 0xff0000), simulation::Spawn::Cree);
    ASSERT_EQ(monde->vaisseaux.taille(), 2u);
    const world::vaisseau& v = monde->vaisseaux[0];
    EXPECT_EQ(v.id, 0xff0000);
    EXPECT_EQ(v.vitesse, 0.0);
    EXPECT_EQ(v.pt_vie, 5);
    EXPECT_GE(v.angle, 0.0);
    EXPECT_LT(v.angle, 6.28);
    EXPECT_GE(v.x, 9.0);
    EXPECT_LT(v.x, 1398.0);
    EXPECT_GE(v.y, 9.0);
    EXPECT_LT(v.y, 1398.0);
    EXPECT_EQ(monde->vaisseaux[1], vaisseau_en(700.0, 700.0, 1));
  }
}

TEST(CreeVaisseau, DrawsTheHeadingOnceThenXBeforeY) {
  // With no cube and no other ship the first candidate is free.
  world::Monde monde(99);
  world::Alea rejeu = monde.alea;
  const double angle = 6.28 * world::tirage_unitaire(rejeu);
  const double x = world::tirage_unitaire(rejeu) * 1390.0 + 9.0;
  const double y = world::tirage_unitaire(rejeu) * 1390.0 + 9.0;
  ASSERT_EQ(simulation::cree_vaisseau(monde, 4), simulation::Spawn::Cree);
  EXPECT_EQ(monde.vaisseaux[0], (world::vaisseau{x, y, angle, 0.0, 5, 4}));
  EXPECT_TRUE(monde.alea == rejeu);
}

TEST(CreeVaisseau, NeverOverlapsAShipOrACube) {
  auto monde = monde_avec_cubes(3);
  for (std::int64_t id = 1; id <= 150; ++id)
    ASSERT_EQ(simulation::cree_vaisseau(*monde, id), simulation::Spawn::Cree);
  const std::vector<world::vaisseau> vaisseaux = en_ordre(monde->vaisseaux);
  for (std::size_t a = 0; a < vaisseaux.size(); ++a) {
    EXPECT_EQ(vaisseaux[a].id, static_cast<std::int64_t>(vaisseaux.size() - a));  // newest first
    for (std::size_t b = a + 1; b < vaisseaux.size(); ++b) {
      const double dx = vaisseaux[a].x - vaisseaux[b].x;
      const double dy = vaisseaux[a].y - vaisseaux[b].y;
      EXPECT_GE(dx * dx + dy * dy, 18.0 * 18.0);
    }
    for (const world::cube& k : monde->cubes) {
      // The centre is outside the cube and the disc clear of its collision faces.
      const bool dedans = k.x_min <= vaisseaux[a].x && vaisseaux[a].x <= k.x_max &&
                          k.y_min <= vaisseaux[a].y && vaisseaux[a].y <= k.y_max;
      EXPECT_FALSE(dedans);
    }
  }
}

TEST(CreeVaisseau, AFullBoardGivesUpAfterTheBoundedNumberOfCandidates) {
  world::Monde monde(11);
  for (int i = 0; i < 64; ++i)
    for (int j = 0; j < 64; ++j) place_cube(monde, {i, j});
  ajoute_vaisseaux(monde, {vaisseau_en(700.0, 700.0, 1)});
  const std::vector<world::vaisseau> avant = en_ordre(monde.vaisseaux);
  for (int essais : {1, 50, config::essais_spawn_par_verrou}) {
    world::Alea rejeu = monde.alea;
    EXPECT_EQ(simulation::cree_vaisseau(monde, 2, essais), simulation::Spawn::PasDePlace);
    EXPECT_EQ(en_ordre(monde.vaisseaux), avant);
    // One heading, then an x and a y for each candidate, and no more.
    for (int k = 0; k < 1 + 2 * essais; ++k) world::tirage_unitaire(rejeu);
    EXPECT_TRUE(monde.alea == rejeu) << essais << " candidates";
  }
  world::Alea rejeu = monde.alea;
  EXPECT_EQ(simulation::cree_vaisseau(monde, 2),
            simulation::Spawn::PasDePlace);  // the default bound
  for (int k = 0; k < 1 + 2 * config::essais_spawn_par_verrou; ++k) world::tirage_unitaire(rejeu);
  EXPECT_TRUE(monde.alea == rejeu);
}

TEST(CreeVaisseau, ABoardCrowdedWithShipsAlsoGivesUp) {
  // Ships 18 apart in a square lattice leave no room for a disc of radius 9.
  world::Monde monde(12);
  std::int64_t id = 1;
  for (double x = 9.0; x < 1398.0; x += 18.0)
    for (double y = 9.0; y < 1398.0; y += 18.0)
      monde.vaisseaux.ajoute_en_tete(vaisseau_en(x, y, id++));
  const std::size_t avant = monde.vaisseaux.taille();
  EXPECT_EQ(simulation::cree_vaisseau(monde, 0, 200), simulation::Spawn::PasDePlace);
  EXPECT_EQ(monde.vaisseaux.taille(), avant);
}

// Candidates are drawn in [9, 1399): the high edge at exactly 1398 is within
// reach of a draw but of no random test.
TEST(PositionLibre, TheBoardEdgeIsClearFrom9AndUpTo1398Excluded) {
  world::Monde monde(1);
  monde.index_vaisseaux.reconstruit(monde.vaisseaux);
  const double sous_9 = std::nextafter(9.0, 0.0);
  const double sous_1398 = std::nextafter(1398.0, 0.0);
  const struct {
    double x, y;
    bool libre;
  } cas[] = {
      {9.0, 700.0, true}, {sous_9, 700.0, false}, {sous_1398, 700.0, true}, {1398.0, 700.0, false},
      {700.0, 9.0, true}, {700.0, sous_9, false}, {700.0, sous_1398, true}, {700.0, 1398.0, false},
  };
  for (const auto& c : cas)
    EXPECT_EQ(simulation::position_libre(monde, c.x, c.y, 1), c.libre) << c.x << ", " << c.y;
}

}  // namespace
