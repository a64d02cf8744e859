// The debug trace of a short session, compared byte for byte.
#include <gtest/gtest.h>

#include "e2e/serveur_de_test.h"

namespace {

// Sends a request and returns the reply; for a list, every line of it.
std::string reponse(ClientDeTest& client, const std::string& requete) {
  const bool liste =
      requete == "GET VAISSEAUX\r\n" || requete == "GET BALLES\r\n" || requete == "GET CUBES\r\n";
  if (!liste) return client.demande(requete);
  std::string tout;
  for (const std::string& ligne : client.demande_liste(requete)) tout += ligne;
  return tout;
}

// Each reply line with its CR LF, after two blanks.
std::string copie(const std::string& reponse) {
  std::string texte;
  for (std::size_t debut = 0; debut < reponse.size();) {
    const std::size_t fin = reponse.find('\n', debut) + 1;
    texte += "  " + reponse.substr(debut, fin - debut);
    debut = fin;
  }
  return texte;
}

TEST(Trace, ADebugSessionPrintsExactlyTheExpectedLines) {
  ServeurDeTest serveur(/*debug=*/true);
  std::string attendu = prelude_serveur() +
                        "creation des cubes\n"
                        "lancement du serveur\n"
                        "creation de la socket principale\n"
                        "binding et listening\n"
                        "attente des clients\n";

  ClientDeTest rouge(serveur.port());
  ASSERT_EQ(rouge.demande("PUT COULEUR VAISSEAU 0255\r\n"), "ERREUR SYNTAXE\r\n");
  attendu += "erreur client: PUT COULEUR VAISSEAU 0255\r\n";
  ASSERT_EQ(rouge.enregistre(16711680), "VAISSEAU ENREGISTRE\r\n");
  attendu += "Oh, un nouveau client (rouge)\n";

  ClientDeTest bleu(serveur.port());
  ASSERT_EQ(bleu.enregistre(16711680), "ERREUR COULEUR UTILISEE\r\n");
  attendu += "erreur client: la couleur est deja utilisee\n";
  ASSERT_EQ(bleu.enregistre(255), "VAISSEAU ENREGISTRE\r\n");
  attendu += "Oh, un nouveau client (bleu)\n";
  ASSERT_EQ(bleu.demande("GET STATUT\r\n"), "PUT STATUT vivant\r\n");
  attendu += "Le client bleu demande son statut\n  PUT STATUT vivant\r\n";

  const std::pair<std::string, std::string> requetes[] = {
      {"GET TAILLE PLATEAU\r\n", "demande la taille du plateau"},
      {"GET VAISSEAUX\r\n", "demande la liste des vaisseaux"},
      {"GET BALLES\r\n", "demande la liste des balles"},
      {"GET CUBES\r\n", "demande la liste des cubes"},
      {"GET MAX PT VIE\r\n", "demande le nombre max de pt vie"},
      {"GET RAYON BALLE\r\n", "demande du rayon des balles"},
      {"GET RAYON VAISSEAU\r\n", "demande du rayon des vaisseaux"},
      {"GET STATUT\r\n", "demande son statut"},
  };
  for (const auto& [requete, texte] : requetes)
    attendu += "Le client rouge " + texte + "\n" + copie(reponse(rouge, requete));

  const std::pair<std::string, std::string> actions[] = {
      {"PUT ACTION ACCELERE\r\n", "demande une acceleration"},
      {"PUT ACTION DECELERE\r\n", "demande une deceleration"},
      {"PUT ACTION DROITE\r\n", "demande une rotation droite"},
      {"PUT ACTION GAUCHE\r\n", "demande une rotation gauche"},
      {"PUT ACTION TIRE\r\n", "demande a tirer une balle"},
  };
  for (const auto& [requete, texte] : actions) {
    ASSERT_EQ(rouge.demande(requete), "OK\r\n");
    attendu += "Le client rouge " + texte + "\n  OK\n";
  }
  attendu +=
      "Le client rouge demande la liste des balles\n" + copie(reponse(rouge, "GET BALLES\r\n"));

  const std::string incorrectes[] = {"get statut\r", "GET STATUT",
                                     "GET " + std::string(5000, 'Z') + "\r"};
  for (const std::string& ligne : incorrectes) {
    ASSERT_EQ(rouge.demande(ligne + "\n"), "ERREUR SYNTAXE\r\n");
    attendu += "Le client rouge fait une demande incorrecte : " + ligne.substr(0, 4096) + "\n";
  }

  bleu.reinitialise();
  attendu += "Le client bleu s'est barre sans prevenir\n";
  ASSERT_TRUE(serveur.processus().attend_sortie("s'est barre sans prevenir\n", 10s));

  rouge.envoie("PUT ACTION QUITTE\r\n");
  ASSERT_EQ(rouge.lit_jusqu_a_fermeture(), "OK\r\n");
  attendu += "le Le client rouge s'est barre\n  OK\n";

  EXPECT_EQ(serveur.processus().sortie(300ms), attendu);
}

}  // namespace
