#include "e2e/serveur_de_test.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "cage/processus.h"

namespace {

using Horloge = std::chrono::steady_clock;

int reste_ms(Horloge::time_point fin) {
  const auto reste = std::chrono::duration_cast<Duree>(fin - Horloge::now()).count();
  return reste > 0 ? static_cast<int>(reste) : 0;
}

// Appends what `fd` has to `tampon` until nothing comes for `delai`. Returns
// false at end of stream.
bool lit_vers(int fd, std::string& tampon, Duree delai) {
  const auto fin = Horloge::now() + delai;
  char morceau[65536];
  for (;;) {
    pollfd attente{fd, POLLIN, 0};
    if (::poll(&attente, 1, reste_ms(fin)) <= 0) return true;
    const ssize_t lus = ::read(fd, morceau, sizeof morceau);
    if (lus < 0 && errno == EINTR) continue;
    if (lus <= 0) return false;
    tampon.append(morceau, static_cast<std::size_t>(lus));
  }
}

}  // namespace

namespace {

// Both ends of a pipe that the child does not keep past exec.
std::pair<int, int> tube() {
  int fd[2];
  if (::pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  return {fd[0], fd[1]};
}

}  // namespace

Processus::Processus(const std::string& programme, const std::vector<std::string>& arguments,
                     const Lancement& lancement) {
  const auto [sortie, sortie_enfant] = tube();
  const auto [erreurs, erreurs_enfant] = tube();
  sortie_fd_ = sortie;
  erreurs_fd_ = erreurs;
  cage::Commande commande({programme});
  commande.arguments.insert(commande.arguments.end(), arguments.begin(), arguments.end());
  // A server flooded with bad lines logs each one: /dev/null, not a pipe nobody reads.
  const int nul = lancement.sortie_jetee ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
  commande.sortie = nul >= 0 ? nul : sortie_enfant;
  commande.erreurs = erreurs_enfant;
  if (lancement.limite_descripteurs)
    commande.rlimites = {{RLIMIT_NOFILE, lancement.limite_descripteurs->second,
                          lancement.limite_descripteurs->first}};
  try {
    groupe_ = std::make_unique<cage::Groupe>(commande);
  } catch (...) {
    for (const int fd : {sortie_enfant, erreurs_enfant, nul, sortie, erreurs}) ::close(fd);
    throw;
  }
  // Only the child writes now: its end closes the pipes.
  for (const int fd : {sortie_enfant, erreurs_enfant, nul})
    if (fd >= 0) ::close(fd);
}

Processus::~Processus() {
  groupe_.reset();
  ::close(sortie_fd_);
  ::close(erreurs_fd_);
}

pid_t Processus::pid() const { return groupe_->pid(); }

std::optional<int> Processus::attend_fin(Duree delai) {
  const auto fin = groupe_->attend(delai);
  if (!fin) return std::nullopt;
  return fin->signal ? -fin->signal : fin->code;
}

bool Processus::en_vie() { return !attend_fin(0ms); }

void Processus::lit_disponible(Duree delai) {
  lit_vers(sortie_fd_, sortie_, delai);
  lit_vers(erreurs_fd_, erreurs_, 0ms);
}

const std::string& Processus::sortie(Duree delai) {
  lit_disponible(delai);
  return sortie_;
}

const std::string& Processus::erreurs(Duree delai) {
  lit_vers(erreurs_fd_, erreurs_, delai);
  return erreurs_;
}

bool Processus::attend_sortie(std::string_view attendu, Duree delai) {
  const auto fin = Horloge::now() + delai;
  for (;;) {
    if (sortie_.find(attendu) != std::string::npos) return true;
    if (Horloge::now() >= fin) return false;
    lit_disponible(20ms);
  }
}

Execution execute(const std::string& programme, const std::vector<std::string>& arguments,
                  Duree delai) {
  Processus p(programme, arguments);
  const auto fin = Horloge::now() + delai;
  while (!p.attend_fin(0ms) && Horloge::now() < fin) p.sortie(20ms);
  Execution e{p.attend_fin(0ms), p.sortie(), p.erreurs()};
  // Whatever it wrote last, now that its pipes are closed.
  if (e.statut) e.sortie = p.sortie(100ms), e.erreurs = p.erreurs();
  return e;
}

int port_libre() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse);
  socklen_t taille = sizeof adresse;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&adresse), &taille);
  ::close(fd);
  return ntohs(adresse.sin_port);
}

