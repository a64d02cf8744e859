#include "simulation/actions.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "simulation/balles.h"
#include "simulation/monde_de_test.h"

namespace {

// The floating-point sum of `n` steps of 0.05 from `depart`.
double pas_cumules(double depart, double pas, int n) {
  double v = depart;
  for (int k = 0; k < n; ++k) v = v + pas;
  return v;
}

struct CasVitesse {
  const char* nom;
  double depart;
  simulation::action a;
  int repetitions;
  double attendue;
};

TEST(TraiteActionJoueur, SpeedStepsStopExactlyAtTheirBounds) {
  const CasVitesse cas[] = {
      {"60 accelerations from rest", 0.0, simulation::action::Accelere, 60,
       pas_cumules(0.0, 0.05, 60)},
      {"61 accelerations from rest", 0.0, simulation::action::Accelere, 61, 3.0},
      {"100 accelerations from rest", 0.0, simulation::action::Accelere, 100, 3.0},
      {"acceleration from 2.98", 2.98, simulation::action::Accelere, 1, 3.0},
      {"acceleration from 1.0", 1.0, simulation::action::Accelere, 1, 1.0 + 0.05},
      {"39 decelerations from rest", 0.0, simulation::action::Decelere, 39,
       pas_cumules(0.0, -0.05, 39)},
      {"40 decelerations from rest", 0.0, simulation::action::Decelere, 40, -2.0},
      {"70 decelerations from rest", 0.0, simulation::action::Decelere, 70, -2.0},
      {"deceleration from -1.98", -1.98, simulation::action::Decelere, 1, -2.0},
  };
  // The sixty-step sum stays just under the cap; the fortieth deceleration
  // would go just under the floor.
  ASSERT_LT(pas_cumules(0.0, 0.05, 60), 3.0);
  ASSERT_GT(pas_cumules(0.0, 0.05, 61), 3.0);
  ASSERT_LT(pas_cumules(0.0, -0.05, 40), -2.0);
  for (const CasVitesse& c : cas) {
    world::Monde monde(1);
    ajoute_vaisseaux(monde, {vaisseau_en(300.0, 300.0, 7, 0.0, c.depart)});
    for (int k = 0; k < c.repetitions; ++k) simulation::traite_action_joueur(monde, 7, c.a);
    EXPECT_EQ(monde.vaisseaux[0].vitesse, c.attendue) << c.nom;
    EXPECT_EQ(monde.vaisseaux[0].angle, 0.0) << c.nom;
  }
}

TEST(TraiteActionJoueur, TurnsAccumulateWithoutWrapping) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(300.0, 300.0, 7)});
  for (int k = 0; k < 126; ++k)
    simulation::traite_action_joueur(monde, 7, simulation::action::Gauche);
  EXPECT_NEAR(monde.vaisseaux[0].angle, 6.3, 1e-9);
  EXPECT_EQ(monde.vaisseaux[0].angle, pas_cumules(0.0, 0.05, 126));
  for (int k = 0; k < 300; ++k)
    simulation::traite_action_joueur(monde, 7, simulation::action::Droite);
  EXPECT_NEAR(monde.vaisseaux[0].angle, 6.3 - 15.0, 1e-9);
  EXPECT_EQ(monde.vaisseaux[0].vitesse, 0.0);
}

TEST(TraiteActionJoueur, FireAddsABulletAtTheHeadInFrontOfTheShip) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(100.0, 200.0, 7), vaisseau_en(600.0, 600.0, 8)});
  ajoute_balles(monde, {world::balle{50.0, 50.0, 1.0, 8}});
  simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  ASSERT_EQ(monde.balles.taille(), 2u);
  EXPECT_EQ(monde.balles[0], (world::balle{112.6, 200.0, 0.0, 7}));
  EXPECT_EQ(monde.balles[1], (world::balle{50.0, 50.0, 1.0, 8}));
  // A second shot from the same place: a second bullet at the same point.
  simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  ASSERT_EQ(monde.balles.taille(), 3u);
  EXPECT_EQ(monde.balles[0], monde.balles[1]);
  // Turning afterwards leaves the bullets' headings alone.
  simulation::traite_action_joueur(monde, 7, simulation::action::Gauche);
  EXPECT_EQ(monde.balles[0].angle, 0.0);
  EXPECT_EQ(monde.vaisseaux[1].angle, 0.05);
}

