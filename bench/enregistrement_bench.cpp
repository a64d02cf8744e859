// What recording a match costs: the tick of 20 ships that all turn and fire
// every tick, with and without a match recording it (the ratio of the two is
// the figure that matters), and the size of a 3-minute recording of them.
//
// ./build/release/enregistrement_bench prints both; the ratio is
// TickEnregistre / TickSeul for the same world.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <thread>

#include "enregistrement/ecrivain.h"
#include "geometry/cubes.h"
#include "match/partie.h"
#include "simulation/actions.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

constexpr int nb_vaisseaux = 20;

std::unique_ptr<world::Monde> monde_de_match() {
  auto monde = std::make_unique<world::Monde>(20261208);
  monde->cubes = geometry::cree_cubes(monde->grille, monde->alea, config::nb_cubes);
  return monde;
}

void inscrit(world::Monde& monde) {
  for (int id = 1; id <= nb_vaisseaux; ++id) (void)simulation::cree_vaisseau(monde, id);
}

// What 20 busy players do between two ticks: turn, keep some speed, fire.
void joueurs_agissent(world::Monde& monde, std::int64_t tick) {
  for (int id = 1; id <= nb_vaisseaux; ++id) {
    simulation::traite_action_joueur(
        monde, id,
        (tick / 40 + id) % 2 == 0 ? simulation::action::Gauche : simulation::action::Droite);
    if (tick % 20 == 0) simulation::traite_action_joueur(monde, id, simulation::action::Accelere);
    simulation::traite_action_joueur(monde, id, simulation::action::Tire);
  }
}

// Ships that died come back, as their bots would register again.
void reviennent(world::Monde& monde) {
  if (monde.vaisseaux.taille() < nb_vaisseaux) inscrit(monde);
}

// Empties the file as the writer thread would, without the text and disk work.
class VideurDeFile {
 public:
  explicit VideurDeFile(evenements::FileLots& file)
      : file_(file), thread_([this] {
          while (file_.prend()) {
          }
        }) {}
  ~VideurDeFile() {
    file_.ferme();
    thread_.join();
  }

 private:
  evenements::FileLots& file_;
  std::thread thread_;
};

void mesure_ticks(benchmark::State& state, world::Monde& monde) {
  std::int64_t n = 0;
  for (int t = 0; t < 400; ++t) {  // to the steady number of bullets
    joueurs_agissent(monde, n++);
    tick::tick(monde);
    reviennent(monde);
  }
  for (auto _ : state) {
    state.PauseTiming();
    joueurs_agissent(monde, n++);
    reviennent(monde);
    state.ResumeTiming();
    tick::tick(monde);
  }
  state.counters["balles"] = static_cast<double>(monde.balles.taille());
}

void TickSeul(benchmark::State& state) {
  auto monde = monde_de_match();
  inscrit(*monde);
  mesure_ticks(state, *monde);
}

void TickEnregistre(benchmark::State& state) {
  auto monde = monde_de_match();
  evenements::FileLots file(1 << 20);
  VideurDeFile videur(file);
  match::Partie partie(*monde, match::ReglesPartie{}, 20261208, &file,
                       std::chrono::steady_clock::now());
  inscrit(*monde);
  mesure_ticks(state, *monde);
}

// 3 minutes at 40 ticks a second, written as arene-arbitre writes it.
void TailleEnregistrement(benchmark::State& state) {
  const std::string chemin = "/tmp/arene_bench_" + std::to_string(::getpid()) + ".gz";
  for (auto _ : state) {
    auto monde = monde_de_match();
    evenements::FileLots file(1 << 20);
    const auto puits = std::make_unique<enregistrement::PuitsFichier>(chemin);
    enregistrement::Ecrivain ecrivain(file, {puits.get()});
    match::Partie partie(*monde, match::ReglesPartie{}, 20261208, &file,
                         std::chrono::steady_clock::now());
    inscrit(*monde);
    for (std::int64_t t = 0; t < 3 * 60 * 40; ++t) {
      joueurs_agissent(*monde, t);
      partie.avant_tick(std::chrono::steady_clock::now(), false);
      tick::avance(*monde);
      reviennent(*monde);
    }
    ecrivain.termine();
  }
  struct stat s {};
  ::stat(chemin.c_str(), &s);
  ::unlink(chemin.c_str());
  state.counters["Mo"] = static_cast<double>(s.st_size) / 1e6;
}

BENCHMARK(TickSeul)->Unit(benchmark::kMicrosecond);
BENCHMARK(TickEnregistre)->Unit(benchmark::kMicrosecond);
BENCHMARK(TailleEnregistrement)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
