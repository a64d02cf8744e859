#include "tick/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "simulation/monde_de_test.h"
#include "world/chien_de_garde.h"
#include "world/echec.h"

namespace {

using namespace std::chrono_literals;

// Whether another thread can take the lock within a generous delay. The
// helper thread is detached so that a lock left held fails the test instead
// of hanging it.
//
// A tick that leaves its lock held makes the next tick of the same thread
// wait forever: the tests that tick again run under a watchdog, whose delay
// is longer than this one so that an assertion reports the fault when it can.
bool verrou_libre(world::Verrou& verrou) {
  auto pris = std::make_shared<std::promise<void>>();
  std::future<void> signal = pris->get_future();
  std::thread([&verrou, pris] {
    verrou.lock();
    verrou.unlock();
    pris->set_value();
  }).detach();
  return signal.wait_for(2s) == std::future_status::ready;
}

TEST(Tick, ReleasesTheLock) {
  const ChienDeGarde garde(5s);
  auto monde = monde_avec_cubes(4);
  ajoute_vaisseaux(*monde, {vaisseau_en(700, 700, 1, 0.3, 2.0)});
  ajoute_balles(*monde, {{650.0, 700.0, 0.0, 1}});
  tick::tick(*monde);
  ASSERT_TRUE(verrou_libre(monde->verrou));
  tick::tick(*monde);
  EXPECT_TRUE(verrou_libre(monde->verrou));
}

TEST(Tick, AFailureInAnUpdateIsReportedAndTheNextTickRuns) {
  const ChienDeGarde garde(5s);
  auto monde = monde_avec_cubes(4);
  ajoute_balles(*monde, {{100.0, 100.0, 0.0, 1}});
  testing::internal::CaptureStderr();
  tick::tick(*monde,
             [](world::Monde&) { throw world::Echec("mise_a_jour_balles : panne de test"); });
  tick::tick(*monde, [](world::Monde&) { throw 42; });
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "mise_a_jour : mise_a_jour_balles : panne de test\n"
            "mise_a_jour : echec inconnu\n");
  ASSERT_TRUE(verrou_libre(monde->verrou));
  tick::tick(*monde);  // the world goes on as usual
  ASSERT_EQ(monde->balles.taille(), 1u);
  EXPECT_EQ(monde->balles[0].x, 103.5);
}

TEST(Tick, AnEmptyWorldStaysEmpty) {
  const ChienDeGarde garde(5s);
  auto monde = monde_avec_cubes(4);
  for (int k = 0; k < 10; ++k) tick::tick(*monde);
  EXPECT_TRUE(monde->vaisseaux.vide());
  EXPECT_TRUE(monde->balles.vide());
  EXPECT_EQ(monde->cubes.size(), 200u);
  EXPECT_TRUE(verrou_libre(monde->verrou));
}

TEST(Tick, ABulletLeavingTheBoardIsGoneBeforeTheHitTest) {
  world::Monde monde(1);
  // After its move the bullet is at x = 1404.5, off the board (1404.5 + 4 >=
  // 1408) but only 8.5 from the ship's centre.
  ajoute_vaisseaux(monde, {vaisseau_en(1396.0, 700.0, 1)});
  ajoute_balles(monde, {{1401.0, 700.0, 0.0, 2}});
  tick::tick(monde);
  EXPECT_TRUE(monde.balles.vide());
  ASSERT_EQ(monde.vaisseaux.taille(), 1u);
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 5);
}

TEST(Tick, BulletsHitBeforeShipsMove) {
  world::Monde monde(1);
  // The ship drives out of range this tick, but is hit where it stood.
  ajoute_vaisseaux(monde, {vaisseau_en(300.0, 300.0, 1, 0.0, 3.0)});
  ajoute_balles(monde, {{284.0, 300.0, 0.0, 2}});  // ends 12.5 from the ship
  tick::tick(monde);
  EXPECT_TRUE(monde.balles.vide());
  EXPECT_EQ(monde.vaisseaux[0].pt_vie, 4);
  EXPECT_EQ(monde.vaisseaux[0].x, 303.0);
}

TEST(Tick, AShipDestroyedByABulletNoLongerBlocksTheShipPass) {
  world::Monde monde(1);
  // Ship 2's straight move to x = 283 would come 17 from ship 1, which the
  // bullet removes first.
  ajoute_vaisseaux(
      monde, {vaisseau_en(280.0, 300.0, 2, 0.0, 3.0), vaisseau_en(300.0, 300.0, 1, 0.0, 0.0, 1)});
  ajoute_balles(monde, {{301.5, 300.0, 0.0, 2}});  // ends 5 from ship 1, 25 from ship 2
  tick::tick(monde);
  ASSERT_EQ(monde.vaisseaux.taille(), 1u);
  EXPECT_EQ(monde.vaisseaux[0].id, 2);
  EXPECT_EQ(monde.vaisseaux[0].x, 283.0);
  EXPECT_EQ(monde.vaisseaux[0].y, 300.0);
}

}  // namespace
