// Random worlds run through the server's tick and the reference tick side by
// side, for hundreds of ticks: after every tick both must hold the same ships
// and bullets, in the same order, to the bit, and their generators the same
// state. Players steer, fire, leave and come back between ticks, through both
// worlds' own actions and spawns. Every 100 ticks, and after the last, the
// lists' fingerprints must also be the ones committed below, taken on x86-64:
// both ticks agreeing on another machine is not enough, they must agree with
// every other machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "geometry/cubes.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/comparaison.h"
#include "simulation/empreinte.h"
#include "simulation/oracle.h"
#include "simulation/spawn.h"
#include "tick/tick.h"
#include "trigo/trigo.h"

namespace {

struct Parametres {
  const char* nom;
  std::uint64_t graine;
  int cubes;
  int vaisseaux;  // colours in play at the start
  int balles;     // bullets at the start
  int ticks;
  double cote_melee;  // ships start in a square this wide at the board's centre, 0: anywhere
  double tirs;        // chance that a ship fires in a tick
};

struct Bilan {
  long balles_vues = 0;  // bullets going into a tick, summed over the ticks
  int max_balles = 0;
  int touches = 0;
  int destructions = 0;
  int apparitions = 0;
  int deviations = 0;
  std::vector<std::uint64_t> empreintes;
};

class Duel {
 public:
  explicit Duel(const Parametres& p) : p_(p), joueurs_(p.graine), monde_(monde(p)) {
    reference_ = std::make_unique<oracle::Monde>(oracle::copie(*monde_));
  }

  void joue() {
    for (int t = 0; t < p_.ticks && !::testing::Test::HasFatalFailure(); ++t) {
      fait_apparaitre();
      fait_agir();
      avance(t);
    }
  }

  const Bilan& bilan() const { return bilan_; }

 private:
  // Cubes, then ships through spawn (or packed into a melee), with random
  // headings and speeds, then bullets anywhere, fired by any colour.
  std::unique_ptr<world::Monde> monde(const Parametres& p) {
    auto m = std::make_unique<world::Monde>(p.graine);
    m->cubes = geometry::cree_cubes(m->grille, m->alea, p.cubes);
    std::uniform_real_distribution<double> angle(-10.0, 10.0);
    std::uniform_real_distribution<double> vitesse(config::vitesse_min, config::vitesse_max);
    std::uniform_real_distribution<double> melee(700.0 - p.cote_melee / 2,
                                                 700.0 + p.cote_melee / 2);
    for (int id = 1; id <= p.vaisseaux; ++id) {
      if (p.cote_melee > 0.0)
        m->vaisseaux.ajoute_en_tete(
            world::vaisseau{melee(joueurs_), melee(joueurs_), 0.0, 0.0, config::pt_vie_max, id});
      else
        (void)simulation::cree_vaisseau(*m, id);
    }
    for (world::vaisseau& v : m->vaisseaux) {
      v.angle = angle(joueurs_);
      v.vitesse = vitesse(joueurs_);
    }
    std::uniform_real_distribution<double> position(0.0, world::largeur_plateau);
    std::uniform_int_distribution<std::int64_t> tireur(1, couleurs());
    for (int k = 0; k < p.balles; ++k)
      m->balles.ajoute_en_tete(
          world::balle{position(joueurs_), position(joueurs_), angle(joueurs_), tireur(joueurs_)});
    return m;
  }

  // Colours 1 to couleurs() take part; the ones not in play come back.
  std::int64_t couleurs() const { return std::max(p_.vaisseaux, 8); }

  bool en_jeu(std::int64_t id) const {
    return std::any_of(monde_->vaisseaux.begin(), monde_->vaisseaux.end(),
                       [&](const world::vaisseau& v) { return v.id == id; });
  }

  void fait_apparaitre() {
    for (std::int64_t id = 1; id <= couleurs(); ++id) {
      if (en_jeu(id) || !tirage(0.05)) continue;
      const simulation::Spawn s = simulation::cree_vaisseau(*monde_, id, 50);
      const oracle::Spawn r = oracle::cree_vaisseau(*reference_, id, 50);
      ASSERT_EQ(s == simulation::Spawn::Cree, r == oracle::Spawn::Cree) << "colour " << id;
      bilan_.apparitions += s == simulation::Spawn::Cree;
    }
  }

  // A few players act each tick, whether or not their ship is in play; now
  // and then one leaves.
  void fait_agir() {
    std::uniform_int_distribution<std::int64_t> couleur(1, couleurs());
    const int acteurs = std::min<int>(static_cast<int>(couleurs()), 40);
    for (int k = 0; k < acteurs; ++k) {
      const std::int64_t id = couleur(joueurs_);
      if (tirage(0.003)) {
        simulation::detruit_vaisseau(*monde_, id);
        oracle::detruit_vaisseau(*reference_, id);
        continue;
      }
      const auto [a, r] = action_au_hasard();
      simulation::traite_action_joueur(*monde_, id, a);
      oracle::traite_action_joueur(*reference_, id, r);
    }
  }

  std::pair<simulation::action, oracle::action> action_au_hasard() {
    if (tirage(p_.tirs)) return {simulation::action::Tire, oracle::action::Tire};
    switch (std::uniform_int_distribution<int>(0, 3)(joueurs_)) {
      case 0:
        return {simulation::action::Gauche, oracle::action::Gauche};
      case 1:
        return {simulation::action::Droite, oracle::action::Droite};
      case 2:
        return {simulation::action::Accelere, oracle::action::Accelere};
      default:
        return {simulation::action::Decelere, oracle::action::Decelere};
    }
  }

