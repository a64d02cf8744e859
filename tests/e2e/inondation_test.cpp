// A client that floods "GET CUBES" and never reads: its replies pile up in
// the socket buffers, not in the server, and nobody else waits for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "e2e/stress.h"

namespace {

using Horloge = std::chrono::steady_clock;

using Micro = std::chrono::microseconds;

// The slowest of `n` "GET STATUT" round trips, each bounded by a generous delay.
Micro pire_latence(ClientDeTest& client, int n) {
  Micro pire{0};
  for (int i = 0; i < n; ++i) {
    const auto depart = Horloge::now();
    if (client.demande("GET STATUT\r\n", 10s) != "PUT STATUT vivant\r\n") return Micro::max();
    pire = std::max(pire, std::chrono::duration_cast<Micro>(Horloge::now() - depart));
  }
  return pire;
}

TEST(Inondation, AFlooderThatNeverReadsCostsBoundedMemoryAndDelaysNobody) {
  ServeurDeTest serveur(false, sortie_jetee());
  const pid_t pid = serveur.processus().pid();
  ClientDeTest autre(serveur.port());
  ASSERT_EQ(autre.enregistre(2), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(autre.demande_liste("GET CUBES\r\n").size(), 201u);
  const Micro latence_seul = pire_latence(autre, 200);
  const long avant = rss_ko(pid);

  ClientDeTest inondeur(serveur.port());
  ASSERT_EQ(inondeur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  const std::size_t envoyes = inonde(inondeur, 3s);
  EXPECT_GT(envoyes, 100'000u);  // far more replies than the socket buffers hold

  const Micro latence_inonde = pire_latence(autre, 200);
  EXPECT_LT(latence_inonde, 5s);
  EXPECT_TRUE(le_monde_bouge(autre, 20s));
  // The flooder's pending replies: at most one batch in the server.
  const long apres = rss_ko(pid);
  EXPECT_LT(apres - avant, sous_sanitizer ? 32 * 1024 : 4 * 1024) << avant << " -> " << apres;
  std::printf(
      "flood of %zu bytes: RSS growth %ld KiB, other client's worst latency %lld us "
      "(alone %lld us)\n",
      envoyes, apres - avant, static_cast<long long>(latence_inonde.count()),
      static_cast<long long>(latence_seul.count()));

  // Well before the stall limit, the flooder still plays.
  EXPECT_EQ(compte_de_liste(autre.demande_liste("GET VAISSEAUX\r\n").front()), 2);
  inondeur.reinitialise();
  EXPECT_TRUE(attend_que(
      [&] { return compte_de_liste(autre.demande_liste("GET VAISSEAUX\r\n").front()) == 1; }, 20s));
}

}  // namespace