std::string binaire_arene() { return ARENE_BINAIRE; }

bool serveur_arbitre() {
  const char* choix = std::getenv("ARENE_E2E_SERVEUR");
  return choix != nullptr && std::string_view(choix) == "arene-arbitre";
}

std::string prelude_serveur() { return serveur_arbitre() ? "arene-arbitre : graine 1\n" : ""; }

namespace {

// The server under test: arene, or the match server with the same protocol.
std::vector<std::string> lancement_serveur(int port, bool debug) {
#ifdef ARENE_ARBITRE
  if (serveur_arbitre()) {
    std::vector<std::string> arguments = {ARENE_ARBITRE, "--graine", "1", "--port",
                                          std::to_string(port)};
    if (debug) arguments.push_back("--debug");
    return arguments;
  }
#endif
  std::vector<std::string> arguments = {binaire_arene()};
  if (debug) arguments.push_back("-debug");
  arguments.push_back(std::to_string(port));
  return arguments;
}

}  // namespace

bool connectable(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  adresse.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) == 0;
  ::close(fd);
  return ok;
}

ServeurDeTest::ServeurDeTest(bool debug, const Lancement& lancement) {
  demarre([debug](int port) { return lancement_serveur(port, debug); }, debug, lancement);
}

#ifdef ARENE_ARBITRE
ServeurDeTest::ServeurDeTest(const std::vector<std::string>& options_arbitre) {
  demarre(
      [&](int port) {
        std::vector<std::string> arguments = {ARENE_ARBITRE, "--port", std::to_string(port)};
        arguments.insert(arguments.end(), options_arbitre.begin(), options_arbitre.end());
        return arguments;
      },
      false, {});
}
#endif

void ServeurDeTest::demarre(const std::function<std::vector<std::string>(int)>& ligne, bool debug,
                            const Lancement& lancement) {
  // Another program may take the port between our check and the bind: try again then.
  for (int essai = 0; essai < 5; ++essai) {
    port_ = port_libre();
    std::vector<std::string> arguments = ligne(port_);
    const std::string programme = arguments.front();
    arguments.erase(arguments.begin());
    processus_ = std::make_unique<Processus>(programme, arguments, lancement);
    const auto fin = Horloge::now() + 10s;
    while (Horloge::now() < fin && processus_->en_vie()) {
      if (debug ? processus_->attend_sortie("attente des clients\n", 20ms) : connectable(port_))
        return;
      std::this_thread::sleep_for(10ms);
    }
  }
  throw std::runtime_error("the server did not start");
}

EcouteEtrangere::EcouteEtrangere(std::string reponse)
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), reponse_(std::move(reponse)) {
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t taille = sizeof adresse;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&adresse), taille) != 0 || ::listen(fd_, 5) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&adresse), &taille) != 0) {
    ::close(fd_);
    throw std::runtime_error("listening socket");
  }
  port_ = ntohs(adresse.sin_port);
  fil_ = std::thread([this] { repond_a_tous(); });
}

EcouteEtrangere::~EcouteEtrangere() {
  fin_ = true;
  fil_.join();
  ::close(fd_);
}

void EcouteEtrangere::repond_a_tous() {
  while (!fin_) {
    pollfd attente{fd_, POLLIN, 0};
    if (::poll(&attente, 1, 20) <= 0) continue;
    const int client = ::accept(fd_, nullptr, nullptr);
    if (client < 0) continue;
    // Reads the registration first: closing with unread bytes would reset
    // the connection instead of ending it.
    pollfd lecture{client, POLLIN, 0};
    char tampon[256];
    if (::poll(&lecture, 1, 2000) > 0) (void)::recv(client, tampon, sizeof tampon, 0);
    (void)::send(client, reponse_.data(), reponse_.size(), MSG_NOSIGNAL);
    ::close(client);
  }
}

