// A steady tick allocates nothing: the lists are rebuilt in place and the
// indexes reuse their storage. This program replaces the global operator new
// with one that counts, and so runs apart from the other tests.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>

#include "geometry/cubes.h"
#include "simulation/actions.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

std::atomic<long> allocations{0};

void* alloue(std::size_t taille) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(taille == 0 ? 1 : taille);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* alloue_aligne(std::size_t taille, std::align_val_t alignement) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  const auto a = static_cast<std::size_t>(alignement);
  void* p = std::aligned_alloc(a, (taille + a) / a * a);  // a whole, non-zero number of a
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

// The one place where new and delete are written by hand: counting needs it.
void* operator new(std::size_t taille) { return alloue(taille); }
void* operator new[](std::size_t taille) { return alloue(taille); }
void* operator new(std::size_t taille, std::align_val_t a) { return alloue_aligne(taille, a); }
void* operator new[](std::size_t taille, std::align_val_t a) { return alloue_aligne(taille, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

// What the ticks did, and what they allocated; what players do between
// ticks (steer, fire, come back after their ship was destroyed) is not counted.
struct Releve {
  long allocations = 0;
  long balles_retirees = 0;
  long vaisseaux_detruits = 0;
};

class Partie {
 public:
  Partie() : monde_(std::make_unique<world::Monde>(77)), joueurs_(77) {
    monde_->cubes = geometry::cree_cubes(monde_->grille, monde_->alea, config::nb_cubes);
  }

  Releve joue(int ticks) {
    Releve releve;
    for (int t = 0; t < ticks; ++t) {
      agit();
      const std::size_t balles = monde_->balles.taille();
      const std::size_t vaisseaux = monde_->vaisseaux.taille();
      const long avant = allocations.load();
      tick::tick(*monde_);
      releve.allocations += allocations.load() - avant;
      releve.balles_retirees += static_cast<long>(balles - monde_->balles.taille());
      releve.vaisseaux_detruits += static_cast<long>(vaisseaux - monde_->vaisseaux.taille());
    }
    return releve;
  }

 private:
  static constexpr std::int64_t joueurs = 60;

  void agit() {
    std::uniform_int_distribution<int> choix(0, 5);
    std::bernoulli_distribution retour(0.05);
    for (std::int64_t id = 1; id <= joueurs; ++id) {
      if (retour(joueurs_)) (void)simulation::cree_vaisseau(*monde_, id);
      const int c = choix(joueurs_);
      simulation::traite_action_joueur(
          *monde_, id, c < 3 ? simulation::action::Tire : static_cast<simulation::action>(c - 2));
    }
  }

  std::unique_ptr<world::Monde> monde_;
  std::mt19937_64 joueurs_;
};

TEST(AllocationTick, ASteadyTickAllocatesNothing) {
  Partie partie;
  // Warm-up: the bullet count settles and the tick's storage reaches its size.
  partie.joue(400);
  const Releve releve = partie.joue(400);
  EXPECT_EQ(releve.allocations, 0);
  // The measured ticks removed bullets and destroyed ships.
  EXPECT_GT(releve.balles_retirees, 10000);
  EXPECT_GT(releve.vaisseaux_detruits, 5);
  std::printf("bullets removed %ld, ships destroyed %ld\n", releve.balles_retirees,
              releve.vaisseaux_detruits);
}

TEST(AllocationTick, TheCounterSeesAllocations) {
  const long avant = allocations.load();
  auto p = std::make_unique<int>(3);
  EXPECT_EQ(allocations.load() - avant, 1);
}

}  // namespace