  void avance(int t) {
    const std::vector<world::vaisseau> avant(monde_->vaisseaux.begin(), monde_->vaisseaux.end());
    const int n = static_cast<int>(monde_->balles.taille());
    bilan_.balles_vues += n;
    bilan_.max_balles = std::max(bilan_.max_balles, n);
    tick::tick(*monde_);
    oracle::mise_a_jour(*reference_);
    ASSERT_TRUE(memes_vaisseaux_et_balles(*monde_, *reference_)) << p_.nom << ", tick " << t;
    ASSERT_TRUE(monde_->alea == reference_->alea) << p_.nom << ", tick " << t;
    compte(avant);
    if ((t + 1) % 100 == 0 || t + 1 == p_.ticks) bilan_.empreintes.push_back(empreinte(*monde_));
  }

  void compte(const std::vector<world::vaisseau>& avant) {
    for (const world::vaisseau& v : avant) {
      const auto apres = std::find_if(monde_->vaisseaux.begin(), monde_->vaisseaux.end(),
                                      [&](const world::vaisseau& w) { return w.id == v.id; });
      if (apres == monde_->vaisseaux.end()) {
        ++bilan_.destructions;
        continue;
      }
      bilan_.touches += static_cast<int>(v.pt_vie - apres->pt_vie);
      bilan_.deviations += apres->x != v.x + cosinus(v.angle) * v.vitesse ||
                           apres->y != v.y + sinus(v.angle) * v.vitesse;
    }
  }

  bool tirage(double p) { return std::bernoulli_distribution(p)(joueurs_); }

  Parametres p_;
  std::mt19937_64 joueurs_;  // the players' choices, apart from the worlds' generator
  std::unique_ptr<world::Monde> monde_;
  std::unique_ptr<oracle::Monde> reference_;
  Bilan bilan_;
};

// Each world stresses one side of the tick; the random ones mix them.
const Parametres mondes[] = {
    {"crowded with bullets", 11, 200, 300, 20000, 12, 0.0, 0.05},
    {"a melee of overlapping ships", 12, 200, 150, 1500, 200, 300.0, 0.3},
    {"a dense cube field", 13, 600, 60, 1500, 200, 0.0, 0.3},
    {"no cubes", 14, 0, 100, 4000, 200, 0.0, 0.2},
    {"one ship", 15, 200, 1, 0, 300, 0.0, 0.5},
    {"random A", 16, 200, 37, 2000, 300, 0.0, 0.15},
    {"random B", 17, 200, 211, 1000, 300, 0.0, 0.1},
};

// What the lists of each world above hash to, taken on x86-64.
const std::vector<std::uint64_t> empreintes[] = {
    {0xaa579a97e065ef80u},                       // crowded with bullets
    {0x54d7851e735c4fc1u, 0x8a5b580f005a0ba0u},  // a melee of overlapping ships
    {0x53b657729f2254a0u, 0xea388dc1548aea2du},  // a dense cube field
    {0xeff0bc5ca91dd1fdu, 0xfe20d907e24d4cfdu},  // no cubes
    {0x06122b5d8a7ca5dbu, 0x2ea4ac588f5c904du, 0x5def876dd663e129u},  // one ship
    {0x644e30275ed1408au, 0x06585d62e2aef5a8u, 0xb41716ae4952abb1u},  // random A
    {0xd039805e06698a46u, 0x6c490cac9d744abau, 0x919b7588e7043f8cu},  // random B
};

TEST(Differentiel, RandomWorldsTickBitForBitLikeTheReference) {
  Bilan total;
  for (std::size_t m = 0; m < std::size(mondes); ++m) {
    const Parametres& p = mondes[m];
    Duel duel(p);
    duel.joue();
    if (HasFatalFailure()) return;
    const Bilan& b = duel.bilan();
    EXPECT_EQ(b.empreintes, empreintes[m]) << p.nom << ": " << en_initialiseur(b.empreintes);
    total.balles_vues += b.balles_vues;
    total.max_balles = std::max(total.max_balles, b.max_balles);
    total.touches += b.touches;
    total.destructions += b.destructions;
    total.apparitions += b.apparitions;
    total.deviations += b.deviations;
  }
  // The worlds went through what the tick does, not just empty ticks.
  EXPECT_GE(total.max_balles, 20000);
  EXPECT_GT(total.touches, 1000);
  EXPECT_GT(total.destructions, 100);
  EXPECT_GT(total.apparitions, 50);
  EXPECT_GT(total.deviations, 1000);
  std::printf(
      "bullet-ticks %ld (at most %d), hits %d, ships removed %d, spawns %d, deflections %d\n",
      total.balles_vues, total.max_balles, total.touches, total.destructions, total.apparitions,
      total.deviations);
}

// Both ticks would agree if the compiler fused the same products and sums in
// each, yet the world would not be the one its expressions define. This is
// what tells, in a build for a machine with fused multiply-add (`make fma`).
TEST(Differentiel, AProductAndASumAreRoundedApartNeverFused) {
  // (1 + 2^-30)(1 - 2^-30) = 1 - 2^-60 rounds to 1: adding -1 then gives 0,
  // where a fused operation keeps -2^-60.
  volatile double a = 1.0 + 0x1p-30;
  volatile double b = 1.0 - 0x1p-30;
  volatile double c = -1.0;
  const double x = a;
  const double y = b;
  const double z = c;
  EXPECT_EQ(x * y + z, 0.0);
  EXPECT_EQ(std::fma(x, y, z), -0x1p-60);
}

}  // namespace