TEST(TraiteActionJoueur, FireAlongAHeadingUsesItsCosineAndSine) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(400.0, 500.0, 3, 2.0, 1.5)});
  simulation::traite_action_joueur(monde, 3, simulation::action::Tire);
  ASSERT_EQ(monde.balles.taille(), 1u);
  EXPECT_NEAR(monde.balles[0].x, 400.0 + 12.6 * std::cos(2.0), 1e-12);
  EXPECT_NEAR(monde.balles[0].y, 500.0 + 12.6 * std::sin(2.0), 1e-12);
  EXPECT_EQ(monde.balles[0].angle, 2.0);
  EXPECT_EQ(monde.balles[0].id, 3);
}

TEST(TraiteActionJoueur, NoBulletBeyondTheCapOfBulletsInFlightPerColour) {
  const std::size_t cap = config::max_balles_par_vaisseau;
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(100.0, 200.0, 7), vaisseau_en(600.0, 600.0, 8)});
  for (std::size_t k = 0; k < cap - 1; ++k)
    simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  simulation::traite_action_joueur(
      monde, 8, simulation::action::Tire);  // another colour's bullet does not count
  ASSERT_EQ(monde.balles.taille(), cap);
  simulation::traite_action_joueur(monde, 7, simulation::action::Tire);  // the last one allowed
  ASSERT_EQ(monde.balles.taille(), cap + 1);
  const std::vector<world::balle> avant = en_ordre(monde.balles);
  simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  EXPECT_EQ(en_ordre(monde.balles), avant);
  // The other colour may still fire, and the capped ship may still steer.
  simulation::traite_action_joueur(monde, 8, simulation::action::Tire);
  EXPECT_EQ(monde.balles.taille(), cap + 2);
  simulation::traite_action_joueur(monde, 7, simulation::action::Accelere);
  EXPECT_EQ(monde.vaisseaux[1].vitesse, 0.05);
}

TEST(TraiteActionJoueur, BulletsThatLeavePlayGiveTheirRoomUnderTheCapBack) {
  const std::size_t cap = config::max_balles_par_vaisseau;
  world::Monde monde(1);
  // Facing the left edge from x = 15: each bullet leaves the board in its first move.
  ajoute_vaisseaux(monde, {vaisseau_en(15.0, 700.0, 7, std::numbers::pi)});
  for (std::size_t k = 0; k < cap + 5; ++k)
    simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  ASSERT_EQ(monde.balles.taille(), cap);
  EXPECT_EQ(monde.balles.en_vol(7), cap);
  simulation::mise_a_jour_balles(monde);
  EXPECT_TRUE(monde.balles.vide());
  EXPECT_EQ(monde.balles.en_vol(7), 0u);
  for (std::size_t k = 0; k < cap; ++k)
    simulation::traite_action_joueur(monde, 7, simulation::action::Tire);
  EXPECT_EQ(monde.balles.taille(), cap);
}

TEST(TraiteActionJoueur, AColourWithoutAShipChangesNothingAndDoesNotThrow) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(100.0, 200.0, 7, 0.5, 1.0)});
  ajoute_balles(monde, {world::balle{50.0, 50.0, 1.0, 7}});
  const std::vector<world::vaisseau> vaisseaux = en_ordre(monde.vaisseaux);
  const std::vector<world::balle> balles = en_ordre(monde.balles);
  for (simulation::action a :
       {simulation::action::Tire, simulation::action::Gauche, simulation::action::Droite,
        simulation::action::Accelere, simulation::action::Decelere, simulation::action::Quitte})
    EXPECT_NO_THROW(simulation::traite_action_joueur(monde, 99, a));
  EXPECT_EQ(en_ordre(monde.vaisseaux), vaisseaux);
  EXPECT_EQ(en_ordre(monde.balles), balles);
  EXPECT_NO_THROW(simulation::traite_action_joueur(monde, 7, simulation::action::Quitte));
  EXPECT_EQ(en_ordre(monde.vaisseaux), vaisseaux);
}

TEST(TraiteActionJoueur, ActsOnTheShipOfThatColourOnly) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(100.0, 200.0, 7), vaisseau_en(300.0, 200.0, 8),
                           vaisseau_en(500.0, 200.0, 9)});
  simulation::traite_action_joueur(monde, 8, simulation::action::Accelere);
  simulation::traite_action_joueur(monde, 8, simulation::action::Droite);
  EXPECT_EQ(monde.vaisseaux[1].vitesse, 0.05);
  EXPECT_EQ(monde.vaisseaux[1].angle, -0.05);
  EXPECT_EQ(monde.vaisseaux[0], vaisseau_en(500.0, 200.0, 9));
  EXPECT_EQ(monde.vaisseaux[2], vaisseau_en(100.0, 200.0, 7));
}

}  // namespace
