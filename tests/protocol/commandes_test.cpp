// One request line through traite_commande: its reply bytes and its effect on
// a small world.
#include "protocol/commandes.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "simulation/monde_de_test.h"

namespace {

constexpr std::int64_t rouge = 16711680;

struct TraiteCommande : testing::Test {
  TraiteCommande() : monde(7) {
    monde.cubes = {world::cube{44.0, 66.0, 66.0, 88.0}, world::cube{0.0, 0.0, 22.0, 22.0}};
    monde.vaisseaux.ajoute_en_tete(world::vaisseau{120.75, 980.0, 4.01, 0.0, 3, 255});
    monde.vaisseaux.ajoute_en_tete(world::vaisseau{700.0, 350.25, 1.5, 0.0, 5, rouge});
    monde.balles.ajoute_en_tete(world::balle{10.0, 10.0, 0.0, rouge});
    monde.balles.ajoute_en_tete(world::balle{100.5, 20.0, 0.0, 255});
  }

  // The reply to one line, served under verrou as the connection does.
  std::string repond(std::string_view ligne, protocol::Suite attendue = protocol::Suite::Continue) {
    std::scoped_lock tenu{monde.verrou};
    std::string sortie;
    EXPECT_EQ(protocol::traite_commande(arene, session, ligne, sortie), attendue) << ligne;
    return sortie;
  }

  world::Monde monde;
  protocol::Arene arene{monde};
  protocol::Session session{rouge, "Le client rouge "};
};

TEST_F(TraiteCommande, ListsComeNewestFirstWithTheirCount) {
  EXPECT_EQ(repond("GET VAISSEAUX\r"),
            "PUT VAISSEAUX 2\r\n"
            "700. 350.25 1.5 5 16711680\r\n"
            "120.75 980. 4.01 3 255\r\n");
  EXPECT_EQ(repond("GET BALLES\r"),
            "PUT BALLES 2\r\n"
            "100.5 20. 255\r\n"
            "10. 10. 16711680\r\n");
  EXPECT_EQ(repond("GET CUBES\r"),
            "PUT CUBES 2\r\n"
            "44. 66. 66. 88.\r\n"
            "0. 0. 22. 22.\r\n");
  monde.vaisseaux.vide_tout();
  monde.balles.vide_tout();
  EXPECT_EQ(repond("GET VAISSEAUX\r"), "PUT VAISSEAUX 0\r\n");
  EXPECT_EQ(repond("GET BALLES\r"), "PUT BALLES 0\r\n");
}

TEST_F(TraiteCommande, ActionsSteerTheShipOfTheColourAndAnswerOk) {
  EXPECT_EQ(repond("PUT ACTION ACCELERE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION ACCELERE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION DECELERE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION GAUCHE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION GAUCHE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION DROITE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION TIRE\r"), "OK\r\n");
  const world::vaisseau& mien = monde.vaisseaux[0];
  EXPECT_DOUBLE_EQ(mien.vitesse, 0.05);
  EXPECT_DOUBLE_EQ(mien.angle, 1.55);
  EXPECT_EQ(monde.balles.taille(), 3u);
  EXPECT_EQ(monde.balles[0].id, rouge);
  EXPECT_EQ(monde.vaisseaux[1], (world::vaisseau{120.75, 980.0, 4.01, 0.0, 3, 255}));  // untouched
}

TEST_F(TraiteCommande, AShipThatIsGoneIsDeadAndItsActionsDoNothing) {
  monde.vaisseaux.retire_premier([](const world::vaisseau& v) { return v.id == rouge; });
  EXPECT_EQ(repond("GET STATUT\r"), "PUT STATUT mort\r\n");
  EXPECT_EQ(repond("PUT ACTION TIRE\r"), "OK\r\n");
  EXPECT_EQ(repond("PUT ACTION ACCELERE\r"), "OK\r\n");
  EXPECT_EQ(monde.balles.taille(), 2u);
  EXPECT_EQ(monde.vaisseaux[0].vitesse, 0.0);
}

TEST_F(TraiteCommande, QuitteRemovesTheShipAnswersOkAndEndsTheLoop) {
  EXPECT_EQ(repond("PUT ACTION QUITTE\r", protocol::Suite::Quitte), "OK\r\n");
  // Gone within the hold that composed "OK"; the other ship stays.
  EXPECT_EQ(en_ordre(monde.vaisseaux),
            (std::vector<world::vaisseau>{{120.75, 980.0, 4.01, 0.0, 3, 255}}));
  EXPECT_EQ(monde.balles.taille(), 2u);  // its bullets fly on
}

TEST_F(TraiteCommande, NearMissesAreSyntaxErrorsThatChangeNothing) {
  using namespace std::string_literals;
  const std::string cas[] = {
      "GET STATUT",
      " GET STATUT\r",
      "GET STATUT \r",
      "get statut\r",
      "GET STATUT\r\r",
      "GET  STATUT\r",
      "GET STATUTS\r",
      "GET\r",
      "",
      "\r",
      "PUT ACTION TIRE",
      "PUT ACTION  TIRE\r",
      "PUT ACTION QUITTE",
      "PUT COULEUR VAISSEAU 16711680\r",
      "GET STATUT\0\r"s,
      std::string(4096, 'G'),
  };
  const auto vaisseaux =
      std::vector<world::vaisseau>(monde.vaisseaux.begin(), monde.vaisseaux.end());
  for (const std::string& ligne : cas) EXPECT_EQ(repond(ligne), "ERREUR SYNTAXE\r\n") << ligne;
  EXPECT_EQ(std::vector<world::vaisseau>(monde.vaisseaux.begin(), monde.vaisseaux.end()),
            vaisseaux);
  EXPECT_EQ(monde.balles.taille(), 2u);
}

}  // namespace
