// The files a match leaves, through crashes, signals, bad paths, a full disk
// and a pipe that stalls: the real arene-arbitre, read back with the real
// arene-relecture.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/stress.h"
#include "e2e/tribune_de_test.h"
#include "fichiers/disque.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Horloge = std::chrono::steady_clock;

const std::string arbitre = ARENE_ARBITRE;

class Fichiers : public ::testing::Test {
 protected:
  void SetUp() override {
    char modele[] = "/tmp/fichiers_e2e_XXXXXX";
    ASSERT_NE(::mkdtemp(modele), nullptr);
    ici_ = modele;
  }
  void TearDown() override {
    for (const fs::path& m : montages_) ::umount2(m.c_str(), MNT_DETACH);
    fs::remove_all(ici_);
  }

  // A tmpfs of `taille` under the test's folder, or nothing (and the reason)
  // when this process may not mount one.
  std::optional<fs::path> petit_disque(const std::string& nom, const std::string& taille,
                                       std::string& pourquoi) {
    const fs::path dossier = ici_ / nom;
    fs::create_directories(dossier);
    if (::geteuid() != 0) {
      pourquoi = "mounting a tmpfs needs root";
      return std::nullopt;
    }
    if (::mount("tmpfs", dossier.c_str(), "tmpfs", 0, ("size=" + taille).c_str()) != 0) {
      pourquoi = std::string("mount tmpfs: ") + std::strerror(errno);
      return std::nullopt;
    }
    montages_.push_back(dossier);
    return dossier;
  }

  fs::path ici_;
  std::vector<fs::path> montages_;
};

json lit_json(const fs::path& chemin) {
  std::ifstream f(chemin);
  return json::parse(f);
}

// The ticks arene-relecture rebuilds from a recording, and what it said.
struct Relu {
  std::vector<std::int64_t> ticks;
  std::string erreurs;
};

Relu relit(const fs::path& enregistrement) {
  const Execution e = execute(ARENE_RELECTURE, {enregistrement}, 60s);
  EXPECT_EQ(e.statut, 0) << e.erreurs;
  Relu r{{}, e.erreurs};
  std::istringstream lignes(e.sortie);
  for (std::string l; std::getline(lignes, l);) r.ticks.push_back(json::parse(l).at("tick"));
  return r;
}

// The recording's text, as far as zlib reads it.
std::string decompresse(const fs::path& chemin) {
  gzFile f = gzopen(chemin.c_str(), "rb");
  std::string texte;
  char morceau[1 << 16];
  for (int lus; f != nullptr && (lus = gzread(f, morceau, sizeof morceau)) > 0;)
    texte.append(morceau, static_cast<std::size_t>(lus));
  if (f != nullptr) gzclose(f);
  return texte;
}

std::size_t lignes_contenant(const std::string& texte, std::string_view mot) {
  std::istringstream flux(texte);
  std::size_t n = 0;
  for (std::string l; std::getline(flux, l);) n += l.find(mot) != std::string::npos;
  return n;
}

double ticks_joues(int port_spectateurs) {
  return metrique(get_http(port_spectateurs, "/metrics").corps, "arene_ticks_total");
}

// Bots that turn, speed and fire until the server goes, so that every tick
// has something to record.
class Tireurs {
 public:
  Tireurs(int port, int nombre) {
    for (int k = 0; k < nombre; ++k) fils_.emplace_back([this, port, k] { joue(port, 1000 + k); });
  }
  ~Tireurs() {
    fin_ = true;
    for (auto& f : fils_) f.join();
  }

 private:
  void joue(int port, long long couleur) {
    try {
      ClientDeTest client(port);
      if (client.enregistre(couleur) != "VAISSEAU ENREGISTRE\r\n") return;
      const char* actions[] = {"PUT ACTION TIRE\r\n", "PUT ACTION GAUCHE\r\n",
                               "PUT ACTION ACCELERE\r\n"};
      for (int i = 0; !fin_; ++i) {
        if (client.demande(actions[i % 3], 2s).empty()) return;
        std::this_thread::sleep_for(10ms);
      }
    } catch (const std::exception&) {
      // The server went in the middle of a request.
    }
  }

