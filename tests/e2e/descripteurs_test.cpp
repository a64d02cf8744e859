// The server out of file descriptors: it keeps serving the connections it
// has, and accepts the others once descriptors are free again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "e2e/stress.h"
#include "transport/socket.h"

namespace {

using Horloge = std::chrono::steady_clock;

// A client that registers without ever blocking: connect, send the
// registration line, wait for the reply; it starts over when the connection
// fails, as a patient bot would.
class ClientPatient {
 public:
  ClientPatient(int port, int couleur) : port_(port), couleur_(couleur) { connecte(); }

  bool servi() const { return servi_; }
  int fd() const { return socket_.fd(); }
  short evenements() const { return envoye_ ? POLLIN : POLLOUT; }
  void ferme() { socket_.ferme(); }

  // Moves on after poll reported `revents` on this client's socket. A client
  // stuck for two seconds starts over rather than wait for the kernel's
  // exponential retries of a dropped handshake.
  void avance(short revents) {
    if (servi_) return;
    if (revents == 0) {
      if (Horloge::now() - depart_ > 2s) connecte();
      return;
    }
    if (!envoye_) {
      const std::string ligne = "PUT COULEUR VAISSEAU " + std::to_string(couleur_) + "\r\n";
      envoye_ = ::send(fd(), ligne.data(), ligne.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(ligne.size());
      if (!envoye_) connecte();
      return;
    }
    char morceau[256];
    const ssize_t lus = ::recv(fd(), morceau, sizeof morceau, 0);
    if (lus <= 0) return connecte();
    recu_.append(morceau, static_cast<std::size_t>(lus));
    servi_ = recu_ == "VAISSEAU ENREGISTRE\r\n";
  }

 private:
  void connecte() {
    socket_ = transport::Socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    adresse.sin_port = htons(static_cast<std::uint16_t>(port_));
    (void)::connect(fd(), reinterpret_cast<sockaddr*>(&adresse), sizeof adresse);
    envoye_ = false;
    recu_.clear();
    depart_ = Horloge::now();
  }

  int port_;
  int couleur_;
  transport::Socket socket_;
  bool envoye_ = false;
  bool servi_ = false;
  std::string recu_;
  Horloge::time_point depart_;
};

// Drives the clients until every one in `clients` is served or `delai` passes.
void fait_avancer(std::vector<ClientPatient>& clients, Duree delai) {
  const auto fin = Horloge::now() + delai;
  while (Horloge::now() < fin) {
    std::vector<pollfd> attente;
    std::vector<ClientPatient*> concernes;
    for (auto& c : clients) {
      if (c.servi() || c.fd() < 0) continue;
      attente.push_back({c.fd(), c.evenements(), 0});
      concernes.push_back(&c);
    }
    if (attente.empty()) return;
    if (::poll(attente.data(), attente.size(), 100) < 0 && errno != EINTR) return;
    for (std::size_t i = 0; i < attente.size(); ++i) concernes[i]->avance(attente[i].revents);
  }
}

long servis(const std::vector<ClientPatient>& clients) {
  return std::count_if(clients.begin(), clients.end(),
                       [](const ClientPatient& c) { return c.servi(); });
}

TEST(Descripteurs, OutOfDescriptorsTheServerServesWhatItHasAndAcceptsAgainLater) {
  constexpr unsigned long limite = 48;
  ServeurDeTest serveur(false, sortie_jetee({{limite, limite}}));
  // Standard input, output and error, and the listening socket.
  const long libres = static_cast<long>(limite) - 4;

  std::vector<ClientPatient> clients;
  for (int i = 0; i < static_cast<int>(limite) + 24; ++i)
    clients.emplace_back(serveur.port(), 100 + i);
  fait_avancer(clients, 5s);
  const long premiers = servis(clients);
  std::printf("limit %lu descriptors, %ld free: %ld of %zu clients served at first\n", limite,
              libres, premiers, clients.size());
  EXPECT_GT(premiers, 0);
  EXPECT_LE(premiers, libres);
  EXPECT_LT(premiers, static_cast<long>(clients.size()));
  ASSERT_TRUE(serveur.processus().en_vie()) << serveur.processus().erreurs(1s);

  // The server goes on serving what it has...
  ClientPatient* servi = nullptr;
  for (auto& c : clients)
    if (c.servi()) servi = &c;
  ASSERT_NE(servi, nullptr);
  ASSERT_EQ(::send(servi->fd(), "GET STATUT\r\n", 12, MSG_NOSIGNAL), 12);
  pollfd attente{servi->fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&attente, 1, 10'000), 1);
  char reponse[64] = {};
  EXPECT_EQ(std::string(reponse, static_cast<std::size_t>(
                                     std::max<ssize_t>(0, ::recv(servi->fd(), reponse, 63, 0)))),
            "PUT STATUT vivant\r\n");

  // ...and once they leave, serves every client still waiting.
  for (auto& c : clients)
    if (c.servi()) c.ferme();
  std::vector<ClientPatient> attendent;
  for (auto& c : clients)
    if (!c.servi()) attendent.push_back(std::move(c));
  fait_avancer(attendent, 90s);
  EXPECT_EQ(servis(attendent), static_cast<long>(attendent.size()));
  EXPECT_TRUE(serveur.processus().en_vie()) << serveur.processus().erreurs(1s);
}

TEST(Descripteurs, StartUpRaisesTheSoftLimitToTheHardOne) {
  // A hard limit may only be lowered: stay within this process's own.
  rlimit notre{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &notre), 0);
  const unsigned long dure = std::min<unsigned long>(512, notre.rlim_max);
  ASSERT_GT(dure, 64u);
  ServeurDeTest serveur(false, sortie_jetee({{64, dure}}));
  const LimiteDescripteurs limite = limite_descripteurs(serveur.processus().pid());
  EXPECT_EQ(limite.souple, static_cast<long>(dure));
  EXPECT_EQ(limite.dure, static_cast<long>(dure));
}

}  // namespace
