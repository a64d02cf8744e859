// A client that floods requests and never reads its replies must hold up
// neither the world nor the other clients.
#include <gtest/gtest.h>

#include <thread>

#include "e2e/serveur_de_test.h"
#include "e2e/stress.h"

namespace {

// The ships and bullets as `client` sees them now.
std::string photo(ClientDeTest& client) {
  std::string texte;
  for (const auto& l : client.demande_liste("GET VAISSEAUX\r\n")) texte += l;
  for (const auto& l : client.demande_liste("GET BALLES\r\n")) texte += l;
  return texte;
}

TEST(LecteurLent, AClientThatStopsReadingHoldsUpNobody) {
  ServeurDeTest serveur;
  ClientDeTest lent(serveur.port());
  ASSERT_EQ(lent.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_GT(inonde(lent, 2s), 0u);

  ClientDeTest autre(serveur.port());
  ASSERT_EQ(autre.enregistre(2), "VAISSEAU ENREGISTRE\r\n");
  for (int i = 0; i < 60; ++i) ASSERT_EQ(autre.demande("PUT ACTION ACCELERE\r\n"), "OK\r\n");
  // No action between two pictures: any difference is the tick at work.
  bool le_monde_bouge = false;
  for (int essai = 0; essai < 10 && !le_monde_bouge; ++essai) {
    ASSERT_EQ(autre.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
    const std::string avant = photo(autre);
    std::this_thread::sleep_for(200ms);
    le_monde_bouge = photo(autre) != avant;
  }
  EXPECT_TRUE(le_monde_bouge);
  lent.reinitialise();
  EXPECT_EQ(autre.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
}

}  // namespace
