// The cached list replies must always equal a fresh composition, whatever
// changes the world in between: ticks, actions, spawns, removals, or a direct
// change of a record.
#include "protocol/listes.h"

#include <gtest/gtest.h>

#include "geometry/cubes.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/monde_de_test.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

std::string fraiche(void (*compose)(const world::Monde&, std::string&), const world::Monde& monde) {
  std::string texte;
  compose(monde, texte);
  return texte;
}

void verifie(protocol::ListesEnCache& cache, const world::Monde& monde, int etape) {
  std::string vaisseaux, balles, cubes;
  cache.vaisseaux(monde, vaisseaux);
  cache.balles(monde, balles);
  cache.cubes(monde, cubes);
  ASSERT_EQ(vaisseaux, fraiche(&protocol::compose_liste_vaisseaux, monde)) << "step " << etape;
  ASSERT_EQ(balles, fraiche(&protocol::compose_liste_balles, monde)) << "step " << etape;
  ASSERT_EQ(cubes, fraiche(&protocol::compose_liste_cubes, monde)) << "step " << etape;
}

TEST(ListesEnCache, NeverServesAStaleReply) {
  world::Monde monde(5);
  monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, 200);
  protocol::ListesEnCache cache;
  world::Alea hasard(9);
  for (int etape = 0; etape < 3000; ++etape) {
    const std::int64_t couleur = world::tirage_entier(hasard, 6);
    switch (world::tirage_entier(hasard, 7)) {
      case 0:
        (void)simulation::cree_vaisseau(monde, couleur);
        break;
      case 1:
        simulation::detruit_vaisseau(monde, couleur);
        break;
      case 2:
        tick::tick(monde);
        break;
      case 3:
      case 4:
        simulation::traite_action_joueur(
            monde, couleur, static_cast<simulation::action>(world::tirage_entier(hasard, 5)));
        break;
      case 5:  // a change made through a record, as the game's passes do
        if (!monde.vaisseaux.vide())
          monde.vaisseaux[0].pt_vie = world::tirage_entier(hasard, 5) + 1;
        break;
      default:  // the same reply asked twice in a row
        break;
    }
    verifie(cache, monde, etape);
    if (HasFatalFailure()) return;
  }
}

// The random walk above rarely empties the bullet list in one tick; a version
// that stood still then would keep serving the last bullets.
TEST(ListesEnCache, OnceATickRemovesTheLastBulletsTheReplyIsEmpty) {
  world::Monde monde(5);
  ajoute_balles(monde, {{1402.0, 700.0, 0.0, 1}, {1403.0, 300.0, 0.0, 2}});  // both leave the board
  protocol::ListesEnCache cache;
  std::string avant;
  cache.balles(monde, avant);
  ASSERT_EQ(avant, fraiche(&protocol::compose_liste_balles, monde));
  ASSERT_TRUE(avant.starts_with("PUT BALLES 2\r\n")) << avant;
  tick::tick(monde);
  ASSERT_TRUE(monde.balles.vide());
  std::string apres;
  cache.balles(monde, apres);
  EXPECT_EQ(apres, "PUT BALLES 0\r\n");
}

TEST(ListeRecente, EveryChangeMovesTheVersionOnAndReadsDoNot) {
  world::ListeRecente<int> liste;
  std::uint64_t avant = liste.version();
  const auto a_change = [&] {
    const bool change = liste.version() != avant;
    avant = liste.version();
    return change;
  };
  liste.ajoute_en_tete(1);
  EXPECT_TRUE(a_change());
  liste.ajoute_en_tete(2);
  liste[0] = 5;
  EXPECT_TRUE(a_change());
  for (int& e : liste) e += 1;
  EXPECT_TRUE(a_change());
  liste.retire_si([](int e) { return e == 6; });
  EXPECT_TRUE(a_change());
  liste.retire_premier([](int) { return false; });
  EXPECT_TRUE(a_change());
  const world::ListeRecente<int>& lecture = liste;
  int somme = 0;
  for (int e : lecture) somme += e;
  EXPECT_EQ(somme + lecture[0], 4);
  EXPECT_FALSE(a_change());
  world::ListeRecente<int> autre;
  liste = autre;  // an older list's content must not bring an older version back
  EXPECT_TRUE(a_change());
  liste.vide_tout();
  EXPECT_TRUE(a_change());
}

}  // namespace
