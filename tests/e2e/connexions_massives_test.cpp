// Thousands of connections held at once, then dropped, half of them with a
// reset: every thread, descriptor and ship they had goes with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "e2e/stress.h"

namespace {

// Fewer under the sanitizers, whose threads cost several times more.
constexpr int connexions_voulues = sous_sanitizer ? 500 : 2000;

TEST(ConnexionsMassives, TwoThousandDroppedConnectionsLeaveNoThreadDescriptorOrShip) {
  // Our own descriptors: one per connection, plus a margin.
  const int connexions =
      static_cast<int>(std::min<long>(connexions_voulues, leve_limite_descripteurs() - 64));
  ASSERT_GT(connexions, 100);
  ServeurDeTest serveur(false, sortie_jetee());
  const pid_t pid = serveur.processus().pid();
  const AuRepos repos = au_repos(pid);

  std::vector<std::unique_ptr<ClientDeTest>> clients;
  for (int i = 0; i < connexions; ++i) {
    clients.push_back(std::make_unique<ClientDeTest>(serveur.port()));
    // Every other connection registers; its reply also proves that the silent
    // one before it was accepted, so the listen queue never overflows.
    if (i % 2 == 0) {
      ASSERT_EQ(clients.back()->enregistre(1000 + i), "VAISSEAU ENREGISTRE\r\n");
    }
  }
  EXPECT_TRUE(attend_que([&] { return nombre_threads(pid) >= repos.threads + connexions; }, 30s))
      << nombre_threads(pid);
  std::printf("%d connections held: %d threads, %d descriptors, RSS %ld KiB\n", connexions,
              nombre_threads(pid), nombre_descripteurs(pid), rss_ko(pid));

  for (int i = 0; i < connexions; ++i) {
    if (i % 4 < 2) {
      clients[static_cast<std::size_t>(i)]->ferme();
    } else {
      clients[static_cast<std::size_t>(i)]->reinitialise();
    }
  }
  EXPECT_TRUE(attend_que(
      [&] {
        return nombre_threads(pid) == repos.threads &&
               nombre_descripteurs(pid) == repos.descripteurs;
      },
      60s))
      << nombre_threads(pid) << " threads, " << nombre_descripteurs(pid) << " descriptors";

  ClientDeTest dernier(serveur.port());
  ASSERT_EQ(dernier.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(dernier.demande_liste("GET VAISSEAUX\r\n").front(), "PUT VAISSEAUX 1\r\n");
}

}  // namespace
