// Several hundred ticks of a seeded world where a few ships steer, fire, die
// and come back at random. After every tick the world keeps its invariants and
// is bit-identical to the reference tick run side by side.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "geometry/modele_faces.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/comparaison.h"
#include "simulation/monde_de_test.h"
#include "simulation/oracle.h"
#include "simulation/spawn.h"
#include "tick/tick.h"
#include "trigo/trigo.h"

namespace {

constexpr std::int64_t nb_couleurs = 6;

struct Bilan {
  int tirs = 0;
  int touches = 0;
  int destructions = 0;
  int apparitions = 0;
  int deviations = 0;  // ships that did not end at their straight move
};

class Scenario {
 public:
  explicit Scenario(std::uint64_t graine)
      : monde_(monde_avec_cubes(graine)), reference_(oracle::copie(*monde_)), joueurs_(graine) {
    faces_ = faces_exposees(cellules_des_cubes(monde_->cubes));
  }

  void joue(int ticks) {
    for (int t = 0; t < ticks; ++t) {
      fait_apparaitre();
      fait_agir();
      avance(t);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

  const Bilan& bilan() const { return bilan_; }

 private:
  bool en_jeu(std::int64_t couleur) const {
    return std::any_of(monde_->vaisseaux.begin(), monde_->vaisseaux.end(),
                       [&](const world::vaisseau& v) { return v.id == couleur; });
  }

  // A missing colour comes back now and then, through both spawns.
  void fait_apparaitre() {
    for (std::int64_t couleur = 1; couleur <= nb_couleurs; ++couleur) {
      if (en_jeu(couleur) || !tirage(0.1)) continue;
      const simulation::Spawn s = simulation::cree_vaisseau(*monde_, couleur);
      const oracle::Spawn r =
          oracle::cree_vaisseau(reference_, couleur, config::essais_spawn_par_verrou);
      ASSERT_EQ(s == simulation::Spawn::Cree, r == oracle::Spawn::Cree);
      bilan_.apparitions += s == simulation::Spawn::Cree;
    }
  }

  // Each colour sends one or two actions, whether or not its ship is in play:
  // half the time it aims at the nearest other ship and fires when lined up,
  // otherwise it does anything. Now and then a player leaves.
  void fait_agir() {
    for (std::int64_t couleur = 1; couleur <= nb_couleurs; ++couleur) {
      if (tirage(0.002)) {
        simulation::detruit_vaisseau(*monde_, couleur);
        oracle::detruit_vaisseau(reference_, couleur);
        continue;
      }
      for (int k = 1 + tirage(0.5); k > 0; --k) {
        const auto [a, r] = tirage(0.5) ? visee(couleur) : au_hasard();
        bilan_.tirs += a == simulation::action::Tire && en_jeu(couleur);
        simulation::traite_action_joueur(*monde_, couleur, a);
        oracle::traite_action_joueur(reference_, couleur, r);
      }
    }
  }

  using Actions = std::pair<simulation::action, oracle::action>;

  Actions au_hasard() {
    static constexpr Actions actions[] = {
        {simulation::action::Tire, oracle::action::Tire},
        {simulation::action::Gauche, oracle::action::Gauche},
        {simulation::action::Droite, oracle::action::Droite},
        {simulation::action::Accelere, oracle::action::Accelere},
        {simulation::action::Accelere, oracle::action::Accelere},
        {simulation::action::Decelere, oracle::action::Decelere},
    };
    return actions[std::uniform_int_distribution<std::size_t>(0, std::size(actions) - 1)(joueurs_)];
  }

  Actions visee(std::int64_t couleur) const {
    const world::vaisseau* tireur = nullptr;
    for (const world::vaisseau& v : monde_->vaisseaux)
      if (v.id == couleur) tireur = &v;
    const world::vaisseau* cible = nullptr;
    double d2_min = 0.0;
    for (const world::vaisseau& v : monde_->vaisseaux) {
      if (tireur == nullptr || v.id == couleur) continue;
      const double d2 =
          (v.x - tireur->x) * (v.x - tireur->x) + (v.y - tireur->y) * (v.y - tireur->y);
      if (cible == nullptr || d2 < d2_min) cible = &v, d2_min = d2;
    }
    if (cible == nullptr) return {simulation::action::Tire, oracle::action::Tire};
    const double ecart =
        std::remainder(std::atan2(cible->y - tireur->y, cible->x - tireur->x) - tireur->angle,
                       2.0 * std::numbers::pi);
    if (ecart > 0.05) return {simulation::action::Gauche, oracle::action::Gauche};
    if (ecart < -0.05) return {simulation::action::Droite, oracle::action::Droite};
    return {simulation::action::Tire, oracle::action::Tire};
  }

  void avance(int t) {
    const std::vector<world::vaisseau> vaisseaux_avant = en_ordre(monde_->vaisseaux);
    const std::vector<world::balle> balles_avant = en_ordre(monde_->balles);
    tick::tick(*monde_);
    oracle::mise_a_jour(reference_);
    ASSERT_TRUE(memes_vaisseaux_et_balles(*monde_, reference_)) << "tick " << t;
    ASSERT_TRUE(monde_->alea == reference_.alea) << "tick " << t;
    verifie_invariants(t);
    compte(vaisseaux_avant, t);
    verifie_ordre(vaisseaux_avant, balles_avant, t);
  }

  void verifie_invariants(int t) const {
    const std::vector<world::vaisseau> vaisseaux = en_ordre(monde_->vaisseaux);
    for (std::size_t a = 0; a < vaisseaux.size(); ++a) {
      const world::vaisseau& v = vaisseaux[a];
      EXPECT_TRUE(v.x >= 9.0 && v.x < 1398.0 && v.y >= 9.0 && v.y < 1398.0)
          << "tick " << t << ", ship " << v.id << " at " << v.x << ", " << v.y;
      EXPECT_TRUE(v.pt_vie >= 1 && v.pt_vie <= 5) << "tick " << t << ", ship " << v.id;
      EXPECT_GT(distance_minimale(faces_, v.x, v.y), 9.0 - 1e-9)
          << "tick " << t << ", ship " << v.id;
      for (const world::cube& k : monde_->cubes)
        EXPECT_FALSE(k.x_min <= v.x && v.x <= k.x_max && k.y_min <= v.y && v.y <= k.y_max)
            << "tick " << t << ", ship " << v.id;
      for (std::size_t b = a + 1; b < vaisseaux.size(); ++b) {
        const double dx = v.x - vaisseaux[b].x, dy = v.y - vaisseaux[b].y;
        EXPECT_GE(dx * dx + dy * dy, 18.0 * 18.0) << "tick " << t;
      }
    }
    for (const world::balle& b : monde_->balles)
      EXPECT_TRUE(b.x - 4.0 >= 0.0 && b.x + 4.0 < 1408.0 && b.y - 4.0 >= 0.0 && b.y + 4.0 < 1408.0)
          << "tick " << t << ", bullet at " << b.x << ", " << b.y;
  }

  // Ships and bullets that remain keep their relative order; records are
  // recognised by what a tick never changes.
  void verifie_ordre(const std::vector<world::vaisseau>& vaisseaux_avant,
                     const std::vector<world::balle>& balles_avant, int t) const {
    std::vector<std::int64_t> ids_avant, ids_apres;
    for (const world::vaisseau& v : vaisseaux_avant) ids_avant.push_back(v.id);
    for (const world::vaisseau& v : monde_->vaisseaux) ids_apres.push_back(v.id);
    EXPECT_TRUE(sous_suite(ids_apres, ids_avant)) << "tick " << t;
    std::vector<std::pair<double, std::int64_t>> avant, apres;
    for (const world::balle& b : balles_avant) avant.push_back({b.angle, b.id});
    for (const world::balle& b : monde_->balles) apres.push_back({b.angle, b.id});
    EXPECT_TRUE(sous_suite(apres, avant)) << "tick " << t;
  }

  template <typename T>
  static bool sous_suite(const std::vector<T>& courte, const std::vector<T>& longue) {
    auto it = longue.begin();
    for (const T& x : courte) {
      it = std::find(it, longue.end(), x);
      if (it == longue.end()) return false;
      ++it;
    }
    return true;
  }

  void compte(const std::vector<world::vaisseau>& avant, int) {
    for (const world::vaisseau& v : avant) {
      const auto apres = std::find_if(monde_->vaisseaux.begin(), monde_->vaisseaux.end(),
                                      [&](const world::vaisseau& w) { return w.id == v.id; });
      if (apres == monde_->vaisseaux.end()) {
        ++bilan_.destructions;
        continue;
      }
      bilan_.touches += static_cast<int>(v.pt_vie - apres->pt_vie);
      const double nx = v.x + cosinus(v.angle) * v.vitesse;
      const double ny = v.y + sinus(v.angle) * v.vitesse;
      bilan_.deviations += apres->x != nx || apres->y != ny;
    }
  }

  bool tirage(double p) { return std::bernoulli_distribution(p)(joueurs_); }

  std::unique_ptr<world::Monde> monde_;
  oracle::Monde reference_;
  std::mt19937_64 joueurs_;  // the players' choices, apart from the world's generator
  std::vector<FaceModele> faces_;
  Bilan bilan_;
};

TEST(Scenario, InvariantsHoldAndTheReferenceTickAgreesBitForBit) {
  Bilan total;
  for (std::uint64_t graine : {17u, 2024u, 31337u}) {
    Scenario scenario(graine);
    scenario.joue(600);
    if (HasFatalFailure()) return;
    const Bilan& b = scenario.bilan();
    total.tirs += b.tirs;
    total.touches += b.touches;
    total.destructions += b.destructions;
    total.apparitions += b.apparitions;
    total.deviations += b.deviations;
  }
  // The run went through the interesting paths, not just empty ticks.
  EXPECT_GT(total.apparitions, 10);
  EXPECT_GT(total.tirs, 500);
  EXPECT_GT(total.deviations, 20);
  EXPECT_GT(total.touches, 30);
  EXPECT_GT(total.destructions, 5);
  std::printf("shots %d, hits %d, ships removed %d, spawns %d, deflections %d\n", total.tirs,
              total.touches, total.destructions, total.apparitions, total.deviations);
}

}  // namespace
