// A writer that cannot keep up: the match's tick loop runs at its usual rate,
// the recording marks the ticks it lost and goes on from a full state.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "enregistrement/ecrivain.h"
#include "enregistrement/format.h"
#include "match/aides_match.h"
#include "match/boucle.h"
#include "simulation/actions.h"
#include "simulation/monde_de_test.h"

namespace {

using namespace std::chrono_literals;

// Keeps every line, taking 100 ms per tick's worth: four ticks' time.
class PuitsLent final : public enregistrement::Puits {
 public:
  void ecrit(std::string_view lignes) override {
    std::this_thread::sleep_for(100ms);
    std::scoped_lock tenu(mutex_);
    texte_ += lignes;
  }
  std::string texte() {
    std::scoped_lock tenu(mutex_);
    return texte_;
  }

 private:
  std::mutex mutex_;
  std::string texte_;
};

TEST(EcrivainLent, LeTickGardeSaCadenceEtLEnregistrementMarqueLesTrous) {
  auto monde = monde_avec_cubes(5);
  evenements::FileLots file(4);
  PuitsLent puits;
  match::ReglesPartie regles;
  regles.duree = match::DureePartie{2.0, match::DureePartie::Unite::Secondes};
  std::unique_ptr<match::Partie> partie;
  {
    std::scoped_lock tenu{monde->verrou};
    partie =
        std::make_unique<match::Partie>(*monde, regles, 5, &file, std::chrono::steady_clock::now());
    place_en_melee(*monde, *partie, {1, 2, 3});
  }
  enregistrement::Ecrivain ecrivain(file, {&puits});
  std::atomic<bool> interruption{false};
  std::atomic<bool> finie{false};
  std::thread tireur([&] {
    while (!finie) {
      {
        std::scoped_lock tenu{monde->verrou};
        simulation::traite_action_joueur(*monde, 1, simulation::action::Tire);
        simulation::traite_action_joueur(*monde, 2, simulation::action::Gauche);
      }
      std::this_thread::sleep_for(5ms);
    }
  });
  match::joue(*monde, *partie, &file, interruption);
  finie = true;
  tireur.join();
  ecrivain.termine();

  const resultats::Resultats r = partie->resultats();
  EXPECT_EQ(r.raison, resultats::RaisonFin::DureeEcoulee);
  // 2 s at 40 per second, with a generous margin for a busy machine.
  EXPECT_GE(r.ticks, 50) << "the tick waited for the writer";
  EXPECT_GT(r.ticks_perdus, 0);
  const std::string texte = puits.texte();
  const auto perdu = texte.find("{\"t\":\"perdu\"");
  ASSERT_NE(perdu, std::string::npos);
  EXPECT_EQ(texte.find("\n", perdu) + 1, texte.find("{\"t\":\"etat\"", perdu))
      << "a full state follows the gap mark";
  EXPECT_NE(texte.find("{\"t\":\"fin\""), std::string::npos) << "the end is always written";
}

}  // namespace
