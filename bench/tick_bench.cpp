// The cost of one tick (bullet pass, then ship pass) on a world of 200 cubes,
// for the server's tick and for the reference transcription kept in the tests,
// and for the server's tick with the C library's cos and sin in place of the
// game's own (TickServeurGlibc), to compare their cost in the same run.
//
// Steady worlds: each iteration first restores the ships and bullets saved
// when the world was built, outside the timed region (PauseTiming), so every
// timed tick starts from the same world, however many bullets the previous
// one removed. Counters: `balles` is the bullet count at the start of the
// tick, `par_balle` the time of the tick divided by it. bench/tableau_tick.py
// turns the JSON output into the tables of BENCHMARKS.md, ratios included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "geometry/cubes.h"
#include "simulation/balles.h"
#include "simulation/mouvement.h"
#include "simulation/oracle.h"
#include "simulation/spawn.h"
#include "tick/tick.h"
#include "world/constantes.h"

namespace {

// Ships at random free places with random headings and speeds; bullets at
// random places on the board outside the cubes, fired by random ships.
std::unique_ptr<world::Monde> monde_de_bench(int nb_vaisseaux, int nb_balles) {
  auto monde = std::make_unique<world::Monde>(20240611);
  monde->cubes = geometry::cree_cubes(monde->grille, monde->alea, config::nb_cubes);
  std::mt19937_64 alea(7);
  std::uniform_real_distribution<double> angle(0.0, 6.28);
  std::uniform_real_distribution<double> vitesse(config::vitesse_min, config::vitesse_max);
  for (int id = 1; id <= nb_vaisseaux; ++id) (void)simulation::cree_vaisseau(*monde, id);
  for (world::vaisseau& v : monde->vaisseaux) {
    v.angle = angle(alea);
    v.vitesse = vitesse(alea);
  }
  std::uniform_real_distribution<double> position(4.0, world::largeur_plateau - 4.0);
  std::uniform_int_distribution<std::int64_t> tireur(1, nb_vaisseaux);
  while (static_cast<int>(monde->balles.taille()) < nb_balles) {
    const world::balle b{position(alea), position(alea), angle(alea), tireur(alea)};
    if (!simulation::est_hors_jeu(b, monde->grille)) monde->balles.ajoute_en_tete(b);
  }
  return monde;
}

void compteurs(benchmark::State& state, std::size_t balles) {
  state.counters["balles"] = static_cast<double>(balles);
  state.counters["par_balle"] = benchmark::Counter(
      static_cast<double>(balles),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The server's tick on a fresh copy of the same lists each time, with the
// passes given.
void mesure_tick(benchmark::State& state, void (*passes)(world::Monde&)) {
  const auto monde =
      monde_de_bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const world::ListeRecente<world::vaisseau> vaisseaux = monde->vaisseaux;
  const world::ListeBalles balles = monde->balles;
  for (auto _ : state) {
    state.PauseTiming();
    monde->vaisseaux = vaisseaux;
    monde->balles = balles;
    state.ResumeTiming();
    tick::tick(*monde, passes);
  }
  compteurs(state, balles.taille());
}

void TickServeur(benchmark::State& state) { mesure_tick(state, &tick::avance); }

SinusCosinus cap_glibc(double angle) { return {std::sin(angle), std::cos(angle)}; }

// The server's passes, the ship pass taking the C library's cos and sin.
void avance_glibc(world::Monde& monde) {
  simulation::mise_a_jour_balles(monde);
  simulation::mise_a_jour_vaisseaux(monde, &cap_glibc);
}

void TickServeurGlibc(benchmark::State& state) { mesure_tick(state, &avance_glibc); }

void TickReference(benchmark::State& state) {
  const auto monde =
      monde_de_bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const oracle::Monde depart = oracle::copie(*monde);
  oracle::Monde reference = depart;
  for (auto _ : state) {
    state.PauseTiming();
    reference.vaisseaux = depart.vaisseaux;
    reference.balles = depart.balles;
    state.ResumeTiming();
    oracle::mise_a_jour(reference);
  }
  compteurs(state, depart.balles.size());
}

// Arguments: ships, bullets. Each world is measured for both ticks.
void mondes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"vaisseaux", "balles"});
  b->Args({10, 100})->Args({50, 5000})->Args({200, 50000})->Args({1000, 200000});
  b->Unit(benchmark::kNanosecond);
}

// Worlds that separate the two things a bullet's cost depends on: how many
// bullets there are, and how many ships stand near each one.
void mondes_croises(benchmark::internal::Benchmark* b) {
  b->ArgNames({"vaisseaux", "balles"});
  b->Args({50, 50000})->Args({50, 200000})->Args({1000, 5000});
  b->Unit(benchmark::kNanosecond);
}

// What PauseTiming and ResumeTiming add to every timed iteration above.
void Chronometre(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    state.ResumeTiming();
  }
}

BENCHMARK(TickServeur)->Apply(mondes);
BENCHMARK(TickServeurGlibc)->Apply(mondes);
BENCHMARK(TickReference)->Apply(mondes);
BENCHMARK(TickServeur)->Apply(mondes_croises);
BENCHMARK(Chronometre)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
