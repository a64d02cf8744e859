// The binary's command line, start-up messages and exit statuses.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "e2e/serveur_de_test.h"

namespace {

struct CasUsage {
  std::vector<std::string> arguments;
};

TEST(LigneDeCommande, EveryWrongFormPrintsTheUsageAndExitsWithOne) {
  const std::vector<std::vector<std::string>> cas = {
      {"-debug", "-debug"}, {"abc"}, {"12a"}, {"1", "2", "3"}, {"4000", "4001"}, {""}, {"-Debug"}};
  for (const auto& arguments : cas) {
    Processus p(binaire_arene(), arguments);
    EXPECT_EQ(p.attend_fin(10s), 1) << testing::PrintToString(arguments);
    EXPECT_EQ(p.sortie(), "usage : " + binaire_arene() + " [-debug] [port_number]\n");
    EXPECT_EQ(p.erreurs(), "");
  }
}

TEST(Demarrage, DebugModePrintsTheFiveMessagesInOrder) {
  ServeurDeTest serveur(/*debug=*/true);
  EXPECT_EQ(serveur.processus().sortie(),
            "creation des cubes\n"
            "lancement du serveur\n"
            "creation de la socket principale\n"
            "binding et listening\n"
            "attente des clients\n");
  ClientDeTest client(serveur.port());  // and it accepts
  EXPECT_TRUE(serveur.processus().en_vie());
}

TEST(Demarrage, WithoutDebugNothingIsPrinted) {
  ServeurDeTest serveur;
  { ClientDeTest client(serveur.port()); }
  EXPECT_EQ(serveur.processus().sortie(300ms), "");
  EXPECT_EQ(serveur.processus().erreurs(), "");
  EXPECT_TRUE(serveur.processus().en_vie());
}

TEST(Demarrage, APortInUseEndsWithTwoAfterBindingMessage) {
  ServeurDeTest premier;
  Processus second(binaire_arene(), {"-debug", std::to_string(premier.port())});
  EXPECT_EQ(second.attend_fin(10s), 2);
  EXPECT_EQ(second.sortie(),
            "creation des cubes\n"
            "lancement du serveur\n"
            "creation de la socket principale\n"
            "binding et listening\n");
  const std::string erreurs = second.erreurs();
  EXPECT_NE(erreurs.find("bind"), std::string::npos) << erreurs;
  EXPECT_EQ(std::count(erreurs.begin(), erreurs.end(), '\n'), 1) << erreurs;
}

// Whoever holds the port, the one-line message says which port was taken:
// the game port of either server and the referee's spectator port.
TEST(Demarrage, APortInUseIsNamedInTheMessage) {
  ServeurDeTest occupant;
  const std::string pris = std::to_string(occupant.port());
  const std::string libre = std::to_string(port_libre());
  const std::vector<std::vector<std::string>> cas = {
      {binaire_arene(), pris},
      {ARENE_ARBITRE, "--port", pris},
      {ARENE_ARBITRE, "--port", libre, "--spectateurs", pris},
  };
  for (const auto& ligne : cas) {
    Processus p(ligne[0], {ligne.begin() + 1, ligne.end()});
    EXPECT_EQ(p.attend_fin(10s), 2) << ligne.back();
    const std::string erreurs = p.erreurs();
    EXPECT_NE(erreurs.find("bind : port " + pris + " : "), std::string::npos) << erreurs;
    EXPECT_NE(erreurs.find(std::strerror(EADDRINUSE)), std::string::npos) << erreurs;
  }
}

TEST(Demarrage, APortOutsideTheTcpRangeEndsWithTwo) {
  for (const char* port : {"65536", "-1", "0x10000"}) {
    Processus p(binaire_arene(), {port});
    EXPECT_EQ(p.attend_fin(10s), 2) << port;
    EXPECT_EQ(p.sortie(), "") << port;
    EXPECT_NE(p.erreurs().find("bind"), std::string::npos) << port;
  }
}

TEST(Demarrage, TheDefaultPortIsTheOneUsedWhenNoneIsGiven) {
  // Only meaningful when 12345 is free on this machine; otherwise exit 2 is correct.
  Processus p(binaire_arene(), {"-debug"});
  if (p.attend_sortie("attente des clients\n", 10s)) {
    ClientDeTest client(12345);
    EXPECT_TRUE(p.en_vie());
  } else {
    EXPECT_EQ(p.attend_fin(10s), 2);
  }
}

}  // namespace
