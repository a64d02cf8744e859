// The live stream of the real arene-arbitre: what it rebuilds against what
// players read, spectators that never read, and the end of a match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>
#include <vector>

#include "e2e/spectateur_de_test.h"
#include "e2e/stress.h"
#include "enregistrement/etat.h"
#include "enregistrement/format.h"
#include "protocol/socket.h"
#include "protocol/textes.h"

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
Liste reponse_vaisseaux(const EtatRelu& etat) {
  Liste lignes{"PUT VAISSEAUX " + std::to_string(etat.vaisseaux().size()) + "\r\n"};
  for (const VaisseauVu& v : etat.vaisseaux()) {
    envoie_vaisseau(lignes.emplace_back(), vaisseau{v.x, v.y, v.angle, 0.0, v.pt_vie, v.couleur});
  }
  return lignes;
}

Liste reponse_balles(const EtatRelu& etat) {
  Liste lignes{"PUT BALLES " + std::to_string(etat.nb_balles()) + "\r\n"};
  for (const BalleVue& b : etat.balles())
    envoie_balle(lignes.emplace_back(), balle(b.x, b.y, 0.0, b.couleur));
  return lignes;
}

// A spectator's rebuild, kept as the replies would have been after each
// state and each tick received.
struct Relecture {
  void recoit(const std::string& message) {
    for (const std::string& ligne : lignes_de(message)) {
      types.push_back(type_de(ligne));
      const Evenement e = lit_ligne(ligne);
      if (const auto* t = std::get_if<EvTick>(&e)) {
        EXPECT_EQ(t->n, relu.tick() + 1) << "ticks in a row";
      }
      relu.applique(e);
      if (types.back() == "tick" || types.back() == "etat") {
        vaisseaux.push_back(reponse_vaisseaux(relu));
        balles.push_back(reponse_balles(relu));
      }
    }
  }

  EtatRelu relu;
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

TEST(Flux, CentSpectateursQuiNeLisentPasNeRalentissentNiLeTickNiLesJoueurs) {
  ArbitreDeTest arbitre({"--graine", "4"});
  const int port = arbitre.port_spectateurs();
  std::vector<Socket> muets;
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

// The code of the close frame the server answers a close with `code` with,
// read from the raw bytes of the stream; nothing if no close frame came.
std::optional<int> code_en_reponse(int port, std::uint16_t code) {
  ClientDeTest client(port);
  client.envoie(demande_de_flux());
  for (auto ligne = client.lit_ligne(); ligne && *ligne != "\r\n"; ligne = client.lit_ligne()) {
  }
  // A client's frame is masked; a zero mask leaves the payload as it is.
  const char trame[] = {
      '\x88', '\x82', 0, 0, 0, 0, static_cast<char>(code >> 8), static_cast<char>(code & 0xff)};
  client.envoie(std::string_view(trame, sizeof trame));
  const auto recu = client.lit_jusqu_a_fermeture(5s);
  if (!recu) return std::nullopt;
  // The server's frames: unmasked, a length of 7 bits, or 16 or 64 after it.
  for (std::size_t i = 0; i + 2 <= recu->size();) {
    std::size_t taille = octet(*recu, i + 1) & 0x7f;
    std::size_t debut = i + 2;
    const std::size_t octets_de_taille = taille == 126 ? 2 : taille == 127 ? 8 : 0;
    if (octets_de_taille > 0) taille = 0;
    for (std::size_t k = 0; k < octets_de_taille; ++k) taille = taille << 8 | octet(*recu, debut++);
    if ((octet(*recu, i) & 0x0f) == 8)
      return taille >= 2 ? octet(*recu, debut) << 8 | octet(*recu, debut + 1) : 1005;
    i = debut + taille;
  }
  return std::nullopt;
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
