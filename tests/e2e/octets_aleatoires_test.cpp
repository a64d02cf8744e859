// Clients that send random bytes and random lines and drop their connections
// at random, for a while: afterwards a correct client is served correctly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <random>
#include <thread>

#include "e2e/stress.h"

namespace {

using Horloge = std::chrono::steady_clock;

// A minute in release; a quarter of it under the sanitizers, whose server is
// several times slower and whose suite must fit in CI's time.
constexpr auto duree = sous_sanitizer ? 15s : 60s;
constexpr int clients_hostiles = 8;

const char* const commandes[] = {
    "GET BALLES\r\n",          "GET CUBES\r\n",          "GET MAX PT VIE\r\n",
    "GET RAYON BALLE\r\n",     "GET RAYON VAISSEAU\r\n", "GET STATUT\r\n",
    "GET TAILLE PLATEAU\r\n",  "GET VAISSEAUX\r\n",      "PUT ACTION ACCELERE\r\n",
    "PUT ACTION DECELERE\r\n", "PUT ACTION DROITE\r\n",  "PUT ACTION GAUCHE\r\n",
    "PUT ACTION TIRE\r\n",     "PUT ACTION QUITTE\r\n",
};

class Hostile {
 public:
  explicit Hostile(unsigned graine) : alea_(graine) {}

  // Something to send: raw bytes, a command, a registration, a mangled line.
  std::string message() {
    switch (tire(0, 5)) {
      case 0:
        return octets(tire(1, 3000));
      case 1:
        return commandes[tire(0, std::size(commandes) - 1)];
      case 2:
        return "PUT COULEUR VAISSEAU " + std::to_string(tire(0, 40) - 5) + "\r\n";
      case 3: {
        std::string ligne = commandes[tire(0, std::size(commandes) - 1)];
        ligne[tire(0, ligne.size() - 1)] = static_cast<char>(tire(0, 255));
        return ligne;
      }
      case 4:
        return std::string(tire(4000, 9000), 'Z') + "\r\n";
      default:
        return octets(tire(1, 40)) + "\n";
    }
  }
  std::size_t tire(std::size_t min, std::size_t max) {
    return std::uniform_int_distribution<std::size_t>(min, max)(alea_);
  }

 private:
  std::string octets(std::size_t n) {
    std::string texte(n, '\0');
    for (char& c : texte) c = static_cast<char>(tire(0, 255));
    return texte;
  }
  std::mt19937 alea_;
};

// Throws away whatever the server has sent, without waiting.
void vide(int fd) {
  char poubelle[65536];
  while (::recv(fd, poubelle, sizeof poubelle, MSG_DONTWAIT) > 0) {
  }
}

// One hostile client until `fin`: connects, sends a random number of random
// messages, sometimes reads, then closes, resets or just leaves.
void joue_hostile(int port, unsigned graine, Horloge::time_point fin,
                  std::atomic<long>& connexions) {
  Hostile h(graine);
  while (Horloge::now() < fin) {
    try {
      ClientDeTest client(port);
      ++connexions;
      // A server that has stopped reading us must not stall this client for long.
      const timeval limite{2, 0};
      ::setsockopt(client.fd(), SOL_SOCKET, SO_SNDTIMEO, &limite, sizeof limite);
      for (std::size_t n = h.tire(1, 200); n > 0 && Horloge::now() < fin; --n) {
        client.envoie(h.message());
        if (h.tire(0, 3) == 0) vide(client.fd());
      }
      if (h.tire(0, 1) == 0) client.reinitialise();
    } catch (const std::exception&) {
      // The server ended the connection (a quit, a failed send): start again.
    }
  }
}

TEST(OctetsAleatoires, AfterRandomBytesLinesAndDisconnectsACorrectClientIsServed) {
  ServeurDeTest serveur(false, sortie_jetee());
  const pid_t pid = serveur.processus().pid();
  const int threads_au_repos = au_repos(pid).threads;
  std::atomic<long> connexions{0};
  const auto fin = Horloge::now() + duree;
  std::vector<std::thread> hostiles;
  for (int i = 0; i < clients_hostiles; ++i)
    hostiles.emplace_back(joue_hostile, serveur.port(), 1234u + static_cast<unsigned>(i), fin,
                          std::ref(connexions));
  for (auto& t : hostiles) t.join();
  std::printf(
      "%ld hostile connections in %lld s\n", connexions.load(),
      static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(duree).count()));
  EXPECT_GT(connexions.load(), clients_hostiles);
  ASSERT_TRUE(serveur.processus().en_vie());

  // Every hostile connection has ended, and took its ship with it.
  EXPECT_TRUE(attend_que([&] { return nombre_threads(pid) == threads_au_repos; }, 60s))
      << nombre_threads(pid);
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(client.demande("GET TAILLE PLATEAU\r\n"), "PUT TAILLE PLATEAU 1408. 1408.\r\n");
  EXPECT_EQ(client.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
  EXPECT_EQ(client.demande_liste("GET VAISSEAUX\r\n").size(), 2u);
  const auto cubes = client.demande_liste("GET CUBES\r\n");
  EXPECT_EQ(cubes.front(), "PUT CUBES 200\r\n");
  EXPECT_EQ(cubes.size(), 201u);
  EXPECT_EQ(client.demande("PUT ACTION QUITTE\r\n"), "OK\r\n");
  EXPECT_TRUE(client.attend_fermeture());
}

}  // namespace