ClientDeTest::ClientDeTest(int port, const std::string& source) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (!source.empty()) {
    sockaddr_in locale{};
    locale.sin_family = AF_INET;
    if (::inet_pton(AF_INET, source.c_str(), &locale.sin_addr) != 1 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&locale), sizeof locale) != 0) {
      ferme();
      throw std::runtime_error("bind " + source + ": " + std::strerror(errno));
    }
  }
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  adresse.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0) {
    const int erreur = errno;
    ferme();
    throw std::runtime_error(std::string("connect: ") + std::strerror(erreur));
  }
}

ClientDeTest::~ClientDeTest() { ferme(); }

void ClientDeTest::ferme() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void ClientDeTest::reinitialise() {
  linger l{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  ferme();
}

void ClientDeTest::envoie(std::string_view octets) {
  while (!octets.empty()) {
    const ssize_t envoyes = ::send(fd_, octets.data(), octets.size(), MSG_NOSIGNAL);
    if (envoyes < 0 && errno == EINTR) continue;
    if (envoyes <= 0) throw std::runtime_error(std::string("send: ") + std::strerror(errno));
    octets.remove_prefix(static_cast<std::size_t>(envoyes));
  }
}

std::optional<std::string> ClientDeTest::lit_ligne(Duree delai) {
  const auto fin = Horloge::now() + delai;
  for (;;) {
    const auto position = tampon_.find('\n');
    if (position != std::string::npos) {
      std::string ligne = tampon_.substr(0, position + 1);
      tampon_.erase(0, position + 1);
      return ligne;
    }
    pollfd attente{fd_, POLLIN, 0};
    if (::poll(&attente, 1, reste_ms(fin)) <= 0) return std::nullopt;
    char morceau[65536];
    const ssize_t lus = ::recv(fd_, morceau, sizeof morceau, 0);
    if (lus <= 0) return std::nullopt;
    tampon_.append(morceau, static_cast<std::size_t>(lus));
  }
}

std::string ClientDeTest::demande(std::string_view requete, Duree delai) {
  envoie(requete);
  return lit_ligne(delai).value_or("<no reply>");
}

std::string ClientDeTest::enregistre(long long couleur) {
  return demande("PUT COULEUR VAISSEAU " + std::to_string(couleur) + "\r\n");
}

bool ClientDeTest::attend_fermeture(Duree delai) {
  const auto fin = Horloge::now() + delai;
  for (;;) {
    pollfd attente{fd_, POLLIN, 0};
    if (::poll(&attente, 1, reste_ms(fin)) <= 0) return false;
    char morceau[65536];
    const ssize_t lus = ::recv(fd_, morceau, sizeof morceau, 0);
    if (lus == 0) return true;
    if (lus < 0) return errno == ECONNRESET;
  }
}

std::vector<std::string> ClientDeTest::demande_liste(std::string_view requete, Duree delai) {
  std::vector<std::string> lignes;
  const auto entete = demande(requete, delai);
  lignes.push_back(entete);
  const auto blanc = entete.rfind(' ');
  const long nombre = blanc == std::string::npos ? 0 : std::atol(entete.c_str() + blanc + 1);
  for (long i = 0; i < nombre; ++i) {
    auto ligne = lit_ligne(delai);
    if (!ligne) break;
    lignes.push_back(*ligne);
  }
  return lignes;
}

bool ClientDeTest::silencieux(Duree delai) {
  if (!tampon_.empty()) return false;
  pollfd attente{fd_, POLLIN, 0};
  return ::poll(&attente, 1, static_cast<int>(delai.count())) == 0;
}

std::optional<std::string> ClientDeTest::lit_jusqu_a_fermeture(Duree delai) {
  std::string recu = std::exchange(tampon_, {});
  if (lit_vers(fd_, recu, delai)) return std::nullopt;
  return recu;
}

void ClientDeTest::demi_ferme() { ::shutdown(fd_, SHUT_WR); }
