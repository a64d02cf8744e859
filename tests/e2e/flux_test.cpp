// The live stream of the real arene-arbitre: what it rebuilds against what
// players read, spectators that never read, and the end of a match.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "e2e/stress.h"
#include "e2e/tribune_de_test.h"
#include "enregistrement/etat.h"
#include "enregistrement/format.h"
#include "enregistrement/lecteur.h"
#include "protocol/textes.h"
#include "transport/socket.h"

namespace {

using Liste = std::vector<std::string>;

Liste lignes_de(const std::string& message) {
  Liste lignes;
  std::size_t debut = 0;
  for (;;) {
    const auto fin = message.find('\n', debut);
    lignes.push_back(message.substr(debut, fin - debut));
    if (fin == std::string::npos) return lignes;
    debut = fin + 1;
  }
}

std::string type_de(const std::string& ligne) {
  return nlohmann::json::parse(ligne).at("t").get<std::string>();
}

// The lists rebuilt from the stream, as list replies would give them.
Liste reponse_vaisseaux(const enregistrement::EtatRelu& etat) {
  Liste lignes{"PUT VAISSEAUX " + std::to_string(etat.vaisseaux().size()) + "\r\n"};
  for (const evenements::VaisseauVu& v : etat.vaisseaux()) {
    protocol::envoie_vaisseau(lignes.emplace_back(),
                              world::vaisseau{v.x, v.y, v.angle, 0.0, v.pt_vie, v.couleur});
  }
  return lignes;
}

Liste reponse_balles(const enregistrement::EtatRelu& etat) {
  Liste lignes{"PUT BALLES " + std::to_string(etat.nb_balles()) + "\r\n"};
  for (const evenements::BalleVue& b : etat.balles())
    protocol::envoie_balle(lignes.emplace_back(), world::balle(b.x, b.y, 0.0, b.couleur));
  return lignes;
}

// A spectator's rebuild, kept as the replies would have been after each
// state and each tick received.
struct Relecture {
  void recoit(const std::string& message) {
    for (const std::string& ligne : lignes_de(message)) {
      types.push_back(type_de(ligne));
      const evenements::Evenement e = enregistrement::lit_ligne(ligne);
      if (const auto* t = std::get_if<evenements::EvTick>(&e)) {
        EXPECT_EQ(t->n, relu.tick() + 1) << "ticks in a row";
      }
      relu.applique(e);
      if (types.back() == "tick" || types.back() == "etat") {
        vaisseaux.push_back(reponse_vaisseaux(relu));
        balles.push_back(reponse_balles(relu));
      }
    }
  }

