// The cost of composing the three list replies under the lock: our composition
// (to_chars) against a plain snprintf("%.12g") one, and the copy of a reply
// already in the cache, which is what a crowd polling between two ticks pays.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "geometry/cubes.h"
#include "protocol/listes.h"
#include "simulation/spawn.h"
#include "world/constantes.h"

namespace {

// The world of a busy game: 200 cubes, `nb_vaisseaux` ships, `nb_balles` bullets.
std::unique_ptr<world::Monde> monde_de_bench(int nb_vaisseaux, int nb_balles) {
  auto monde = std::make_unique<world::Monde>(4242);
  monde->cubes = geometry::cree_cubes(monde->grille, monde->alea, config::nb_cubes);
  for (int id = 1; id <= nb_vaisseaux; ++id) (void)simulation::cree_vaisseau(*monde, 0x100000 + id);
  world::Alea alea(17);
  for (int i = 0; i < nb_balles; ++i) {
    monde->balles.ajoute_en_tete(world::balle{
        4.0 + world::tirage_unitaire(alea) * 1400.0, 4.0 + world::tirage_unitaire(alea) * 1400.0,
        6.28 * world::tirage_unitaire(alea), 0x100000 + i % 200});
  }
  return monde;
}

// What the server would compose with printf: "%.12g", then the trailing point.
void flottant_printf(std::string& sortie, double x) {
  char texte[32];
  const std::string_view ecrit(
      texte, static_cast<std::size_t>(std::snprintf(texte, sizeof texte, "%.12g", x)));
  sortie += ecrit;
  if (ecrit.find_first_not_of("0123456789-") == std::string_view::npos) sortie.push_back('.');
}

void entier_printf(std::string& sortie, std::int64_t n) {
  char texte[32];
  sortie.append(texte, static_cast<std::size_t>(
                           std::snprintf(texte, sizeof texte, "%lld", static_cast<long long>(n))));
}

void vaisseaux_printf(const world::Monde& monde, std::string& sortie) {
  sortie += "PUT VAISSEAUX ";
  entier_printf(sortie, static_cast<std::int64_t>(monde.vaisseaux.taille()));
  sortie += "\r\n";
  for (const world::vaisseau& v : monde.vaisseaux) {
    for (double x : {v.x, v.y, v.angle}) {
      flottant_printf(sortie, x);
      sortie += ' ';
    }
    entier_printf(sortie, v.pt_vie);
    sortie += ' ';
    entier_printf(sortie, v.id);
    sortie += "\r\n";
  }
}

void balles_printf(const world::Monde& monde, std::string& sortie) {
  sortie += "PUT BALLES ";
  entier_printf(sortie, static_cast<std::int64_t>(monde.balles.taille()));
  sortie += "\r\n";
  for (const world::balle& b : monde.balles) {
    flottant_printf(sortie, b.x);
    sortie += ' ';
    flottant_printf(sortie, b.y);
    sortie += ' ';
    entier_printf(sortie, b.id);
    sortie += "\r\n";
  }
}

void cubes_printf(const world::Monde& monde, std::string& sortie) {
  sortie += "PUT CUBES ";
  entier_printf(sortie, static_cast<std::int64_t>(monde.cubes.size()));
  sortie += "\r\n";
  for (const world::cube& c : monde.cubes) {
    for (double x : {c.x_min, c.y_min, c.x_max}) {
      flottant_printf(sortie, x);
      sortie += ' ';
    }
    flottant_printf(sortie, c.y_max);
    sortie += "\r\n";
  }
}

using Composition = void (*)(const world::Monde&, std::string&);

// The printf compositions above must give our bytes, or the race means nothing.
bool memes_octets(const world::Monde& monde) {
  std::string nous, printf;
  for (auto [a, b] : {std::pair{&protocol::compose_liste_cubes, &cubes_printf},
                      std::pair{&protocol::compose_liste_vaisseaux, &vaisseaux_printf},
                      std::pair{&protocol::compose_liste_balles, &balles_printf}}) {
    a(monde, nous);
    b(monde, printf);
  }
  return nous == printf;
}

void mesure(benchmark::State& etat, Composition compose, int nb_vaisseaux, int nb_balles) {
  const auto monde = monde_de_bench(nb_vaisseaux, nb_balles);
  if (!memes_octets(*monde)) etat.SkipWithError("printf and to_chars texts differ");
  std::string sortie;
  for (auto _ : etat) {
    sortie.clear();
    compose(*monde, sortie);
    benchmark::DoNotOptimize(sortie.data());
  }
  etat.SetBytesProcessed(static_cast<std::int64_t>(etat.iterations() * sortie.size()));
}

// A reply already composed for this state of the world: the copy is all that remains.
using ListeEnCache = void (protocol::ListesEnCache::*)(const world::Monde&, std::string&);

void mesure_cache(benchmark::State& etat, ListeEnCache liste, int nb_vaisseaux, int nb_balles) {
  const auto monde = monde_de_bench(nb_vaisseaux, nb_balles);
  protocol::ListesEnCache cache;
  std::string sortie;
  for (auto _ : etat) {
    sortie.clear();
    (cache.*liste)(*monde, sortie);
    benchmark::DoNotOptimize(sortie.data());
  }
  etat.SetBytesProcessed(static_cast<std::int64_t>(etat.iterations() * sortie.size()));
}

BENCHMARK_CAPTURE(mesure, CubesPrintf, &cubes_printf, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure, CubesNous, &protocol::compose_liste_cubes, 0, 0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure_cache, CubesCache, &protocol::ListesEnCache::cubes, 0, 0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure, Vaisseaux200Printf, &vaisseaux_printf, 200, 0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure, Vaisseaux200Nous, &protocol::compose_liste_vaisseaux, 200, 0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure_cache, Vaisseaux200Cache, &protocol::ListesEnCache::vaisseaux, 200, 0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure, Balles10000Printf, &balles_printf, 0, 10000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure, Balles10000Nous, &protocol::compose_liste_balles, 0, 10000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(mesure_cache, Balles10000Cache, &protocol::ListesEnCache::balles, 0, 10000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
