// arene-charge --sonde, the health check, against a live arena, a stopped
// one, one whose world does not tick, and services that are no arena.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>

#include "e2e/serveur_de_test.h"

namespace {

struct Verdict {
  std::optional<int> statut;  // nothing while it still runs
  std::string sortie;
  std::string erreurs;
};

Verdict sonde(int port) {
  Processus verification(ARENE_CHARGE, {"--sonde", "--port", std::to_string(port)});
  Verdict v;
  v.statut = verification.attend_fin(30s);
  v.sortie = verification.sortie();
  v.erreurs = verification.erreurs();
  return v;
}

std::string arene(int port) { return "arene-charge: 127.0.0.1:" + std::to_string(port); }

TEST(Sonde, ALiveArenaIsHealthyAndTheProbeShipLeaves) {
  ServeurDeTest serveur;
  const Verdict v = sonde(serveur.port());
  EXPECT_EQ(v.statut, 0) << v.erreurs;
  EXPECT_TRUE(std::regex_match(
      v.sortie, std::regex(arene(serveur.port()) + R"( ok: [1-9][0-9]*\.[0-9] ticks/s\n)")))
      << v.sortie;
  EXPECT_EQ(v.erreurs, "");
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(0x123456), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(observateur.demande_liste("GET VAISSEAUX\r\n").size(), 2u);  // its own ship only
}

TEST(Sonde, AClosedPortIsDown) {
  const int port = port_libre();
  const Verdict v = sonde(port);
  EXPECT_EQ(v.statut, 2);
  EXPECT_EQ(v.erreurs, arene(port) + " down: 127.0.0.1:" + std::to_string(port) +
                           ": connect: Connection refused\n");
  EXPECT_EQ(v.sortie, "");
}

TEST(Sonde, AStoppedServerIsFrozen) {
  ServeurDeTest serveur;
  ASSERT_EQ(::kill(serveur.processus().pid(), SIGSTOP), 0);
  const Verdict v = sonde(serveur.port());
  ::kill(serveur.processus().pid(), SIGCONT);
  EXPECT_EQ(v.statut, 3);
  EXPECT_EQ(v.erreurs,
            arene(serveur.port()) + " frozen: no reply from the server within 5000 ms\n");
}

TEST(Sonde, AnArenaThatAnswersButDoesNotTickIsFrozen) {
  // A match server waiting for five players runs no tick yet.
  ServeurDeTest serveur({"--joueurs", "5"});
  const Verdict v = sonde(serveur.port());
  EXPECT_EQ(v.statut, 3);
  EXPECT_EQ(v.erreurs, arene(serveur.port()) + " frozen: no tick seen in 1.5 s\n");
}

TEST(Sonde, ServicesThatAreNoArenaAreToldApart) {
  {
    EcouteEtrangere http("HTTP/1.1 400 Bad Request\r\n\r\n");
    const Verdict v = sonde(http.port());
    EXPECT_EQ(v.statut, 4);
    EXPECT_EQ(v.erreurs, arene(http.port()) +
                             " outside the protocol: registration answered \"HTTP/1.1 400 Bad "
                             "Request\"\n");
  }
  {
    EcouteEtrangere muette;  // closes every connection without a word
    const Verdict v = sonde(muette.port());
    EXPECT_EQ(v.statut, 2);
    EXPECT_EQ(v.erreurs, arene(muette.port()) + " down: the server closed the connection\n");
  }
}

}  // namespace
