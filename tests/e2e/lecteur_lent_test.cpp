// A client that floods requests and never reads its replies must hold up
// neither the world nor the other clients.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cerrno>
#include <thread>

#include "e2e/serveur_de_test.h"

namespace {

using Horloge = std::chrono::steady_clock;

// Sends "GET CUBES" without blocking until the kernel takes no more, or for
// at most `duree`. Returns the number of bytes sent.
std::size_t inonde(ClientDeTest& client, Duree duree) {
  ::fcntl(client.fd(), F_SETFL, ::fcntl(client.fd(), F_GETFL) | O_NONBLOCK);
  std::string requetes;
  for (int i = 0; i < 10'000; ++i) requetes += "GET CUBES\r\n";
  std::size_t total = 0;
  const auto fin = Horloge::now() + duree;
  while (Horloge::now() < fin) {
    const ssize_t envoyes = ::send(client.fd(), requetes.data(), requetes.size(), MSG_NOSIGNAL);
    if (envoyes > 0) {
      total += static_cast<std::size_t>(envoyes);
      continue;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) break;
    std::this_thread::sleep_for(50ms);  // the server may still be draining its side
  }
  return total;
}

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