  enregistrement::EtatRelu relu;
  Liste types;  // of every line, in order
  std::vector<Liste> vaisseaux;
  std::vector<Liste> balles;
};

bool contient(const std::vector<Liste>& instants, const Liste& reponse) {
  return std::find(instants.begin(), instants.end(), reponse) != instants.end();
}

TEST(Flux, LeFluxRebatitCeQueLesJoueursLisent) {
  ArbitreDeTest arbitre({"--graine", "9"});
  ClientDeTest a(arbitre.port());
  ClientDeTest b(arbitre.port());
  ASSERT_EQ(a.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(b.enregistre(65280), "VAISSEAU ENREGISTRE\r\n");
  for (const char* action : {"ACCELERE", "ACCELERE", "ACCELERE", "GAUCHE", "TIRE", "TIRE"})
    ASSERT_EQ(a.demande("PUT ACTION " + std::string(action) + "\r\n"), "OK\r\n");
  FluxDeTest flux(arbitre.port_spectateurs());
  Relecture relecture;
  const auto premier = flux.message();
  ASSERT_TRUE(premier);
  const Liste premieres = lignes_de(*premier);
  ASSERT_GE(premieres.size(), 2u);
  EXPECT_EQ(type_de(premieres[0]), "entete");
  EXPECT_EQ(type_de(premieres[1]), "etat");
  EXPECT_EQ(nlohmann::json::parse(premieres[0]).at("cubes").size(), 200u);
  relecture.recoit(*premier);
  const auto suit_jusqu_a = [&](const auto& condition) {
    while (!condition()) {
      const auto message = flux.message();
      if (!message) return false;
      relecture.recoit(*message);
    }
    return true;
  };
  // Bullets fired while the spectator watches come as `tir` lines.
  ASSERT_EQ(b.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  ASSERT_TRUE(suit_jusqu_a([&] { return relecture.types.size() >= 20u; }));
  const Liste vaisseaux = a.demande_liste("GET VAISSEAUX\r\n");
  const Liste balles = a.demande_liste("GET BALLES\r\n");
  const std::int64_t tick_des_reponses = relecture.relu.tick();
  ASSERT_TRUE(suit_jusqu_a([&] { return relecture.relu.tick() >= tick_des_reponses + 20; }));
  ASSERT_EQ(vaisseaux.size(), 3u);
  EXPECT_TRUE(contient(relecture.vaisseaux, vaisseaux)) << "no rebuilt tick lists " << vaisseaux[1];
  EXPECT_TRUE(contient(relecture.balles, balles)) << "no rebuilt tick lists " << balles[0];
  // The state is the writer's, a lot or two behind the world: shots fired
  // just before may come as lines after it.
  EXPECT_GE(std::count(relecture.types.begin(), relecture.types.end(), "tir"), 1);
  EXPECT_EQ(std::count(relecture.types.begin(), relecture.types.end(), "perdu"), 0);
}

// Names given to the referee reach everything that shows a player: the
// stream's header (with the match's parameters and the wait left), the
// recording's header, the results file and the table printed at the end.
TEST(Flux, LesNomsVontAuFluxALEnregistrementEtAuxResultats) {
  const std::string prefixe = ::testing::TempDir() + "noms_" + std::to_string(::getpid());
  std::ofstream(prefixe + ".txt") << "# classe\n\n16711680 Élodie Dupont\r\n";
  ArbitreDeTest arbitre({"--noms", prefixe + ".txt", "--nom", "255=李雷", "--joueurs", "3",
                         "--attente", "30", "--duree", "20t", "--resultats", prefixe + ".json",
                         "--enregistre", prefixe + ".gz"});
  const nlohmann::json noms = {{255, "李雷"}, {16711680, "Élodie Dupont"}};
  const nlohmann::json match = {{"joueurs", 3}, {"attente", 30}, {"duree", 20}, {"fin", nullptr}};
  {
    FluxDeTest flux(arbitre.port_spectateurs());
    const auto premier = flux.message();
    ASSERT_TRUE(premier);
    const auto entete = nlohmann::json::parse(lignes_de(*premier).at(0));
    EXPECT_EQ(entete.at("version"), 2);
    EXPECT_EQ(entete.at("noms"), noms);
    EXPECT_EQ(entete.at("match"), match);
    EXPECT_GT(entete.at("attente_restante").get<double>(), 20.0);
    EXPECT_LE(entete.at("attente_restante").get<double>(), 30.0);
  }
  std::vector<std::unique_ptr<ClientDeTest>> joueurs;
  for (const long long couleur : {255LL, 16711680LL, 7LL}) {
    joueurs.push_back(std::make_unique<ClientDeTest>(arbitre.port()));
    ASSERT_EQ(joueurs.back()->enregistre(couleur), "VAISSEAU ENREGISTRE\r\n");
  }
  ASSERT_EQ(arbitre.processus().attend_fin(20s), 0) << arbitre.processus().erreurs();
  std::ifstream fichier(prefixe + ".json");
  const auto resultats = nlohmann::json::parse(fichier);
  std::map<std::int64_t, nlohmann::json> par_couleur;
  for (const auto& j : resultats.at("joueurs")) par_couleur[j.at("couleur")] = j;
  EXPECT_EQ(par_couleur.at(255).value("nom", ""), "李雷");
  EXPECT_EQ(par_couleur.at(16711680).value("nom", ""), "Élodie Dupont");
  EXPECT_FALSE(par_couleur.at(7).contains("nom")) << "a colour without a name has no key";
  const enregistrement::LecteurEnregistrement lecteur(prefixe + ".gz");
  EXPECT_EQ(lecteur.entete().noms, (noms::Noms{{255, "李雷"}, {16711680, "Élodie Dupont"}}));
  EXPECT_EQ(lecteur.entete().match, (evenements::ParametresMatch{3, 30.0, 20, false}));
  EXPECT_NE(arbitre.processus().sortie().find("Élodie Dupont\n"), std::string::npos);
  for (const char* fin : {".txt", ".json", ".gz"}) std::remove((prefixe + fin).c_str());
}

TEST(Flux, CentSpectateursQuiNeLisentPasNeRalentissentNiLeTickNiLesJoueurs) {
  ArbitreDeTest arbitre({"--graine", "4"});
  const int port = arbitre.port_spectateurs();
  std::vector<transport::Socket> muets;
  // From as many addresses: one address alone gets only a few connections.
  for (int i = 0; i < 100; ++i)
    muets.push_back(spectateur_muet(port, "127.0.1." + std::to_string(i + 1)));
  std::string texte;
  ASSERT_TRUE(attend_que(
      [&] {
        texte = get_http(port, "/metrics").corps;
        return metrique(texte, "arene_spectateurs") +
                   metrique(texte, "arene_spectateurs_refuses_total") ==
               100;
      },
      20s))
      << texte;
  EXPECT_EQ(metrique(texte, "arene_spectateurs"), 64) << "--max-spectateurs is 64 by default";
  // Firing players give the stream plenty to say, and a probe ship counts
  // the ticks, while no spectator reads a byte. A sanitized server is several
  // times slower: fewer players then.
  const int tireurs = sous_sanitizer ? 2 : 10;
  Processus charge(ARENE_CHARGE, {"--port", std::to_string(arbitre.port()), "--mix", "tire",
                                  "--clients", std::to_string(tireurs), "--seconds", "5"});
  ASSERT_EQ(charge.attend_fin(60s), 0) << charge.sortie() << charge.erreurs();
  const std::string sortie = charge.sortie();
  const auto mesures = nlohmann::json::parse(sortie.substr(sortie.rfind("\n{") + 1));
  const double ticks = mesures.at("ticks_per_second").get<double>();
  const double latence = mesures.at("probe_latency_ms").at("p99").get<double>();
  texte = get_http(port, "/metrics").corps;
  std::printf(
      "100 stalled spectators: probe sees %.1f ticks/s, its requests p99 %.2f ms; "
      "%.0f requests, %.0f lots skipped, %.0f streams cut\n",
      ticks, latence, mesures.at("requests").get<double>(),
      metrique(texte, "arene_spectateurs_lots_sautes_total"),
      metrique(texte, "arene_spectateurs_abandonnes_total"));
  EXPECT_GE(ticks, 30.0);
  EXPECT_LT(latence, 1000.0);
  EXPECT_EQ(mesures.at("errors"), 0);
  EXPECT_GT(mesures.at("requests").get<double>(), 0);
  EXPECT_EQ(arbitre.processus().erreurs(), "");
}

TEST(Flux, ALaFinDuMatchLeFluxFinitProprementEtLePortFerme) {
  ArbitreDeTest arbitre({"--duree", "2s"});
  FluxDeTest flux(arbitre.port_spectateurs());
  std::vector<std::string> types;
  for (auto message = flux.message(); message; message = flux.message())
    for (const std::string& ligne : lignes_de(*message)) types.push_back(type_de(ligne));
  ASSERT_FALSE(types.empty());
  EXPECT_EQ(types.front(), "entete");
  EXPECT_EQ(types.back(), "fin");
  EXPECT_EQ(flux.code_de_fermeture(), 1000) << "a normal WebSocket close after the end";
  EXPECT_EQ(arbitre.processus().attend_fin(20s), 0);
  EXPECT_EQ(arbitre.processus().erreurs(), "") << "a sanitizer's report, for one";
  EXPECT_FALSE(connectable(arbitre.port_spectateurs()));
  // The server closed its connections first, which leaves them in TIME_WAIT
  // on its side: the next match still opens the same spectator port at once.
  ArbitreDeTest suivant({}, arbitre.port_spectateurs());
  EXPECT_EQ(get_http(suivant.port_spectateurs(), "/resultats").statut, 200);
}

std::uint8_t octet(const std::string& texte, std::size_t i) {
  return static_cast<std::uint8_t>(texte.at(i));
}

// A WebSocket frame from the server, which never masks them.
struct Trame {
  int code = 0;  // 0 continuation, 1 text, 8 close, 9 ping
  bool fin = false;
  std::string charge;
};

// Takes the first whole frame out of `octets`; nothing while it is incomplete.
std::optional<Trame> extrait_trame(std::string& octets) {
  if (octets.size() < 2) return std::nullopt;
  std::size_t taille = octet(octets, 1) & 0x7f;
  std::size_t debut = 2;
  const std::size_t octets_de_taille = taille == 126 ? 2 : taille == 127 ? 8 : 0;
  if (octets.size() < debut + octets_de_taille) return std::nullopt;
  if (octets_de_taille > 0) taille = 0;
  for (std::size_t k = 0; k < octets_de_taille; ++k) taille = taille << 8 | octet(octets, debut++);
  if (octets.size() < debut + taille) return std::nullopt;
  Trame trame{octet(octets, 0) & 0x0f, (octet(octets, 0) & 0x80) != 0,
              octets.substr(debut, taille)};
  octets.erase(0, debut + taille);
  return trame;
}

// A client's frame: masked, here with a zero mask that leaves the payload as it is.
std::string trame_client(char code, std::string_view charge) {
  std::string trame{static_cast<char>(0x80 | code), static_cast<char>(0x80 | charge.size())};
  trame.append(4, '\0');
  return trame.append(charge);
}

// The code of the close frame the server answers a close with `code` with,
// read from the raw bytes of the stream; nothing if no close frame came.
std::optional<int> code_en_reponse(int port, std::uint16_t code) {
  ClientDeTest client(port);
  client.envoie(demande_de_flux());
  for (auto ligne = client.lit_ligne(); ligne && *ligne != "\r\n"; ligne = client.lit_ligne()) {
  }
  const char code_brut[] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xff)};
  client.envoie(trame_client(8, std::string_view(code_brut, 2)));
  auto recu = client.lit_jusqu_a_fermeture(5s);
  if (!recu) return std::nullopt;
  while (const auto trame = extrait_trame(*recu))
    if (trame->code == 8)
      return trame->charge.size() >= 2 ? octet(trame->charge, 0) << 8 | octet(trame->charge, 1)
                                       : 1005;
  return std::nullopt;
}

// A spectator on a slow line: reads the stream at `debit` bytes a second
// through a small receive buffer, answers pings, and notes each full state
// it gets, with how far behind the match it was, and the gaps announced.
struct LecteurLent {
  void lit(int port, double debit, Duree duree) {
    const transport::Socket socket = spectateur_muet(port);
    const auto debut = std::chrono::steady_clock::now();
    std::string octets;
    std::string message;
    bool entete_lue = false;  // the HTTP answer to the handshake
    double lus = 0;
    for (auto maintenant = debut; maintenant < debut + duree;
         maintenant = std::chrono::steady_clock::now()) {
      const double permis = debit * std::chrono::duration<double>(maintenant - debut).count() - lus;
      pollfd attente{socket.fd(), POLLIN, 0};
      if (permis < 1024 || ::poll(&attente, 1, 50) <= 0) {
        std::this_thread::sleep_for(20ms);
        continue;
      }
      char morceau[8192];
      const ssize_t n = ::recv(socket.fd(), morceau,
                               std::min(sizeof morceau, static_cast<std::size_t>(permis)), 0);
      if (n <= 0) return void(coupe = true);
      lus += static_cast<double>(n);
      octets.append(morceau, static_cast<std::size_t>(n));
      if (!entete_lue) {
        const auto fin_entete = octets.find("\r\n\r\n");
        if (fin_entete == std::string::npos) continue;
        octets.erase(0, fin_entete + 4);
        entete_lue = true;
      }
      while (auto trame = extrait_trame(octets)) {
        if (trame->code == 8) return void(coupe = true);
        if (trame->code == 9) {
          const std::string pong = trame_client(10, trame->charge);
          (void)::send(socket.fd(), pong.data(), pong.size(), MSG_NOSIGNAL);
        } else if (message.append(trame->charge); trame->fin) {
          note(port, std::exchange(message, {}));
        }
      }
    }
  }

