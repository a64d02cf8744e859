// The spectator port of the real arene-arbitre: its routes and errors, the
// metrics against a scripted player, the stream against what players read,
// and spectators that never read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/stress.h"
#include "e2e/tribune_de_test.h"

namespace {

// The full path of a program found on PATH, or nothing.
std::optional<std::string> programme(const std::string& nom) {
  std::istringstream chemins(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string dossier; std::getline(chemins, dossier, ':');)
    if (::access((dossier + "/" + nom).c_str(), X_OK) == 0) return dossier + "/" + nom;
  return std::nullopt;
}

// A player that counts every byte it sends and receives.
class JoueurCompte {
 public:
  explicit JoueurCompte(int port) : client_(port) {}

  // Sends `requete` and reads its reply: one line, or a list reply whole.
  void demande(std::string_view requete, bool liste = false) {
    envoyes += requete.size();
    if (liste) {
      for (const std::string& l : client_.demande_liste(requete)) recus += l.size();
    } else {
      recus += client_.demande(requete).size();
    }
  }

  std::size_t envoyes = 0;
  std::size_t recus = 0;

 private:
  ClientDeTest client_;
};

TEST(Spectateurs, LesMetriquesSuiventUnJoueurScripte) {
  ArbitreDeTest arbitre({"--graine", "5"});
  const int port = arbitre.port_spectateurs();
  const double ticks_avant = metrique(get_http(port, "/metrics").corps, "arene_ticks_total");
  JoueurCompte joueur(arbitre.port());
  joueur.demande("PUT COULEUR VAISSEAU 007\r\n");
  joueur.demande("PUT COULEUR VAISSEAU 4242\r\n");
  joueur.demande("BONJOUR\r\n");
  for (int i = 0; i < 3; ++i) joueur.demande("GET VAISSEAUX\r\n", /*liste=*/true);
  joueur.demande("GET CUBES\r\n", /*liste=*/true);
  joueur.demande("PUT ACTION TIRE\r\n");
  joueur.demande("PUT ACTION TIRE\r\n");
  joueur.demande("GET STATUT\r\n");

  // A reply is counted once its send has returned, which the player may
  // beat; the world's figures are the last tick's.
  std::string texte;
  EXPECT_TRUE(attend_que(
      [&] {
        texte = get_http(port, "/metrics").corps;
        return metrique(texte, "arene_octets_envoyes_total") == static_cast<double>(joueur.recus) &&
               metrique(texte, "arene_ticks_total") > ticks_avant &&
               metrique(texte, "arene_vaisseaux") == 1;
      },
      5s))
      << texte;
  const std::pair<const char*, double> attendus[] = {
      {"arene_requetes_total{commande=\"PUT COULEUR VAISSEAU\"}", 1},
      {"arene_requetes_total{commande=\"inconnue\"}", 2},
      {"arene_requetes_total{commande=\"GET VAISSEAUX\"}", 3},
      {"arene_requetes_total{commande=\"GET CUBES\"}", 1},
      {"arene_requetes_total{commande=\"PUT ACTION TIRE\"}", 2},
      {"arene_requetes_total{commande=\"GET STATUT\"}", 1},
      {"arene_requetes_total{commande=\"GET BALLES\"}", 0},
      {"arene_octets_recus_total", static_cast<double>(joueur.envoyes)},
      {"arene_connexions", 1},
      {"arene_spectateurs", 0},
  };
  for (const auto& [nom, valeur] : attendus) EXPECT_EQ(metrique(texte, nom), valeur) << nom;
  EXPECT_GT(metrique(texte, "arene_tick_duree_secondes_count"), ticks_avant);
  EXPECT_GT(metrique(texte, "arene_tick_duree_secondes_sum"), 0.0);

  const auto resultats = nlohmann::json::parse(get_http(port, "/resultats").corps);
  EXPECT_EQ(resultats.at("format"), "arene-resultats");
  ASSERT_EQ(resultats.at("joueurs").size(), 1u);
  EXPECT_EQ(resultats.at("joueurs")[0].at("couleur"), 4242);
  EXPECT_EQ(resultats.at("joueurs")[0].at("balles_tirees"), 2);
  EXPECT_FALSE(resultats.contains("enregistrement")) << "spectators alone record nothing";
}

TEST(Spectateurs, PromtoolAccepteLesMetriques) {
  const auto promtool = programme("promtool");
  if (!promtool) GTEST_SKIP() << "promtool is missing: apt-get install prometheus";
  ArbitreDeTest arbitre;
  ClientDeTest joueur(arbitre.port());
  ASSERT_EQ(joueur.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(joueur.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  FluxDeTest flux(arbitre.port_spectateurs());
  ASSERT_TRUE(flux.message());
  const ReponseHttp reponse = get_http(arbitre.port_spectateurs(), "/metrics");
  ASSERT_EQ(reponse.statut, 200);
  EXPECT_NE(reponse.entete.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
  const std::string chemin = ::testing::TempDir() + "metriques_arene.txt";
  std::ofstream(chemin) << reponse.corps;
  Processus verification("/bin/sh", {"-c", *promtool + " check metrics < " + chemin});
  EXPECT_EQ(verification.attend_fin(30s), 0)
      << verification.sortie() << verification.erreurs() << reponse.corps;
}

TEST(Spectateurs, LesMauvaisesRequetesOntLeurReponseEtRienNeCasse) {
  ArbitreDeTest arbitre;
  ClientDeTest joueur(arbitre.port());
  ASSERT_EQ(joueur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  const std::string entete_geante = "GET / HTTP/1.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n";
  const struct {
    const char* quoi;
    std::string requete;
    int statut;
  } cas[] = {
      {"not HTTP", "BONJOUR\r\n\r\n", 400},
      {"binary", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\0\0", 13) + "\r\n\r\n",
       400},
      {"unknown path", "GET /etat HTTP/1.1\r\nHost: a\r\n\r\n", 404},
      {"unknown path, other method", "DELETE /x HTTP/1.1\r\nHost: a\r\n\r\n", 404},
      {"POST", "POST /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n\r\n", 405},
      {"POST with a body", "POST /resultats HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n\r\nhello",
       405},
      {"POST with a body never read",
       "POST / HTTP/1.1\r\nContent-Length: 5000000\r\n\r\n" + std::string(300000, 'x'), 405},
      {"PUT, chunked",
       "PUT /flux HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 405},
      {"HEAD", "HEAD /metrics HTTP/1.1\r\nHost: a\r\n\r\n", 405},
      {"unknown path with a body", "POST /x HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", 404},
      {"GET with a body", "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 5\r\n\r\nhello", 400},
      {"huge header", entete_geante, 400},
      {"/flux without upgrade", "GET /flux HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n", 400},
      {"upgrade without a key",
       "GET /flux HTTP/1.1\r\nHost: a\r\nUpgrade: websocket\r\n"
       "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n\r\n",
       400},
      {"the page with a query", "GET /?enregistrement=a.gz HTTP/1.1\r\nConnection: close\r\n\r\n",
       200},
  };
  for (const auto& c : cas)
    EXPECT_EQ(echange_http(arbitre.port_spectateurs(), c.requete).statut, c.statut) << c.quoi;
  EXPECT_EQ(echange_http(arbitre.port_spectateurs(), "HEAD / HTTP/1.1\r\n\r\n").corps, "")
      << "no body ever answers a HEAD";
  EXPECT_EQ(get_http(arbitre.port_spectateurs(), "/metrics").statut, 200);
  EXPECT_EQ(joueur.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
  EXPECT_TRUE(le_monde_bouge(joueur, 5s));
  EXPECT_TRUE(arbitre.processus().en_vie());
  EXPECT_EQ(arbitre.processus().erreurs(), "");
}

// Slow connections from 127.0.0.1: each sends the first line of a request,
// then a byte of header a second, and reconnects 100 ms after it was cut.
class Lenteurs {
 public:
  Lenteurs(int port, int nombre) : port_(port), fil_([this, nombre] { attaque(nombre); }) {}
  ~Lenteurs() {
    fin_ = true;
    fil_.join();
  }
  int ouvertes() const { return ouvertes_; }

 private:
  struct Lente {
    std::unique_ptr<ClientDeTest> client;
    std::chrono::steady_clock::time_point prochain;
  };

  void attaque(int nombre) {
    std::vector<Lente> lentes(static_cast<std::size_t>(nombre));
    while (!fin_) {
      for (Lente& l : lentes) avance(l, std::chrono::steady_clock::now());
      std::this_thread::sleep_for(10ms);
    }
  }

  void avance(Lente& l, std::chrono::steady_clock::time_point maintenant) {
    if (maintenant < l.prochain) return;
    l.prochain = maintenant + 1s;
    try {
      if (!l.client) {
        l.client = std::make_unique<ClientDeTest>(port_);
        l.client->envoie("GET / HTTP/1.1\r\n");
        ++ouvertes_;
      } else if (l.client->silencieux(0ms)) {
        l.client->envoie("X");
      } else {
        throw std::runtime_error("cut");  // an answer or the end of the connection
      }
    } catch (const std::runtime_error&) {
      l.client.reset();
      l.prochain = maintenant + 100ms;
    }
  }

  const int port_;
  std::atomic<bool> fin_{false};
  std::atomic<int> ouvertes_{0};
  std::thread fil_;
};

TEST(Spectateurs, CentVingtHuitConnexionsLentesNeCachentPasLeMatch) {
  ArbitreDeTest arbitre;
  const int port = arbitre.port_spectateurs();
  Lenteurs lenteurs(port, 128);
  ASSERT_TRUE(attend_que([&] { return lenteurs.ouvertes() >= 128; }, 10s));
  // Past the deadline for a request's header, so that the slow connections
  // have been cut once and came back.
  for (int essai = 0; essai < 6; ++essai) {
    EXPECT_EQ(get_http(port, "/", "127.0.0.2").statut, 200) << "try " << essai;
    try {
      FluxDeTest flux(port, "127.0.0.2");
      EXPECT_TRUE(flux.message()) << "try " << essai;
    } catch (const std::runtime_error& e) {
      ADD_FAILURE() << "try " << essai << ": " << e.what();
    }
    std::this_thread::sleep_for(2s);
  }
  const std::string texte = get_http(port, "/metrics", "127.0.0.2").corps;
  EXPECT_GT(metrique(texte, "arene_spectateurs_refuses_adresse_total"), 0) << texte;
  std::printf("128 slow connections: %d opened in all\n", lenteurs.ouvertes());
}

TEST(Spectateurs, AuDelaDuMaximumLesFluxOntUn503) {
  ArbitreDeTest arbitre({"--max-spectateurs", "2"});
  const int port = arbitre.port_spectateurs();
  auto premier = std::make_unique<FluxDeTest>(port);
  FluxDeTest second(port);
  const ReponseHttp refus = echange_http(port, demande_de_flux());
  EXPECT_EQ(refus.statut, 503);
  EXPECT_NE(refus.entete.find("Retry-After: 5"), std::string::npos) << refus.entete;
  const std::string texte = get_http(port, "/metrics").corps;
  EXPECT_EQ(metrique(texte, "arene_spectateurs"), 2);
  EXPECT_EQ(metrique(texte, "arene_spectateurs_refuses_total"), 1);
  EXPECT_TRUE(second.message()) << "the others go on";
  premier.reset();
  EXPECT_TRUE(attend_que(
      [&] { return metrique(get_http(port, "/metrics").corps, "arene_spectateurs") == 1; }, 10s));
  FluxDeTest troisieme(port);
  const auto debut = troisieme.message();
  ASSERT_TRUE(debut);
  EXPECT_TRUE(debut->starts_with("{\"t\":\"entete\"")) << *debut;
}

}  // namespace
