// Starting the real server binary and talking to it over TCP, with time-outs
// everywhere so that a broken server fails a test instead of hanging it.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using Duree = std::chrono::milliseconds;

// How a child process starts, beyond its command line.
struct Lancement {
  // Standard output to /dev/null: a server flooded with bad lines logs each
  // one, and a pipe nobody reads would end up blocking it.
  bool sortie_jetee = false;
  // RLIMIT_NOFILE of the child, when set: soft, then hard.
  std::optional<std::pair<unsigned long, unsigned long>> limite_descripteurs;
};

namespace cage {
class Groupe;
}

// A child process with its standard output and error on pipes. Killed and
// reaped when it goes, with any process it started.
class Processus {
 public:
  Processus(const std::string& programme, const std::vector<std::string>& arguments,
            const Lancement& lancement = {});
  ~Processus();
  Processus(const Processus&) = delete;
  Processus& operator=(const Processus&) = delete;

  pid_t pid() const;
  // The exit status, or nothing if the process still runs after `delai`
  // (or was ended by a signal: then -signal).
  std::optional<int> attend_fin(Duree delai);
  bool en_vie();
  // Everything written so far, read for at most `delai`.
  const std::string& sortie(Duree delai = 0ms);
  const std::string& erreurs(Duree delai = 0ms);
  // Reads standard output until it contains `attendu` or `delai` passes.
  bool attend_sortie(std::string_view attendu, Duree delai);

 private:
  void lit_disponible(Duree delai);
  int sortie_fd_ = -1;
  int erreurs_fd_ = -1;
  std::unique_ptr<cage::Groupe> groupe_;
  std::string sortie_;
  std::string erreurs_;
};

// A program run to its end: its exit status (nothing if it still ran after
// `delai`, then it is killed) and everything it wrote.
struct Execution {
  std::optional<int> statut;
  std::string sortie;
  std::string erreurs;
};
// Its pipes are drained as it runs, so that a talkative program never blocks.
Execution execute(const std::string& programme, const std::vector<std::string>& arguments,
                  Duree delai);

// A port that was free a moment ago.
int port_libre();

// True when a TCP connection to 127.0.0.1:`port` succeeds (it is closed at once).
bool connectable(int port);

// The path of the arene binary.
std::string binaire_arene();

// The protocol tests run against arene, or against arene-arbitre when the
// environment says ARENE_E2E_SERVEUR=arene-arbitre: the bots' side must not
// tell them apart. What the server under test prints before its start-up trace:
std::string prelude_serveur();
bool serveur_arbitre();

// The server started on a free port; `debug` adds the switch.
class ServeurDeTest {
 public:
  explicit ServeurDeTest(bool debug = false, const Lancement& lancement = {});
  // arene-arbitre with these options (its --port is added).
  explicit ServeurDeTest(const std::vector<std::string>& options_arbitre);
  int port() const { return port_; }
  Processus& processus() { return *processus_; }

 private:
  // `ligne` gives the program and its arguments for a port.
  void demarre(const std::function<std::vector<std::string>(int)>& ligne, bool debug,
               const Lancement& lancement);

  int port_ = 0;
  std::unique_ptr<Processus> processus_;
};

// A listening socket on 127.0.0.1 that is no arena: it reads a client's first
// bytes, writes `reponse` (nothing by default, as a server that drops its
// clients) and closes, for every client until it goes.
class EcouteEtrangere {
 public:
  explicit EcouteEtrangere(std::string reponse = "");
  ~EcouteEtrangere();
  EcouteEtrangere(const EcouteEtrangere&) = delete;
  EcouteEtrangere& operator=(const EcouteEtrangere&) = delete;
  int port() const { return port_; }

 private:
  void repond_a_tous();
  int fd_;
  int port_ = 0;
  std::string reponse_;
  std::atomic<bool> fin_{false};
  std::thread fil_;
};

// One TCP connection to 127.0.0.1, from another loopback address than
// 127.0.0.1 when `source` names one (the server sees another peer).
class ClientDeTest {
 public:
  explicit ClientDeTest(int port, const std::string& source = "");
  ~ClientDeTest();
  ClientDeTest(const ClientDeTest&) = delete;
  ClientDeTest& operator=(const ClientDeTest&) = delete;

  int fd() const { return fd_; }
  void envoie(std::string_view octets);
  // The next line, with its CR LF, or nothing after `delai` or at end of stream.
  std::optional<std::string> lit_ligne(Duree delai = 5s);
  // Sends `requete` and returns the reply line, CR LF included.
  std::string demande(std::string_view requete, Duree delai = 5s);
  // Sends "PUT COULEUR VAISSEAU <couleur>\r\n" and returns the reply line.
  std::string enregistre(long long couleur);
  // Sends `requete` and returns a list reply: the header line, then as many
  // lines as its count says (fewer if they do not come within `delai`).
  std::vector<std::string> demande_liste(std::string_view requete, Duree delai = 5s);
  // True when no byte is pending or arrives within `delai`.
  bool silencieux(Duree delai);
  // Every byte until the server closes the connection; nothing if it has not
  // closed within `delai`.
  std::optional<std::string> lit_jusqu_a_fermeture(Duree delai = 5s);
  // Ends the sending direction only: the server sees the end of the stream
  // and can still reply.
  void demi_ferme();
  // True when the server closes the connection within `delai`; pending bytes are dropped.
  bool attend_fermeture(Duree delai = 5s);
  // Closes with a reset instead of an orderly close.
  void reinitialise();
  void ferme();

 private:
  int fd_ = -1;
  std::string tampon_;
};
