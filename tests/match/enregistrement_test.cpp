// The recording against the world itself: a match played in this process,
// players steering, firing, leaving and coming back in a melee; after every
// action and every tick, the events handed to the file, written as text and
// read back, must rebuild exactly the world's lists, to the bit and in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "enregistrement/etat.h"
#include "enregistrement/format.h"
#include "match/aides_match.h"
#include "match/partie.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/monde_de_test.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

class Relecteur {
 public:
  explicit Relecteur(evenements::FileLots& file) : file_(file) {}

  // Takes every lot waiting in the file, through the text format.
  void rattrape() {
    while (file_.a_lot_en_attente()) {
      const auto lot = file_.prend();
      for (const evenements::Evenement& e : *lot) {
        const evenements::Evenement relu = enregistrement::lit_ligne(enregistrement::ligne(e));
        ASSERT_EQ(enregistrement::ligne(relu), enregistrement::ligne(e))
            << "the text does not read back";
        etat_.applique(relu);
        ++evenements_;
      }
    }
  }

  void compare(const world::Monde& monde, const char* moment) {
    rattrape();
    std::vector<evenements::VaisseauVu> vaisseaux;
    for (const world::vaisseau& v : monde.vaisseaux) vaisseaux.push_back(evenements::vu(v));
    std::vector<evenements::BalleVue> balles;
    for (const world::balle& b : monde.balles) balles.push_back(evenements::vue(b));
    ASSERT_EQ(etat_.vaisseaux(), vaisseaux) << moment;
    ASSERT_EQ(etat_.balles(), balles) << moment;
  }

  long evenements() const { return evenements_; }

 private:
  evenements::FileLots& file_;
  enregistrement::EtatRelu etat_;
  long evenements_ = 0;
};

TEST(EnregistrementDeMatch, RebatitLesListesDuMondeApresChaqueActionEtChaqueTick) {
  auto monde = monde_avec_cubes(7);
  evenements::FileLots file(1'000'000);
  match::Partie partie(*monde, match::ReglesPartie{}, 7, &file, std::chrono::steady_clock::now());
  const std::vector<std::int64_t> couleurs = {1, 2, 3, 4, 5, 6, 255, -7};
  place_en_melee(*monde, partie, couleurs);
  Relecteur relecteur(file);
  std::mt19937_64 hasard(99);
  int destructions_vues = 0;
  for (int t = 0; t < 600 && !HasFatalFailure(); ++t) {
    for (std::int64_t c : couleurs) {
      const int de = static_cast<int>(hasard() % 100);
      if (de < 3) {
        simulation::cree_vaisseau(*monde, c);  // a colour in play is refused, as for a client
      } else if (de < 5) {
        simulation::retire_joueur(*monde, c,
                                  de == 3 ? world::Depart::Quitte : world::Depart::Deconnexion);
      } else {
        simulation::traite_action_joueur(*monde, c, static_cast<simulation::action>(hasard() % 5));
      }
      partie.publie();
      relecteur.compare(*monde, "after an action");
    }
    const std::size_t avant = monde->vaisseaux.taille();
    ASSERT_TRUE(partie.avant_tick(std::chrono::steady_clock::now(), false));
    tick::avance(*monde);
    if (monde->vaisseaux.taille() < avant) ++destructions_vues;
    relecteur.compare(*monde, "after a tick");
  }
  EXPECT_GT(relecteur.evenements(), 2000) << "600 ticks and the players' doings";
  EXPECT_GT(destructions_vues, 0) << "the melee should destroy ships";
}

}  // namespace
