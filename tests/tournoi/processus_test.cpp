#include "tournoi/processus.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(Processus, PortEnEcouteLuDansProc) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t taille = sizeof adresse;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&adresse), &taille), 0);
  EXPECT_EQ(port_en_ecoute(::getpid()), std::nullopt) << "bound but not listening yet";
  ASSERT_EQ(::listen(fd, 1), 0);
  EXPECT_EQ(port_en_ecoute(::getpid()), ntohs(adresse.sin_port));
  ::close(fd);
}

// The live processes of group `groupe`: those whose stat line says so and that
// are not zombies waiting for whoever adopted them.
int vivants_du_groupe(pid_t groupe) {
  int vivants = 0;
  for (const auto& entree : std::filesystem::directory_iterator("/proc")) {
    std::ifstream flux(entree.path() / "stat");
    std::string ligne;
    if (!std::getline(flux, ligne) || ligne.rfind(')') == std::string::npos) continue;
    std::istringstream champs(ligne.substr(ligne.rfind(')') + 2));
    char etat = 0;
    long parent = 0, pgrp = 0;
    champs >> etat >> parent >> pgrp;
    vivants += pgrp == groupe && etat != 'Z';
  }
  return vivants;
}

// What the shell starts in the background belongs to the group, and goes with it.
TEST(Processus, ToutLeGroupeDisparait) {
  const pid_t pid = [] {
    Groupe groupe(Commande{{"/bin/sh", "-c", "sleep 100 & sleep 100 & wait"}, {}, {}});
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(groupe.fin());
    EXPECT_EQ(vivants_du_groupe(groupe.pid()), 3);
    return groupe.pid();
  }();
  const auto limite = std::chrono::steady_clock::now() + 10s;
  while (vivants_du_groupe(pid) > 0 && std::chrono::steady_clock::now() < limite)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(vivants_du_groupe(pid), 0);
}

// A signal that dumps core is a signal too: the second one raises its core
// limit first, since hosts often start with none and no core is written.
TEST(Processus, FinsObservees) {
  struct Cas {
    std::vector<std::string> arguments;
    FinProcessus attendue;
  };
  const Cas cas[] = {{{"/bin/sh", "-c", "exit 3"}, {3, 0}},
                     {{"/bin/sh", "-c", "kill -SEGV $$"}, {0, SIGSEGV}},
                     {{"/bin/sh", "-c", "ulimit -c unlimited; kill -SEGV $$"}, {0, SIGSEGV}},
                     {{"/nulle/part"}, {127, 0}}};
  // Where the cores go.
  const std::filesystem::path dossier = ::testing::TempDir() + "processus_test";
  std::filesystem::create_directories(dossier);
  for (const Cas& c : cas) {
    Groupe groupe(Commande{c.arguments, dossier, {}});
    const auto fin = groupe.attend(10s);
    ASSERT_TRUE(fin) << c.arguments.back();
    EXPECT_EQ(fin->code, c.attendue.code) << c.arguments.back();
    EXPECT_EQ(fin->signal, c.attendue.signal) << c.arguments.back();
    // Observed, not reaped: the group can still be signalled.
    EXPECT_EQ(::kill(groupe.pid(), 0), 0);
  }
  std::filesystem::remove_all(dossier);
}

}  // namespace
