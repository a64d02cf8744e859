// The command loop as a bot sees it, over TCP: exact reply bytes, lists,
// and every way a connection ends.
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "e2e/serveur_de_test.h"

namespace {

// The text forms of numbers: "1408.", "350.25", "1e-05", "-1.5e+20"; "0", "-7".
const std::string flottant = R"((-?\d+\.\d*|-?\d(\.\d+)?e[+-]\d\d\d?))";
const std::string entier = R"((0|-?[1-9]\d*))";

// A whole reply line: these fields separated by single blanks, then CR LF.
std::regex motif_ligne(const std::vector<std::string>& champs) {
  std::string motif;
  for (const std::string& champ : champs) motif += (motif.empty() ? "" : " ") + champ;
  return std::regex(motif + "\r\n");
}

// True once the observer no longer lists a ship of colour `id`.
bool attend_disparition(ClientDeTest& observateur, long long id) {
  const auto fin = std::chrono::steady_clock::now() + 10s;
  const std::string suffixe = " " + std::to_string(id) + "\r\n";
  while (std::chrono::steady_clock::now() < fin) {
    const auto lignes = observateur.demande_liste("GET VAISSEAUX\r\n");
    if (std::none_of(lignes.begin() + 1, lignes.end(),
                     [&](const std::string& l) { return l.ends_with(suffixe); }))
      return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

TEST(Commandes, EveryQueryAndActionAnswersItsExactBytes) {
  ServeurDeTest serveur;
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(16711680), "VAISSEAU ENREGISTRE\r\n");
  const std::pair<const char*, const char*> cas[] = {
      {"GET TAILLE PLATEAU\r\n", "PUT TAILLE PLATEAU 1408. 1408.\r\n"},
      {"GET RAYON VAISSEAU\r\n", "PUT RAYON VAISSEAU 9.\r\n"},
      {"GET RAYON BALLE\r\n", "PUT RAYON BALLE 4.\r\n"},
      {"GET MAX PT VIE\r\n", "PUT MAX PT VIE 5\r\n"},
      {"GET STATUT\r\n", "PUT STATUT vivant\r\n"},
      {"PUT ACTION ACCELERE\r\n", "OK\r\n"},
      {"PUT ACTION DECELERE\r\n", "OK\r\n"},
      {"PUT ACTION DROITE\r\n", "OK\r\n"},
      {"PUT ACTION GAUCHE\r\n", "OK\r\n"},
      {"PUT ACTION TIRE\r\n", "OK\r\n"},
      {"GET STATUT\n", "ERREUR SYNTAXE\r\n"},
      {" GET STATUT\r\n", "ERREUR SYNTAXE\r\n"},
      {"GET STATUT \r\n", "ERREUR SYNTAXE\r\n"},
      {"get statut\r\n", "ERREUR SYNTAXE\r\n"},
      {"PUT COULEUR VAISSEAU 16711680\r\n", "ERREUR SYNTAXE\r\n"},
      {"\r\n", "ERREUR SYNTAXE\r\n"},
  };
  for (const auto& [requete, reponse] : cas) EXPECT_EQ(client.demande(requete), reponse) << requete;
  EXPECT_TRUE(client.silencieux(100ms));
}

TEST(Commandes, ListRepliesHoldExactlyTheirCountOfLines) {
  ServeurDeTest serveur;
  ClientDeTest a(serveur.port());
  ClientDeTest b(serveur.port());
  ClientDeTest c(serveur.port());
  ASSERT_EQ(a.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(b.enregistre(-7), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(c.enregistre(16711680), "VAISSEAU ENREGISTRE\r\n");

  const auto vaisseaux = a.demande_liste("GET VAISSEAUX\r\n");
  ASSERT_EQ(vaisseaux.size(), 4u);
  EXPECT_EQ(vaisseaux[0], "PUT VAISSEAUX 3\r\n");
  const char* ids[] = {"16711680", "-7", "255"};  // newest first
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(std::regex_match(vaisseaux[i + 1],
                                 motif_ligne({flottant, flottant, flottant, "5", ids[i]})))
        << vaisseaux[i + 1];
  EXPECT_TRUE(a.silencieux(100ms));

  const auto cubes = a.demande_liste("GET CUBES\r\n");
  ASSERT_EQ(cubes.size(), 201u);
  const std::regex ligne_cube = motif_ligne({flottant, flottant, flottant, flottant});
  EXPECT_EQ(cubes[0], "PUT CUBES 200\r\n");
  for (std::size_t i = 1; i < cubes.size(); ++i) {
    double x_min, y_min, x_max, y_max;
    ASSERT_EQ(std::sscanf(cubes[i].c_str(), "%lf %lf %lf %lf", &x_min, &y_min, &x_max, &y_max), 4);
    EXPECT_TRUE(std::regex_match(cubes[i], ligne_cube)) << cubes[i];
    EXPECT_EQ(x_max - x_min, 22.0);
    EXPECT_EQ(y_max - y_min, 22.0);
  }
  EXPECT_TRUE(a.silencieux(100ms));

  EXPECT_EQ(b.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  EXPECT_EQ(c.demande("PUT ACTION TIRE\r\n"), "OK\r\n");
  const auto balles = a.demande_liste("GET BALLES\r\n");
  ASSERT_GE(balles.size(), 1u);
  EXPECT_TRUE(std::regex_match(balles[0], motif_ligne({"PUT BALLES", entier}))) << balles[0];
  EXPECT_EQ(balles[0], "PUT BALLES " + std::to_string(balles.size() - 1) + "\r\n");
  const std::regex ligne_balle = motif_ligne({flottant, flottant, "(-7|16711680)"});
  for (std::size_t i = 1; i < balles.size(); ++i)
    EXPECT_TRUE(std::regex_match(balles[i], ligne_balle)) << balles[i];
  EXPECT_TRUE(a.silencieux(100ms));
}

TEST(Commandes, QuitteAnswersOkThenClosesAndRemovesTheShip) {
  ServeurDeTest serveur;
  ClientDeTest observateur(serveur.port());
  ClientDeTest joueur(serveur.port());
  ASSERT_EQ(observateur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(joueur.enregistre(2), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(observateur.demande_liste("GET VAISSEAUX\r\n").size(), 3u);
  // Lines after QUITTE are never served.
  joueur.envoie("PUT ACTION QUITTE\r\nGET STATUT\r\n");
  EXPECT_EQ(joueur.lit_jusqu_a_fermeture(), "OK\r\n");
  const auto lignes = observateur.demande_liste("GET VAISSEAUX\r\n");
  ASSERT_EQ(lignes.size(), 2u);
  EXPECT_TRUE(lignes[1].ends_with(" 1\r\n")) << lignes[1];
}

TEST(Commandes, AnAbruptDisconnectRemovesTheShip) {
  ServeurDeTest serveur;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  ClientDeTest ferme(serveur.port());
  ClientDeTest reinitialise(serveur.port());
  ASSERT_EQ(ferme.enregistre(2), "VAISSEAU ENREGISTRE\r\n");
  ASSERT_EQ(reinitialise.enregistre(3), "VAISSEAU ENREGISTRE\r\n");
  // One leaves with pending replies it will never read, the other with a reset.
  ferme.envoie("GET CUBES\r\nGET CUBES\r\n");
  ferme.ferme();
  reinitialise.reinitialise();
  EXPECT_TRUE(attend_disparition(observateur, 2));
  EXPECT_TRUE(attend_disparition(observateur, 3));
  EXPECT_EQ(observateur.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
}

TEST(Commandes, AHalfClosedConnectionIsAnsweredUpToItsLastUnterminatedLine) {
  ServeurDeTest serveur;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(1), "VAISSEAU ENREGISTRE\r\n");
  ClientDeTest client(serveur.port());
  client.envoie("PUT COULEUR VAISSEAU 9\r\nGET STATUT\r\nGET MAX PT VIE\r");
  client.demi_ferme();
  EXPECT_EQ(client.lit_jusqu_a_fermeture(),
            "VAISSEAU ENREGISTRE\r\nPUT STATUT vivant\r\nPUT MAX PT VIE 5\r\n");
  EXPECT_TRUE(attend_disparition(observateur, 9));
}

TEST(Commandes, PipelinedRequestsAreAnsweredInOrder) {
  ServeurDeTest serveur;
  ClientDeTest client(serveur.port());
  std::string requetes = "PUT COULEUR VAISSEAU 3\r\n";
  std::string attendu = "VAISSEAU ENREGISTRE\r\n";
  for (int i = 0; i < 500; ++i) {
    requetes += "GET MAX PT VIE\r\nPUT ACTION GAUCHE\r\nGET RAYON\r\n";
    attendu += "PUT MAX PT VIE 5\r\nOK\r\nERREUR SYNTAXE\r\n";
  }
  requetes += "PUT ACTION QUITTE\r\n";
  attendu += "OK\r\n";
  client.envoie(requetes);
  EXPECT_EQ(client.lit_jusqu_a_fermeture(10s), attendu);
}

TEST(Commandes, AnOverlongLineIsRefusedAndTheConnectionGoesOn) {
  ServeurDeTest serveur;
  ClientDeTest client(serveur.port());
  ASSERT_EQ(client.enregistre(4), "VAISSEAU ENREGISTRE\r\n");
  // Starts like a valid command: only its first 4096 bytes are kept.
  EXPECT_EQ(client.demande("GET STATUT\r" + std::string(1'000'000, 'x') + "\r\n"),
            "ERREUR SYNTAXE\r\n");
  EXPECT_EQ(client.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
}

}  // namespace
