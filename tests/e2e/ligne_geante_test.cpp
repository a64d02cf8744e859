// A client that sends one endless line: the server keeps a bounded prefix, so
// its memory does not grow with the line, and the connection goes on.
#include <gtest/gtest.h>

#include "e2e/stress.h"

namespace {

constexpr std::size_t megaoctet = 1024 * 1024;
// In KiB. Under the sanitizers RSS also counts their shadow of every byte the
// server touches (ThreadSanitizer's is four times the memory), so the bound
// there is looser.
constexpr long croissance_max = sous_sanitizer ? 4096 : 1024;

TEST(LigneGeante, AHundredMegabyteLineCostsUnderOneMegabyteAndIsAnsweredAsABadLine) {
  ServeurDeTest serveur(false, sortie_jetee());
  const pid_t pid = serveur.processus().pid();
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(client.demande_liste("GET CUBES\r\n").size(), 201u);  // buffers at their working size
  const long avant = rss_ko(pid);
  ASSERT_GT(avant, 0);

  const std::string morceau(megaoctet, 'A');
  for (int i = 0; i < 100; ++i) client.envoie(morceau);
  // Every byte but what the socket buffers hold has been read by the server.
  const long pendant = rss_ko(pid);
  EXPECT_LT(pendant - avant, croissance_max) << "KiB before " << avant << ", during " << pendant;
  std::printf("RSS growth over a 100 MB line: %ld KiB\n", pendant - avant);

  EXPECT_EQ(client.demande("\r\n", 60s), "ERREUR SYNTAXE\r\n");
  EXPECT_EQ(client.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
  EXPECT_LT(rss_ko(pid) - avant, croissance_max);
}

}  // namespace
