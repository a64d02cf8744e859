#include "synchro/mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct Drapeau {
  synchro::Mutex mutex;
  synchro::Condition change;
  bool leve GUARDED_BY(mutex) = false;

  void leve_et_reveille() {
    {
      synchro::MutexTenu tenu(mutex);
      leve = true;
    }
    change.reveille_tous();
  }
};

// Each way of waiting, woken by another thread that raises the flag, and
// holding the mutex again on return: the waiter reads the flag under it.
TEST(Condition, ChaqueAttenteRevientAvecLeMutex) {
  using Attente = bool (*)(Drapeau&);
  const Attente attentes[] = {
      [](Drapeau& d) {
        synchro::MutexTenu tenu(d.mutex);
        d.change.attend(d.mutex, [&]() REQUIRES(d.mutex) { return d.leve; });
        return d.leve;
      },
      [](Drapeau& d) {
        synchro::MutexTenu tenu(d.mutex);
        return d.change.attend_pendant(d.mutex, 30s, [&]() REQUIRES(d.mutex) { return d.leve; }) &&
               d.leve;
      },
      [](Drapeau& d) {
        synchro::MutexTenu tenu(d.mutex);
        while (!d.leve) d.change.attend_pendant(d.mutex, 10ms);
        return d.leve;
      },
  };
  for (const Attente attente : attentes) {
    Drapeau drapeau;
    auto resultat = std::async(std::launch::async, attente, std::ref(drapeau));
    std::this_thread::sleep_for(20ms);
    drapeau.leve_et_reveille();
    ASSERT_EQ(resultat.wait_for(30s), std::future_status::ready);
    EXPECT_TRUE(resultat.get());
    // The waiter gave the mutex back when it returned.
    synchro::MutexTenu tenu(drapeau.mutex);
    EXPECT_TRUE(drapeau.leve);
  }
}

TEST(Condition, FauxApresLeDelaiSansReveil) {
  Drapeau drapeau;
  synchro::MutexTenu tenu(drapeau.mutex);
  const auto debut = std::chrono::steady_clock::now();
  EXPECT_FALSE(drapeau.change.attend_pendant(
      drapeau.mutex, 50ms, [&]() REQUIRES(drapeau.mutex) { return drapeau.leve; }));
  EXPECT_GE(std::chrono::steady_clock::now() - debut, 50ms);
}

// After relache, another thread takes the mutex while the hold still exists.
TEST(MutexTenu, RelacheRendLeMutexAvantLaFin) {
  Drapeau drapeau;
  synchro::MutexTenu tenu(drapeau.mutex);
  tenu.relache();
  auto autre = std::async(std::launch::async, [&] { drapeau.leve_et_reveille(); });
  EXPECT_EQ(autre.wait_for(30s), std::future_status::ready);
}

}  // namespace