  void note(int port, const std::string& texte) {
    for (const std::string& l : lignes_de(texte)) {
      perdus += l.starts_with("{\"t\":\"perdu\"");
      if (!l.starts_with("{\"t\":\"etat\"")) continue;
      const std::int64_t tick = std::atoll(l.c_str() + l.find("\"tick\":") + 7);
      const double match = metrique(get_http(port, "/metrics").corps, "arene_ticks_total");
      retard_max = std::max(retard_max, match - static_cast<double>(tick));
      ticks_des_etats.push_back(tick);
    }
  }

  std::vector<std::int64_t> ticks_des_etats;
  double retard_max = 0;  // in ticks, at the moment a state was read whole
  int perdus = 0;
  bool coupe = false;  // the server ended the stream
};

TEST(Flux, UnSpectateurA50KoParSecondeSuitUnMatchCharge) {
  ArbitreDeTest arbitre({"--graine", "3"});
  const int port = arbitre.port_spectateurs();
  const int tireurs = sous_sanitizer ? 2 : 6;
  Processus charge(ARENE_CHARGE,
                   {"--port", std::to_string(arbitre.port()), "--mix", "tire", "--clients",
                    std::to_string(tireurs), "--seconds", "40", "--no-probe"});
  ASSERT_TRUE(attend_que(
      [&] { return metrique(get_http(port, "/metrics").corps, "arene_balles") >= 150 * tireurs; },
      20s));
  // Longer than the time limit on a send that makes no progress; a full
  // state of this match takes some 10 s at this rate.
  LecteurLent lecteur;
  lecteur.lit(port, 50'000, 25s);
  const std::string texte = get_http(port, "/metrics").corps;
  std::printf("a reader at 50 KB/s for 25 s: %zu states, %d gaps, at most %.0f ticks behind\n",
              lecteur.ticks_des_etats.size(), lecteur.perdus, lecteur.retard_max);
  EXPECT_FALSE(lecteur.coupe) << "a spectator that makes progress is never cut";
  EXPECT_GE(lecteur.perdus, 1);
  EXPECT_GE(lecteur.ticks_des_etats.size(), 2u);
  EXPECT_TRUE(std::adjacent_find(lecteur.ticks_des_etats.begin(), lecteur.ticks_des_etats.end(),
                                 std::greater_equal<>()) == lecteur.ticks_des_etats.end());
  EXPECT_LT(lecteur.retard_max, 20 * 40) << "states come late by seconds, not minutes";
  EXPECT_GE(metrique(texte, "arene_spectateurs_reprises_total"), 1);
  EXPECT_EQ(metrique(texte, "arene_spectateurs_abandonnes_total"), 0);
}

TEST(Flux, UnCodeDeFermetureInvalideRecoitUneErreurDeProtocole) {
  ArbitreDeTest arbitre;
  const std::uint16_t valides[] = {1000, 1001, 1003, 1011, 3000, 4999};
  for (const std::uint16_t code : valides)
    EXPECT_EQ(code_en_reponse(arbitre.port_spectateurs(), code), code) << "echoed: " << code;
  const std::uint16_t invalides[] = {0, 999, 1004, 1005, 1006, 1015, 1016, 2999, 5000, 65535};
  for (const std::uint16_t code : invalides)
    EXPECT_EQ(code_en_reponse(arbitre.port_spectateurs(), code), 1002) << "invalid: " << code;
}

}  // namespace