  std::atomic<bool> fin_{false};
  std::vector<std::thread> fils_;
};

struct Crash {
  const char* nom;
  Duree avant;  // from the start to the kill
  int tireurs;
  friend void PrintTo(const Crash& c, std::ostream* flux) { *flux << c.nom; }
};

class Crashs : public Fichiers, public ::testing::WithParamInterface<Crash> {};

// Killed without warning, the referee leaves a recording readable up to at
// most a second before the kill, and its provisional results.
TEST_P(Crashs, UnKillNeufLaisseLEnregistrementEtLesResultatsProvisoires) {
  const Crash& c = GetParam();
  const fs::path enregistrement = ici_ / "m.gz";
  const fs::path resultats = ici_ / "r.json";
  ArbitreDeTest serveur({"--enregistre", enregistrement, "--resultats", resultats});
  const auto kill = Horloge::now() + c.avant;
  Tireurs tireurs(serveur.port(), c.tireurs);
  std::this_thread::sleep_until(kill - 1s);
  const double seconde_avant = ticks_joues(serveur.port_spectateurs());
  ASSERT_GT(seconde_avant, 0);
  std::this_thread::sleep_until(kill);
  const double au_kill = ticks_joues(serveur.port_spectateurs());
  ::kill(serveur.processus().pid(), SIGKILL);
  ASSERT_EQ(serveur.processus().attend_fin(10s), -SIGKILL);

  const Relu relu = relit(enregistrement);
  ASSERT_FALSE(relu.ticks.empty()) << fs::file_size(enregistrement) << " bytes";
  std::printf("killed at tick %.0f: the recording reads up to tick %lld (%.0f a second before)\n",
              au_kill, static_cast<long long>(relu.ticks.back()), seconde_avant);
  EXPECT_GE(relu.ticks.back(), seconde_avant) << "ticks readable up to a second before the kill";
  EXPECT_NE(relu.erreurs.find("cut"), std::string::npos) << relu.erreurs;
  const json r = lit_json(resultats);
  EXPECT_EQ(r.at("en_cours"), true);
  EXPECT_TRUE(r.at("raison").is_null());
  EXPECT_GT(r.at("ticks"), 0);
  EXPECT_EQ(r.at("joueurs").size(), static_cast<std::size_t>(c.tireurs));
}

INSTANTIATE_TEST_SUITE_P(Fichiers, Crashs,
                         ::testing::Values(Crash{"calme", 3s, 0}, Crash{"anime", 30s, 4}),
                         [](const auto& cas) { return std::string(cas.param.nom); });

// SIGHUP (a closed terminal or SSH session) and SIGQUIT end the match as
// SIGTERM does: results and recording complete, exit status 0.
TEST_F(Fichiers, SighupEtSigquitTerminentLeMatchCommeSigterm) {
  for (const int signal : {SIGHUP, SIGQUIT, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal));
    const fs::path enregistrement = ici_ / "m.gz";
    const fs::path resultats = ici_ / "r.json";
    ServeurDeTest serveur({"--enregistre", enregistrement, "--resultats", resultats});
    ClientDeTest bot(serveur.port());
    ASSERT_EQ(bot.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
    std::this_thread::sleep_for(500ms);
    ::kill(serveur.processus().pid(), signal);
    ASSERT_EQ(serveur.processus().attend_fin(10s), 0) << serveur.processus().erreurs();
    const json r = lit_json(resultats);
    EXPECT_EQ(r.at("raison"), "interrompu");
    EXPECT_EQ(r.at("en_cours"), false);
    const std::string texte = decompresse(enregistrement);
    EXPECT_NE(texte.rfind("{\"t\":\"fin\""), std::string::npos);
    EXPECT_TRUE(texte.ends_with("}\n"));
  }
}

