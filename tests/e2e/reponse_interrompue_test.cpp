// Clients killed while a long reply is on its way to them: the server's sends
// fail, those connections end, and the process lives on.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "e2e/stress.h"

namespace {

// In a child process: registers, asks for far more list replies than the
// socket buffers hold, reads the start of them, tells the parent through
// `signal_fd`, then waits to be killed.
[[noreturn]] void client_a_tuer(int port, int couleur, int signal_fd) {
  try {
    ClientDeTest client(port);
    if (client.enregistre(couleur) != "VAISSEAU ENREGISTRE\r\n") ::_exit(1);
    std::string requetes;
    for (int i = 0; i < 2000; ++i) requetes += "GET CUBES\r\n";
    client.envoie(requetes);
    for (int i = 0; i < 300; ++i)
      if (!client.lit_ligne(10s)) ::_exit(1);
    (void)::write(signal_fd, "x", 1);
    ::pause();
  } catch (...) {
  }
  ::_exit(1);
}

TEST(ReponseInterrompue, KillingClientsInTheMiddleOfLongRepliesLeavesTheServerServing) {
  ServeurDeTest serveur(false, sortie_jetee());
  for (int essai = 0; essai < 10; ++essai) {
    int tube[2];
    ASSERT_EQ(::pipe(tube), 0);
    const pid_t enfant = ::fork();
    ASSERT_GE(enfant, 0);
    if (enfant == 0) client_a_tuer(serveur.port(), 50 + essai, tube[1]);
    ::close(tube[1]);
    char octet = 0;
    const bool lu = ::read(tube[0], &octet, 1) == 1;  // EOF if the child failed
    ::close(tube[0]);
    ::kill(enfant, SIGKILL);
    ::waitpid(enfant, nullptr, 0);
    ASSERT_TRUE(lu) << "the client did not get the start of its replies";
  }
  EXPECT_TRUE(serveur.processus().en_vie());
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  // The killed clients' ships leave with their connections.
  EXPECT_TRUE(attend_que(
      [&] { return client.demande_liste("GET VAISSEAUX\r\n").front() == "PUT VAISSEAUX 1\r\n"; },
      30s));
  EXPECT_EQ(client.demande_liste("GET CUBES\r\n").size(), 201u);
  EXPECT_EQ(serveur.processus().erreurs(), "");
}

}  // namespace
