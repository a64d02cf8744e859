// One connection served in-process over a socket pair, for the endings that
// are slow or hard to bring about through the real server.
#include "protocol/client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "geometry/cubes.h"
#include "simulation/spawn.h"

namespace {

using namespace std::chrono_literals;

// A Monde, `client` on a thread, and the peer's end of the socket pair.
class ConnexionDeTest {
 public:
  ConnexionDeTest(world::Monde& monde, transport::OptionsConnexion options = {}) : arene_(monde) {
    int paire[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, paire) != 0) throw std::runtime_error("socketpair");
    pair_ = transport::Socket(paire[0]);
    serveur_ = transport::Socket(paire[1]);
    options_ = options;
  }
  ~ConnexionDeTest() {
    pair_.ferme();  // unblocks a connection still running after a failed check
    if (thread_.joinable()) thread_.join();
  }

  void demarre() {
    thread_ = std::thread([this, serveur = std::move(serveur_), fini = std::move(fini_)]() mutable {
      protocol::client(arene_, std::move(serveur), options_);
      fini.set_value();
    });
  }
  bool termine_dans(std::chrono::seconds delai) {
    return termine_.wait_for(delai) == std::future_status::ready;
  }

  // Shrinks the server side's send buffer, before `demarre`: a few kilobytes
  // of replies that nobody reads then leave the connection waiting in send.
  void limite_envoi(int octets) {
    ASSERT_EQ(::setsockopt(serveur_.fd(), SOL_SOCKET, SO_SNDBUF, &octets, sizeof octets), 0);
  }

  void envoie(std::string_view octets) {
    ASSERT_EQ(::send(pair_.fd(), octets.data(), octets.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(octets.size()));
  }
  // What arrives within `delai`, stopping once `attendu` bytes are there.
  std::string recoit(std::size_t attendu, std::chrono::milliseconds delai) {
    return recoit_jusqu_a([&](const std::string& recu) { return recu.size() >= attendu; }, delai);
  }
  // What arrives within `delai`, stopping once `lignes` whole lines are there.
  std::string recoit_lignes(std::ptrdiff_t lignes, std::chrono::milliseconds delai) {
    return recoit_jusqu_a(
        [&](const std::string& recu) {
          return std::count(recu.begin(), recu.end(), '\n') >= lignes;
        },
        delai);
  }
  transport::Socket& pair() { return pair_; }

 private:
  template <typename Assez>
  std::string recoit_jusqu_a(Assez assez, std::chrono::milliseconds delai) {
    std::string recu;
    const auto fin = std::chrono::steady_clock::now() + delai;
    while (!assez(recu)) {
      const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
          fin - std::chrono::steady_clock::now());
      pollfd attente{pair_.fd(), POLLIN, 0};
      if (reste <= 0ms || ::poll(&attente, 1, static_cast<int>(reste.count())) <= 0) break;
      char morceau[4096];
      const ssize_t lus = ::recv(pair_.fd(), morceau, sizeof morceau, 0);
      if (lus <= 0) break;
      recu.append(morceau, static_cast<std::size_t>(lus));
    }
    return recu;
  }

  protocol::Arene arene_;
  transport::OptionsConnexion options_;
  transport::Socket pair_;
  transport::Socket serveur_;
  std::promise<void> fini_;
  std::future<void> termine_ = fini_.get_future();
  std::thread thread_;
};

std::size_t nombre_de_vaisseaux(world::Monde& monde) {
  std::scoped_lock tenu{monde.verrou};
  return monde.vaisseaux.taille();
}

std::size_t vaisseaux_de_couleur(world::Monde& monde, std::int64_t couleur) {
  std::scoped_lock tenu{monde.verrou};
  return static_cast<std::size_t>(
      std::count_if(monde.vaisseaux.begin(), monde.vaisseaux.end(),
                    [&](const world::vaisseau& v) { return v.id == couleur; }));
}

