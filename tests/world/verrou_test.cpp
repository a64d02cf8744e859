#include "world/verrou.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "world/chien_de_garde.h"

namespace {

using namespace std::chrono_literals;

// A lock that is never released, or a tick gate that never reopens, leaves
// these tests waiting forever: the watchdog ends them within seconds.
TEST(Verrou, ExcludesEveryOtherHolder) {
  const ChienDeGarde garde(5s);
  world::Verrou verrou;
  long compteur = 0;  // guarded by verrou, deliberately not atomic
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        std::lock_guard tenu(verrou);
        ++compteur;
      }
    });
  threads.emplace_back([&] {
    for (int i = 0; i < 2000; ++i) {
      world::VerrouTick tenu(verrou);
      ++compteur;
    }
  });
  for (auto& t : threads) t.join();
  EXPECT_EQ(compteur, 4 * 20000 + 2000);
}

TEST(Verrou, TheTickGetsInWhileClientsHammerTheLock) {
  const ChienDeGarde garde(10s);  // two seconds of hammering, then the joins
  world::Verrou verrou;
  std::atomic<bool> fini{false};
  std::vector<std::thread> clients;
  for (int t = 0; t < 8; ++t)
    clients.emplace_back([&] {
      while (!fini) {
        std::lock_guard tenu(verrou);
        std::this_thread::sleep_for(50us);
      }
    });
  int ticks = 0;
  const auto fin = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < fin) {
    world::VerrouTick tenu(verrou);
    ++ticks;
  }
  fini = true;
  for (auto& t : clients) t.join();
  // Generous: a starved tick would manage a handful in two seconds.
  EXPECT_GT(ticks, 40);
}

}  // namespace
