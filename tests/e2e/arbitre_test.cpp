// arene-arbitre over TCP: seeded worlds, the phases of a match, its results
// and its recording, as bots and organisers see them.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "e2e/serveur_de_test.h"
#include "enregistrement/lecteur.h"
#include "protocol/listes.h"

namespace {

using nlohmann::json;

std::string joint(const std::vector<std::string>& lignes) {
  std::string texte;
  for (const std::string& l : lignes) texte += l;
  return texte;
}

std::string fichier_temporaire(const std::string& nom) {
  return ::testing::TempDir() + "arbitre_" + std::to_string(::getpid()) + "_" + nom;
}

json lit_json(const std::string& chemin) {
  std::ifstream f(chemin);
  return json::parse(f);
}

TEST(Arbitre, LaMemeGraineDonneLeMemeMondeAuxMemesInscriptions) {
  auto monde_de = [](const std::string& graine) {
    ServeurDeTest serveur({"--graine", graine, "--joueurs", "3"});
    ClientDeTest a(serveur.port());
    EXPECT_EQ(a.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
    ClientDeTest b(serveur.port());
    EXPECT_EQ(b.enregistre(-4), "VAISSEAU ENREGISTRE\r\n");
    return joint(a.demande_liste("GET CUBES\r\n")) + joint(a.demande_liste("GET VAISSEAUX\r\n"));
  };
  const std::string premier = monde_de("42");
  EXPECT_EQ(monde_de("42"), premier);
  EXPECT_NE(monde_de("43"), premier);
  EXPECT_NE(premier.find("PUT VAISSEAUX 2\r\n"), std::string::npos);
}

TEST(Arbitre, AttendSesJoueursPuisJoueJusquALaDuree) {
  const std::string resultats = fichier_temporaire("duree.json");
  ServeurDeTest serveur({"--joueurs", "2", "--duree", "40t", "--resultats", resultats});
  ClientDeTest a(serveur.port());
  ASSERT_EQ(a.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  // Waiting: actions answer OK and do nothing, nothing moves.
  EXPECT_EQ(a.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  EXPECT_EQ(a.demande("PUT ACTION ACCELERE\r\n"), "OK\r\n");
  const auto avant = a.demande_liste("GET VAISSEAUX\r\n");
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(a.demande_liste("GET VAISSEAUX\r\n"), avant);
  EXPECT_EQ(a.demande_liste("GET BALLES\r\n"), std::vector<std::string>{"PUT BALLES 0\r\n"});

  ClientDeTest b(serveur.port());
  ASSERT_EQ(b.enregistre(2), "VAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(a.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  EXPECT_EQ(a.demande_liste("GET BALLES\r\n").front(), "PUT BALLES 1\r\n");

  // 40 ticks later the match is over: connections closed, status 0.
  EXPECT_TRUE(a.attend_fermeture(10s));
  EXPECT_TRUE(b.attend_fermeture(10s));
  EXPECT_EQ(serveur.processus().attend_fin(10s), 0);
  const json r = lit_json(resultats);
  EXPECT_EQ(r["raison"], "duree");
  EXPECT_EQ(r["ticks"], 40);
  EXPECT_EQ(r["joueurs"].size(), 2u);
  EXPECT_EQ(r["joueurs"][0]["etat"], "vivant");
  EXPECT_NE(serveur.processus().sortie().find("fin : duree apres 40 ticks"), std::string::npos);
}

struct CasDeFin {
  const char* nom;
  std::vector<std::string> options;
  int joueurs;     // registered before the end is provoked
  bool un_quitte;  // the last one sends PUT ACTION QUITTE
  bool sigterm;    // the test sends SIGTERM
  const char* raison;
};

TEST(Arbitre, FinitParSurvivantSignalOuAnnulation) {
  const CasDeFin cas[] = {
      {"survivant", {"--fin", "survivant"}, 2, true, false, "survivant"},
      {"sigterm", {"--joueurs", "5"}, 1, false, true, "interrompu"},
      {"sigint en jeu", {}, 2, false, true, "interrompu"},
      {"annulee", {"--joueurs", "3", "--attente", "1"}, 1, false, false, "annule"},
  };
  for (const CasDeFin& c : cas) {
    SCOPED_TRACE(c.nom);
    const std::string resultats = fichier_temporaire(std::string(c.nom) + ".json");
    std::vector<std::string> options = c.options;
    options.insert(options.end(), {"--resultats", resultats});
    ServeurDeTest serveur(options);
    std::vector<std::unique_ptr<ClientDeTest>> clients;
    for (int k = 0; k < c.joueurs; ++k) {
      clients.push_back(std::make_unique<ClientDeTest>(serveur.port()));
      ASSERT_EQ(clients.back()->enregistre(100 + k), "VAISSEAU ENREGISTRE\r\n");
    }
    if (c.un_quitte) {
      EXPECT_EQ(clients.back()->demande("PUT ACTION QUITTE\r\n"), "OK\r\n");
      clients.pop_back();
    }
    if (c.sigterm) ::kill(serveur.processus().pid(), c.joueurs == 1 ? SIGTERM : SIGINT);
    for (auto& client : clients) EXPECT_TRUE(client->attend_fermeture(10s));
    ASSERT_EQ(serveur.processus().attend_fin(10s), 0);
    EXPECT_EQ(lit_json(resultats)["raison"], c.raison);
  }
}

// The lists as the server composes them, from a rebuilt state.
std::pair<std::string, std::string> textes(const enregistrement::EtatRelu& etat) {
  world::Monde monde(0);
  const auto vaisseaux = etat.vaisseaux();
  for (auto it = vaisseaux.rbegin(); it != vaisseaux.rend(); ++it)
    monde.vaisseaux.ajoute_en_tete(
        world::vaisseau{it->x, it->y, it->angle, 0.0, it->pt_vie, it->couleur});
  const auto balles = etat.balles();
  for (auto it = balles.rbegin(); it != balles.rend(); ++it) {
    world::balle b(0.0, 0.0, 0.0, it->couleur);
    b.x = it->x;
    b.y = it->y;
    monde.balles.ajoute_en_tete(b);
  }
  std::pair<std::string, std::string> t;
  protocol::compose_liste_vaisseaux(monde, t.first);
  protocol::compose_liste_balles(monde, t.second);
  return t;
}

TEST(Arbitre, LesListesLuesEnDirectSeRetrouventDansLEnregistrement) {
  const std::string enregistrement = fichier_temporaire("match.gz");
  ServeurDeTest serveur({"--joueurs", "2", "--duree", "2", "--enregistre", enregistrement});
  ClientDeTest a(serveur.port());
  ASSERT_EQ(a.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  ClientDeTest b(serveur.port());
  ASSERT_EQ(b.enregistre(16711680), "VAISSEAU ENREGISTRE\r\n");
  std::vector<std::string> vaisseaux_lus;
  std::vector<std::string> balles_lues;
  const char* actions[] = {"PUT ACTION TIRE\r\n", "PUT ACTION GAUCHE\r\n",
                           "PUT ACTION ACCELERE\r\n"};
  for (int k = 0; k < 200; ++k) {
    a.demande(actions[k % 3]);
    b.demande(actions[(k + 1) % 3]);
    const auto v = a.demande_liste("GET VAISSEAUX\r\n", 2s);
    const auto bl = b.demande_liste("GET BALLES\r\n", 2s);
    if (v.empty() || bl.empty()) break;  // the match is over
    vaisseaux_lus.push_back(joint(v));
    balles_lues.push_back(joint(bl));
  }
  ASSERT_TRUE(a.attend_fermeture(10s));
  ASSERT_EQ(serveur.processus().attend_fin(10s), 0);
  ASSERT_GT(vaisseaux_lus.size(), 20u);

  std::vector<std::string> vaisseaux_rebatis;
  std::vector<std::string> balles_rebaties;
  enregistrement::relit(enregistrement,
                        [&](const evenements::Evenement&, const enregistrement::EtatRelu& etat) {
                          auto [liste_v, liste_b] = textes(etat);
                          if (vaisseaux_rebatis.empty() || vaisseaux_rebatis.back() != liste_v)
                            vaisseaux_rebatis.push_back(liste_v);
                          if (balles_rebaties.empty() || balles_rebaties.back() != liste_b)
                            balles_rebaties.push_back(liste_b);
                        });
  // Each reply is one of the rebuilt moments, and they come in order.
  auto dans_l_ordre = [](const std::vector<std::string>& lus,
                         const std::vector<std::string>& rebatis) {
    auto depuis = rebatis.begin();
    for (const std::string& l : lus) {
      depuis = std::find(depuis, rebatis.end(), l);
      if (depuis == rebatis.end()) return ::testing::AssertionFailure() << "not rebuilt:\n" << l;
    }
    return ::testing::AssertionSuccess();
  };
  EXPECT_TRUE(dans_l_ordre(vaisseaux_lus, vaisseaux_rebatis));
  EXPECT_TRUE(dans_l_ordre(balles_lues, balles_rebaties));
}

}  // namespace

namespace {

// With --couleurs, a hostile bot that opens ten ships gets only its own: not
// a second one, not a rival's display colour, no extra; and no colour comes
// back once its ship has left. The match plays on for the others.
TEST(Arbitre, SeulesLesCouleursAdmisesEntrentEtUneFoisChacune) {
  const std::int64_t hostile = (0x1ABCDEll << 24) | 0xFF0000;
  const std::int64_t rival = (0x0F00BAll << 24) | 0x00FF00;
  const std::int64_t partant = (1ll << 52) | 0x0000FF;
  const std::string resultats = fichier_temporaire("couleurs.json");
  ServeurDeTest serveur(
      {"--joueurs", "3", "--duree", "2s", "--resultats", resultats, "--couleurs",
       std::to_string(hostile) + "," + std::to_string(rival) + ",0x100000000000FF"});
  std::vector<std::unique_ptr<ClientDeTest>> connexions;
  const std::int64_t essais[] = {hostile, hostile, 0x00FF00, rival + 1,   rival ^ (1ll << 30),
                                 0,       -1,      255,      partant - 1, 0xFF0000};
  for (std::int64_t couleur : essais) {
    SCOPED_TRACE(couleur);
    connexions.push_back(std::make_unique<ClientDeTest>(serveur.port()));
    EXPECT_EQ(connexions.back()->enregistre(couleur),
              connexions.size() == 1 ? "VAISSEAU ENREGISTRE\r\n" : "ERREUR COULEUR UTILISEE\r\n");
  }
  ClientDeTest b(serveur.port());
  EXPECT_EQ(b.enregistre(rival), "VAISSEAU ENREGISTRE\r\n");
  {
    ClientDeTest c(serveur.port());
    ASSERT_EQ(c.enregistre(partant), "VAISSEAU ENREGISTRE\r\n");
    EXPECT_EQ(c.demande("PUT ACTION QUITTE\r\n"), "OK\r\n");
  }
  ClientDeTest retour(serveur.port());
  EXPECT_EQ(retour.enregistre(partant), "ERREUR COULEUR UTILISEE\r\n");
  EXPECT_TRUE(b.attend_fermeture(10s));
  ASSERT_EQ(serveur.processus().attend_fin(10s), 0);
  const json r = lit_json(resultats);
  EXPECT_EQ(r["raison"], "duree");
  std::set<std::int64_t> joueurs;
  for (const json& j : r["joueurs"]) joueurs.insert(j["couleur"].get<std::int64_t>());
  EXPECT_EQ(joueurs, (std::set<std::int64_t>{hostile, rival, partant}));
}

// A name refused stops the referee before it listens, with the usage status
// and a message that says which option or which line of the file is wrong.
TEST(Arbitre, UnNomRefuseDitLOptionOuLaLigneEtArreteAvantLeMatch) {
  const std::string fichier = fichier_temporaire("noms.txt");
  std::ofstream(fichier) << "# classe\n255 Ana\n\n255 Bea\n";
  const std::pair<std::vector<std::string>, std::string> cas[] = {
      {{"--nom", "7=Jean\tDupont"}, "--nom 7=Jean\tDupont: a name may not hold control"},
      {{"--nom", "7="}, "--nom 7=: a name may not be empty"},
      {{"--nom", "7=" + std::string(41, 'x')}, "at most 40 characters, not 41"},
      {{"--nom", "7=\xC3"}, "must be UTF-8"},
      {{"--nom", "7=Ana", "--nom", "0x7=Bea"}, "colour 7 already has a name: \"Ana\""},
      {{"--noms", fichier}, fichier + ":4: colour 255 already has a name"},
      {{"--noms", fichier + ".absent"}, ".absent: cannot be read"},
      {{"--couleurs", "7,vert"}, "not a colour: \"vert\""},
      // Standard input, open but no socket: the watchers would never be served.
      {{"--spectateurs-fd", "0"}, "not a listening socket: 0"},
  };
  for (const auto& [options, message] : cas) {
    std::vector<std::string> arguments = {"--port", std::to_string(port_libre())};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const Execution e = execute(ARENE_ARBITRE, arguments, 10s);
    EXPECT_EQ(e.statut, 1) << message;
    EXPECT_NE(e.erreurs.find(message), std::string::npos) << e.erreurs;
  }
  std::remove(fichier.c_str());
}

}  // namespace