// Polls until the world holds `n` ships, with a generous bound.
bool attend_vaisseaux(world::Monde& monde, std::size_t n, std::chrono::seconds delai) {
  const auto fin = std::chrono::steady_clock::now() + delai;
  while (nombre_de_vaisseaux(monde) != n) {
    if (std::chrono::steady_clock::now() > fin) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// A TCP connection accepted on the loopback, as the server's accept loop gets it.
transport::Socket connexion_acceptee(transport::Socket& client) {
  transport::Socket ecoute(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t taille = sizeof adresse;
  if (::bind(ecoute.fd(), reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0 ||
      ::listen(ecoute.fd(), 1) != 0 ||
      ::getsockname(ecoute.fd(), reinterpret_cast<sockaddr*>(&adresse), &taille) != 0)
    throw std::runtime_error("listen");
  client = transport::Socket(::socket(AF_INET, SOCK_STREAM, 0));
  if (::connect(client.fd(), reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0)
    throw std::runtime_error("connect");
  return transport::Socket(::accept(ecoute.fd(), nullptr, nullptr));
}

TEST(Connexion, RepliesLeaveAtOnceWithoutWaitingForAnAcknowledgement) {
  transport::Socket client;
  transport::Connexion connexion(connexion_acceptee(client), transport::OptionsConnexion{});
  int valeur = 0;
  socklen_t taille = sizeof valeur;
  ASSERT_EQ(::getsockopt(connexion.socket.fd(), IPPROTO_TCP, TCP_NODELAY, &valeur, &taille), 0);
  EXPECT_NE(valeur, 0);
}

TEST(Connexion, ASendWithoutProgressForTheDelayEndsTheConnectionAndRemovesTheShip) {
  world::Monde monde(1);
  monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, config::nb_cubes);
  ConnexionDeTest connexion(monde, transport::OptionsConnexion{.delai_envoi_bloque = 200ms});
  connexion.demarre();
  connexion.envoie("PUT COULEUR VAISSEAU 1\r\n");
  ASSERT_EQ(connexion.recoit(21, 10s), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(nombre_de_vaisseaux(monde), 1u);
  // Far more reply bytes than the socket buffers hold; the peer never reads.
  std::string requetes;
  for (int i = 0; i < 2000; ++i) requetes += "GET CUBES\r\n";
  connexion.envoie(requetes);
  EXPECT_TRUE(connexion.termine_dans(20s));
  EXPECT_EQ(nombre_de_vaisseaux(monde), 0u);
}

TEST(Connexion, AShipWhoseRegistrationCannotBeAnsweredIsRemoved) {
  world::Monde monde(2);
  ConnexionDeTest connexion(monde);
  connexion.envoie("PUT COULEUR VAISSEAU 7\r\n");
  connexion.pair().ferme();
  connexion.demarre();
  EXPECT_TRUE(connexion.termine_dans(20s));
  EXPECT_EQ(nombre_de_vaisseaux(monde), 0u);
}

TEST(Connexion, ARegistrationWaitsUntilTheBoardHasRoom) {
  world::Monde monde(3);
  // Every cell holds a cube: no position is free for a ship.
  monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, 64 * 64);
  ConnexionDeTest connexion(monde);
  connexion.demarre();
  connexion.envoie("PUT COULEUR VAISSEAU 7\r\n");
  EXPECT_EQ(connexion.recoit(1, 300ms), "");  // still trying, and the lock is free meanwhile
  {
    std::scoped_lock tenu{monde.verrou};
    monde.cubes.clear();
    monde.grille = {};
  }
  EXPECT_EQ(connexion.recoit(21, 10s), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(nombre_de_vaisseaux(monde), 1u);
  connexion.pair().ferme();
  EXPECT_TRUE(connexion.termine_dans(20s));
  EXPECT_EQ(nombre_de_vaisseaux(monde), 0u);
}

// The quit command removes the ship before "OK" is sent. A player whose "OK"
// cannot leave (it never reads) is out of play at once, not after the send
// delay; and when its connection ends at last, the ship that a new player has
// registered under the colour meanwhile stays.
TEST(Connexion, QuitteRemovesTheShipEvenWhileItsOkCannotBeSent) {
  world::Monde monde(4);
  monde.cubes = geometry::cree_cubes(monde.grille, monde.alea, config::nb_cubes);
  ConnexionDeTest joueur(monde);  // the send delay stays at its 60 s
  joueur.limite_envoi(4096);
  joueur.demarre();
  joueur.envoie("PUT COULEUR VAISSEAU 1\r\n");
  ASSERT_EQ(joueur.recoit(21, 10s), "VAISSEAU ENREGISTRE\r\n");
  ConnexionDeTest observateur(monde);
  observateur.demarre();
  observateur.envoie("PUT COULEUR VAISSEAU 2\r\n");
  ASSERT_EQ(observateur.recoit(21, 10s), "VAISSEAU ENREGISTRE\r\n");
  // One group of about 40 KB of replies, far beyond the buffer, "OK" last.
  std::string requetes;
  for (int i = 0; i < 10; ++i) requetes += "GET CUBES\r\n";
  joueur.envoie(requetes + "PUT ACTION QUITTE\r\n");
  EXPECT_TRUE(attend_vaisseaux(monde, 1, 10s));
  observateur.envoie("GET VAISSEAUX\r\n");
  const std::string liste = observateur.recoit_lignes(2, 10s);
  EXPECT_TRUE(liste.starts_with("PUT VAISSEAUX 1\r\n") && liste.ends_with(" 5 2\r\n")) << liste;

  ASSERT_FALSE(joueur.termine_dans(0s)) << "the replies were sent: the buffer took them all";
  ConnexionDeTest revenu(monde);
  revenu.demarre();
  revenu.envoie("PUT COULEUR VAISSEAU 1\r\n");
  EXPECT_EQ(revenu.recoit_lignes(1, 10s), "VAISSEAU ENREGISTRE\r\n");
  joueur.pair().ferme();  // the send fails at last and the connection ends
  ASSERT_TRUE(joueur.termine_dans(20s));
  EXPECT_EQ(vaisseaux_de_couleur(monde, 1), 1u);
  revenu.envoie("GET STATUT\r\n");
  EXPECT_EQ(revenu.recoit_lignes(1, 10s), "PUT STATUT vivant\r\n");
}

// A rival waiting with the tick's priority is handed verrou the moment the
// registration lets go of it. Were the colour check and the insertion of the
// ship two holds, the rival would place the colour in between and both would
// win. The pauses only put the two in line; the outcome never depends on them.
TEST(Connexion, NoRivalGetsInBetweenTheColourCheckAndTheInsertion) {
  for (std::int64_t couleur = 1; couleur <= 5; ++couleur) {
    world::Monde monde(static_cast<std::uint64_t>(couleur));
    ConnexionDeTest connexion(monde);
    connexion.demarre();
    simulation::Spawn rival = simulation::Spawn::PasDePlace;
    std::thread rivale;
    {
      std::scoped_lock tenu{monde.verrou};
      connexion.envoie("PUT COULEUR VAISSEAU " + std::to_string(couleur) + "\r\n");
      std::this_thread::sleep_for(100ms);  // the registration waits for verrou by now
      rivale = std::thread([&] {
        world::VerrouTick priorite(monde.verrou);
        rival = simulation::cree_vaisseau(monde, couleur);
      });
      std::this_thread::sleep_for(100ms);  // and the rival too, next in line after it
    }
    rivale.join();
    const std::string reponse = connexion.recoit_lignes(1, 10s);
    EXPECT_EQ(vaisseaux_de_couleur(monde, couleur), 1u) << "colour " << couleur;
    EXPECT_NE(reponse == "VAISSEAU ENREGISTRE\r\n", rival == simulation::Spawn::Cree)
        << "colour " << couleur << ": " << reponse;
  }
}

}  // namespace
