// Registration conversations with the real server.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

#include "e2e/serveur_de_test.h"

namespace {

// The ids of the ships in play, in list order, as another client sees them.
std::vector<long long> ids_en_jeu(ClientDeTest& observateur) {
  std::vector<long long> ids;
  const auto lignes = observateur.demande_liste("GET VAISSEAUX\r\n");
  for (std::size_t i = 1; i < lignes.size(); ++i)
    ids.push_back(std::atoll(lignes[i].c_str() + lignes[i].rfind(' ') + 1));
  return ids;
}

// Polls until the server lists `attendus`, with a generous bound.
bool attend_ids(ClientDeTest& observateur, const std::vector<long long>& attendus) {
  const auto fin = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < fin) {
    if (ids_en_jeu(observateur) == attendus) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

TEST(Enregistrement, BadLinesAreRefusedAndLoggedEvenWithoutDebug) {
  ServeurDeTest serveur;
  ClientDeTest client(serveur.port());
  const std::string refusees[] = {
      "PUT COULEUR VAISSEAU 255\n",  // LF alone
      "PUT COULEUR VAISSEAU 0255\r\n",
      "PUT COULEUR VAISSEAU +255\r\n",
      "PUT COULEUR VAISSEAU -0\r\n",
      "PUT COULEUR  VAISSEAU 255\r\n",
      "PUT COULEUR VAISSEAU 255 \r\n",
      "put couleur vaisseau 255\r\n",
      "PUT COULEUR VAISSEAU 255\rX\r\n",
      "PUT COULEUR VAISSEAU 9223372036854775808\r\n",
      "\r\n",
      "GET STATUT\r\n",
      "PUT ACTION QUITTE\r\n",
  };
  std::string journal_attendu;
  for (const std::string& ligne : refusees) {
    EXPECT_EQ(client.demande(ligne), "ERREUR SYNTAXE\r\n") << ligne;
    journal_attendu += "erreur client: " + ligne.substr(0, ligne.size() - 1) + "\n";
  }
  EXPECT_EQ(client.enregistre(-5), "VAISSEAU ENREGISTRE\r\n");
  const auto vaisseaux = client.demande_liste("GET VAISSEAUX\r\n");
  ASSERT_EQ(vaisseaux.size(), 2u);
  EXPECT_TRUE(vaisseaux[1].ends_with(" 5 -5\r\n")) << vaisseaux[1];
  EXPECT_EQ(serveur.processus().sortie(200ms), prelude_serveur() + journal_attendu);
}

TEST(Enregistrement, AColourInUseIsRefusedAndAnotherOneAccepted) {
  ServeurDeTest serveur;
  ClientDeTest premier(serveur.port());
  ClientDeTest second(serveur.port());
  EXPECT_EQ(premier.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(second.enregistre(255), "ERREUR COULEUR UTILISEE\r\n");
  EXPECT_EQ(second.enregistre(9223372036854775807LL), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(second.enregistre(0), "ERREUR SYNTAXE\r\n");  // registered: now an unknown line
  EXPECT_EQ(ids_en_jeu(premier), (std::vector<long long>{9223372036854775807LL, 255}));
  EXPECT_EQ(serveur.processus().sortie(200ms),
            prelude_serveur() + "erreur client: la couleur est deja utilisee\n");
}

TEST(Enregistrement, TwoClientsRacingForOneColourExactlyOneWins) {
  ServeurDeTest serveur;
  for (int couleur = 1; couleur <= 10; ++couleur) {
    ClientDeTest a(serveur.port());
    ClientDeTest b(serveur.port());
    const std::string ligne = "PUT COULEUR VAISSEAU " + std::to_string(couleur) + "\r\n";
    a.envoie(ligne);
    b.envoie(ligne);
    const auto ra = a.lit_ligne();
    const auto rb = b.lit_ligne();
    ASSERT_TRUE(ra && rb);
    const std::multiset<std::string> reponses = {*ra, *rb};
    EXPECT_EQ(reponses, (std::multiset<std::string>{"VAISSEAU ENREGISTRE\r\n",
                                                    "ERREUR COULEUR UTILISEE\r\n"}));
  }
}

TEST(Enregistrement, AColourIsFreeAgainOnceItsShipHasLeft) {
  ServeurDeTest serveur;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  {
    ClientDeTest parti(serveur.port());
    ASSERT_EQ(parti.enregistre(42), "VAISSEAU ENREGISTRE\r\n");
    ASSERT_EQ(parti.demande("PUT ACTION QUITTE\r\n"), "OK\r\n");
    ASSERT_TRUE(parti.attend_fermeture());
  }
  ClientDeTest revenu(serveur.port());
  EXPECT_EQ(revenu.enregistre(42), "VAISSEAU ENREGISTRE\r\n");
  revenu.reinitialise();  // gone without a word
  ASSERT_TRUE(attend_ids(observateur, {1}));
  ClientDeTest troisieme(serveur.port());
  EXPECT_EQ(troisieme.enregistre(42), "VAISSEAU ENREGISTRE\r\n");
}

// Once a player reads the "OK" of its quit, its ship is gone and its colour
// free: a new connection, opened beforehand so that it is one write away,
// registers the colour at once. The old connection's end, which comes after,
// must leave the new ship alone.
TEST(Enregistrement, AColourIsFreeTheMomentItsQuitIsAnswered) {
  ServeurDeTest serveur;
  auto joueur = std::make_unique<ClientDeTest>(serveur.port());
  ASSERT_EQ(joueur->enregistre(77), "VAISSEAU ENREGISTRE\r\n");
  for (int tour = 0; tour < 200; ++tour) {
    auto suivant = std::make_unique<ClientDeTest>(serveur.port());
    ASSERT_EQ(joueur->demande("PUT ACTION QUITTE\r\n"), "OK\r\n") << "round " << tour;
    ASSERT_EQ(suivant->enregistre(77), "VAISSEAU ENREGISTRE\r\n") << "round " << tour;
    ASSERT_TRUE(joueur->attend_fermeture()) << "round " << tour;
    ASSERT_EQ(suivant->demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n") << "round " << tour;
    joueur = std::move(suivant);
  }
}

TEST(Enregistrement, AClientThatSaysNothingLeavesNoShipAndNoMessage) {
  ServeurDeTest serveur(/*debug=*/true);
  const std::size_t demarrage = serveur.processus().sortie().size();
  { ClientDeTest muet(serveur.port()); }
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(65280), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(serveur.processus().sortie(200ms).substr(demarrage), "Oh, un nouveau client (vert)\n");
  EXPECT_EQ(ids_en_jeu(client), (std::vector<long long>{65280}));
}

}  // namespace
