// A recorded match: a seeded world and a seeded script of spawns, actions and
// departures, played by the server's tick for 2,000 ticks. Its lists are
// fingerprinted every 100 ticks and compared with the fingerprints committed
// below, taken on x86-64: a machine, a compiler flag or a maths library that
// moves one bit of one record fails here. The script reads the world only to
// know who is in play, and draws plain integers, so it is the same everywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/empreinte.h"
#include "simulation/monde_de_test.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

constexpr std::int64_t nb_couleurs = 8;
constexpr int nb_ticks = 2000;

// Colour 1 mostly turns left and colour 2 mostly right, so that their headings
// wander far from [0, 2pi); the others do anything.
simulation::action action_de(std::int64_t couleur, std::uint64_t tirage) {
  static constexpr simulation::action toupie_gauche[] = {
      simulation::action::Gauche, simulation::action::Gauche, simulation::action::Gauche,
      simulation::action::Tire, simulation::action::Accelere};
  static constexpr simulation::action toupie_droite[] = {
      simulation::action::Droite, simulation::action::Droite, simulation::action::Droite,
      simulation::action::Tire, simulation::action::Accelere};
  static constexpr simulation::action libre[] = {
      simulation::action::Tire,     simulation::action::Gauche,   simulation::action::Droite,
      simulation::action::Accelere, simulation::action::Accelere, simulation::action::Decelere};
  if (couleur == 1) return toupie_gauche[tirage % std::size(toupie_gauche)];
  if (couleur == 2) return toupie_droite[tirage % std::size(toupie_droite)];
  return libre[tirage % std::size(libre)];
}

struct Partie {
  std::vector<std::uint64_t> empreintes;
  int tirs = 0;
  int apparitions = 0;
  double plus_grand_cap = 0.0;
};

bool en_jeu(const world::Monde& monde, std::int64_t couleur) {
  return std::any_of(monde.vaisseaux.begin(), monde.vaisseaux.end(),
                     [&](const world::vaisseau& v) { return v.id == couleur; });
}

void joue_un_tick(world::Monde& monde, std::mt19937_64& script, Partie& partie) {
  for (std::int64_t couleur = 1; couleur <= nb_couleurs; ++couleur) {
    if (!en_jeu(monde, couleur)) {
      if (script() % 10 == 0)
        partie.apparitions += simulation::cree_vaisseau(monde, couleur) == simulation::Spawn::Cree;
      continue;
    }
    if (script() % 400 == 0) {
      simulation::detruit_vaisseau(monde, couleur);
      continue;
    }
    for (std::uint64_t k = 1 + script() % 3; k > 0; --k) {
      const simulation::action a = action_de(couleur, script());
      partie.tirs += a == simulation::action::Tire;
      simulation::traite_action_joueur(monde, couleur, a);
    }
  }
  tick::tick(monde);
}

Partie joue(std::uint64_t graine) {
  const auto monde = monde_avec_cubes(graine);
  std::mt19937_64 script(graine);
  Partie partie;
  for (int t = 1; t <= nb_ticks; ++t) {
    joue_un_tick(*monde, script, partie);
    for (const world::vaisseau& v : monde->vaisseaux)
      partie.plus_grand_cap = std::max(partie.plus_grand_cap, std::fabs(v.angle));
    if (t % 100 == 0) partie.empreintes.push_back(empreinte(*monde));
  }
  return partie;
}

TEST(ScenarioEnregistre, ListsMatchTheRecordedFingerprintsEveryHundredTicks) {
  const std::vector<std::uint64_t> attendues = {
      0xf46e4866d53718f6u, 0x80c260876dae6b12u, 0x816df1c39ee7d78bu, 0x9b637c770f1e6167u,
      0xb5fa494a9efbd939u, 0xe6ca80477f798335u, 0x7d7bff2730a1a7bau, 0xc4e7d2857c4215eau,
      0x9047008cd0e65888u, 0xfe1d4d8715c53ccau, 0xf329597e2039c66au, 0x4bdc3851bc07629au,
      0x58c55f9c5a56a8b0u, 0xc92b65bc0d4f8ce0u, 0xc4287ac8195da147u, 0x352cc15fce8b46d2u,
      0x414acd5f7754942fu, 0xc0129e835c9918a8u, 0xd8bc3ac1dd2f04fdu, 0xd2b5592c36078759u};
  const Partie partie = joue(20260611);
  EXPECT_EQ(partie.empreintes, attendues) << "fingerprints: " << en_initialiseur(partie.empreintes);
  // The match went through motion, fire, deaths and headings far from [0, 2pi).
  EXPECT_GT(partie.tirs, 2000);
  EXPECT_GT(partie.apparitions, 10);
  EXPECT_GT(partie.plus_grand_cap, 50.0);
}

}  // namespace