// All a pipe gives until its writer closes it, or until `delai` passes.
std::string vide_le_tube(int fd, Duree delai) {
  std::string recu;
  const auto limite = Horloge::now() + delai;
  char morceau[1 << 16];
  while (Horloge::now() < limite) {
    pollfd attente{fd, POLLIN, 0};
    if (::poll(&attente, 1, 100) <= 0) continue;
    const ssize_t lus = ::read(fd, morceau, sizeof morceau);
    if (lus == 0) return recu;
    if (lus > 0) recu.append(morceau, static_cast<std::size_t>(lus));
  }
  ADD_FAILURE() << "the recording's pipe still open after " << delai.count() << " ms";
  return recu;
}

// SIGTERM while the writer is stuck on a pipe its reader leaves full, bots
// firing and a spectator watching: at the end, lots wait in the writer's
// queue. Every one still reaches the recording, end line included, and the
// spectator gets the end of the match and its results before a normal close.
TEST_F(Fichiers, UnSigtermAvecDesLotsEnAttenteLesEcritTousEtFinitLeFlux) {
  const fs::path tube = ici_ / "m.gz";
  const fs::path resultats = ici_ / "r.json";
  ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
  // Opened first, so that the referee's open does not wait for a reader; a
  // one-page pipe is full within a second of play.
  fichiers::Descripteur lecture(::open(tube.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  ASSERT_TRUE(lecture.valide());
  ASSERT_EQ(::fcntl(lecture.fd(), F_SETPIPE_SZ, 4096), 4096);
  ArbitreDeTest serveur({"--enregistre", tube, "--resultats", resultats});
  std::vector<std::string> vues;  // the spectator's lines
  std::string recu;
  {
    Tireurs tireurs(serveur.port(), 4);
    FluxDeTest flux(serveur.port_spectateurs());
    std::this_thread::sleep_for(2s);
    ::kill(serveur.processus().pid(), SIGTERM);
    // The game port closes just before the writer's queue does.
    ASSERT_TRUE(attend_que([&] { return !connectable(serveur.port()); }, 10s));
    std::this_thread::sleep_for(500ms);
    recu = vide_le_tube(lecture.fd(), 30s);
    for (auto message = flux.message(10s); message; message = flux.message(10s)) {
      std::istringstream lignes(*message);
      for (std::string l; std::getline(lignes, l);) vues.push_back(l);
    }
    EXPECT_EQ(flux.code_de_fermeture(), 1000) << "a normal close once the end was sent";
  }
  ASSERT_EQ(serveur.processus().attend_fin(30s), 0) << serveur.processus().erreurs();
  const json r = lit_json(resultats);
  ASSERT_FALSE(vues.empty());
  const json fin = json::parse(vues.back());
  EXPECT_EQ(fin.at("t"), "fin");
  EXPECT_EQ(fin.at("resultats").at("joueurs").size(), 4u);

  const fs::path copie = ici_ / "copie.gz";
  std::ofstream(copie, std::ios::binary) << recu;
  const Relu relu = relit(copie);
  EXPECT_EQ(relu.erreurs, "") << "the recording reads to its end line";
  ASSERT_FALSE(relu.ticks.empty());
  for (std::size_t i = 1; i < relu.ticks.size(); ++i)
    ASSERT_EQ(relu.ticks[i], relu.ticks[i - 1] + 1) << "no tick missing";
  EXPECT_EQ(relu.ticks.back(), r.at("ticks"));
  EXPECT_EQ(fin.at("tick"), r.at("ticks"));
}

// A file the referee cannot create is refused before the match, exit 2.
TEST_F(Fichiers, UnCheminInutilisableEstRefuseAuDemarrage) {
  for (const char* option : {"--resultats", "--enregistre"}) {
    SCOPED_TRACE(option);
    const std::string chemin = "/nonexistent/dir/f";
    const Execution e = execute(arbitre, {"--port", "0", "--duree", "20", option, chemin}, 10s);
    EXPECT_EQ(e.statut, 2) << "refused at start, before the 20 s of play";
    EXPECT_NE(e.erreurs.find(chemin), std::string::npos) << e.erreurs;
  }
}

// A recording that fills its disk: one message with the reason, the ticks
// lost counted exactly (readable + lost = played), the results marked, and a
// status that says the files are incomplete.
TEST_F(Fichiers, UnDisquePleinPendantLEnregistrementEstSignaleEtCompte) {
  std::string pourquoi;
  const auto disque = petit_disque("plein", "16k", pourquoi);
  if (!disque) GTEST_SKIP() << pourquoi;
  const fs::path enregistrement = *disque / "m.gz";
  const fs::path resultats = ici_ / "r.json";
  ArbitreDeTest serveur({"--duree", "8", "--enregistre", enregistrement, "--resultats", resultats});
  double perdus_en_direct = 0;
  {
    Tireurs tireurs(serveur.port(), 4);
    while (serveur.processus().en_vie() && perdus_en_direct <= 0) {
      perdus_en_direct = metrique(get_http(serveur.port_spectateurs(), "/metrics").corps,
                                  "arene_ticks_perdus_total");
      std::this_thread::sleep_for(200ms);
    }
  }
  EXPECT_GT(perdus_en_direct, 0) << "the metric counts the lost ticks during the match";
  ASSERT_EQ(serveur.processus().attend_fin(30s), 3);
  const std::string erreurs = serveur.processus().erreurs();
  EXPECT_EQ(lignes_contenant(erreurs, "enregistrement"), 1u) << erreurs;
  EXPECT_NE(erreurs.find(std::strerror(ENOSPC)), std::string::npos) << erreurs;

  const json r = lit_json(resultats);
  const std::int64_t perdus = r.at("enregistrement").at("ticks_perdus");
  EXPECT_NE(r.at("enregistrement").at("erreur").get<std::string>().find(std::strerror(ENOSPC)),
            std::string::npos);
  const Relu relu = relit(enregistrement);
  const std::set<std::int64_t> lisibles(relu.ticks.begin(), relu.ticks.end());
  const auto joues = r.at("ticks").get<std::int64_t>();
  EXPECT_EQ(static_cast<std::int64_t>(lisibles.size() - lisibles.count(0)) + perdus, joues)
      << "every tick played is readable or counted lost";
  EXPECT_GT(perdus, joues / 4);
  std::printf("%lld of %lld ticks readable, %lld counted lost\n",
              static_cast<long long>(lisibles.size() - lisibles.count(0)),
              static_cast<long long>(joues), static_cast<long long>(perdus));
}

// Results on a disk that someone else fills: the last provisional results
// stay whole, the failure is said once, and the status says so.
TEST_F(Fichiers, DesResultatsSurUnDisquePleinRestentEntiers) {
  std::string pourquoi;
  const auto disque = petit_disque("resultats", "64k", pourquoi);
  if (!disque) GTEST_SKIP() << pourquoi;
  const fs::path resultats = *disque / "r.json";
  ServeurDeTest serveur({"--duree", "5", "--resultats", resultats});
  ASSERT_TRUE(attend_que([&] { return fs::exists(resultats); }, 5s)) << "provisional results";
  {
    std::ofstream remplissage(*disque / "remplissage", std::ios::binary);
    const std::string bloc(4096, 'x');
    while (remplissage.write(bloc.data(), bloc.size()) && remplissage.flush()) {
    }
  }
  ASSERT_EQ(serveur.processus().attend_fin(30s), 3);
  const std::string erreurs = serveur.processus().erreurs();
  EXPECT_EQ(lignes_contenant(erreurs, "resultats"), 1u) << erreurs;
  EXPECT_NE(erreurs.find(std::strerror(ENOSPC)), std::string::npos) << erreurs;
  const json r = lit_json(resultats);
  EXPECT_EQ(r.at("en_cours"), true);
}

}  // namespace
