// The C kit against recorded server replies, over a socket pair.
#include "arene.h"

#include <gtest/gtest.h>

#include <string>

#include "conversation_test.h"

namespace {

// A client whose server side plays back recorded bytes, then closes.
class Conversation {
 public:
  explicit Conversation(const std::string& reponses) : paire_(paire_enregistree(reponses)) {
    arene_depuis_fd(&client, paire_.client);
  }
  ~Conversation() {
    arene_ferme(&client);
    ::close(paire_.serveur);
  }
  std::string envoye() {
    arene_ferme(&client);
    return lit_tout(paire_.serveur);
  }
  arene_client client;

 private:
  PaireEnregistree paire_;
};

TEST(KitCNombres, ReelsEtEntiers) {
  const std::pair<const char*, double> reels[] = {
      {"1408.", 1408.0},      {"0.", 0.0},
      {"350.25", 350.25},     {"1e-05", 1e-05},
      {"-1.5e-07", -1.5e-07}, {"1.23456789012e+14", 1.23456789012e14},
      {"-3.", -3.0}};
  for (const auto& [texte, attendu] : reels) {
    double valeur = 0;
    EXPECT_EQ(arene_lit_reel(texte, &valeur), 0) << texte;
    EXPECT_EQ(valeur, attendu) << texte;
  }
  for (const char* texte :
       {"", "1,5", " 1.", "1. ", "inf", "nan", "+1.", ".5", "1e5", "0x10", "-"}) {
    double valeur = 0;
    EXPECT_EQ(arene_lit_reel(texte, &valeur), -1) << texte;
  }
  int64_t entier = 0;
  EXPECT_EQ(arene_lit_entier("-16711680", &entier), 0);
  EXPECT_EQ(entier, -16711680);
  for (const char* texte : {"5.", "+5", "", "5 ", " 5", "1e3", "99999999999999999999"})
    EXPECT_EQ(arene_lit_entier(texte, &entier), -1) << texte;
}

TEST(KitCNombres, CouleursEnArgument) {
  const std::pair<const char*, int64_t> bonnes[] = {{"16711680", 16711680},
                                                    {"0xFF0000", 16711680},
                                                    {"0Xff0000", 16711680},
                                                    {"-5", -5},
                                                    {"017", 17},
                                                    {"-0x10", -16},
                                                    {"0", 0},
                                                    {"9223372036854775807", INT64_MAX},
                                                    {"0x7FFFFFFFFFFFFFFF", INT64_MAX},
                                                    {"-9223372036854775808", INT64_MIN}};
  arene_client client;
  for (const auto& [texte, attendue] : bonnes) {
    int64_t couleur = 0;
    EXPECT_EQ(arene_lit_couleur(&client, texte, &couleur), ARENE_OK) << texte;
    EXPECT_EQ(couleur, attendue) << texte;
  }
  for (const char* texte : {"", "-", "rouge", "0xZZ", "0x", "12abc", " 5", "5 ", "+5", "1e3",
                            "0o17", "#FF0000", "9223372036854775808", "0x8000000000000000"}) {
    int64_t couleur = 42;
    EXPECT_EQ(arene_lit_couleur(&client, texte, &couleur), ARENE_ERREUR_ARGUMENT) << texte;
    EXPECT_NE(std::string(client.erreur).find("'" + std::string(texte) + "'"), std::string::npos)
        << client.erreur;
    EXPECT_EQ(couleur, 42) << texte;
  }
}

TEST(KitCReponses, PipelineUneEcritureEtReponsesDansLOrdre) {
  Conversation c(
      "PUT VAISSEAUX 2\r\n"
      "660.708630095 907.331744908 3.13920054316 5 16711680\r\n"
      "909.576645884 111.372477479 -1e-05 4 255\r\n"
      "PUT BALLES 1\r\n906.416209851 127.159232816 255\r\n"
      "OK\r\nPUT STATUT mort\r\nPUT VAISSEAUX 0\r\n");
  const arene_commande commandes[] = {ARENE_VAISSEAUX, ARENE_BALLES, ARENE_TIRE, ARENE_STATUT,
                                      ARENE_VAISSEAUX};
  ASSERT_EQ(arene_envoie(&c.client, commandes, 5), ARENE_OK);
  arene_liste_vaisseaux vaisseaux = {};
  arene_liste_balles balles = {};
  enum arene_statut statut = ARENE_VIVANT;
  ASSERT_EQ(arene_lit_vaisseaux(&c.client, &vaisseaux), ARENE_OK) << c.client.erreur;
  ASSERT_EQ(vaisseaux.n, 2u);
  EXPECT_EQ(vaisseaux.elements[0].couleur, 16711680);
  EXPECT_EQ(vaisseaux.elements[1].angle, -1e-05);
  EXPECT_EQ(vaisseaux.elements[1].pt_vie, 4);
  ASSERT_EQ(arene_lit_balles(&c.client, &balles), ARENE_OK);
  ASSERT_EQ(balles.n, 1u);
  EXPECT_EQ(balles.elements[0].y, 127.159232816);
  EXPECT_EQ(arene_lit_ok(&c.client), ARENE_OK);
  EXPECT_EQ(arene_lit_statut(&c.client, &statut), ARENE_OK);
  EXPECT_EQ(statut, ARENE_MORT);
  ASSERT_EQ(arene_lit_vaisseaux(&c.client, &vaisseaux), ARENE_OK);  // the list is reused
  EXPECT_EQ(vaisseaux.n, 0u);
  EXPECT_EQ(c.envoye(),
            "GET VAISSEAUX\r\nGET BALLES\r\nPUT ACTION TIRE\r\nGET STATUT\r\nGET VAISSEAUX\r\n");
  arene_libere_vaisseaux(&vaisseaux);
  arene_libere_balles(&balles);
}

TEST(KitCReponses, UneCommandeParAppel) {
  arene_taille taille = {};
  double rayon = 0;
  int64_t pt_vie = 0;
  arene_liste_cubes cubes = {};
  Conversation plateau("PUT TAILLE PLATEAU 1408. 704.\r\n"), balle("PUT RAYON BALLE 4.\r\n"),
      vie("PUT MAX PT VIE 5\r\n"), obstacles("PUT CUBES 1\r\n1166. 1012. 1188. 1034.\r\n");
  EXPECT_EQ(arene_taille_plateau(&plateau.client, &taille), ARENE_OK);
  EXPECT_EQ(taille.hauteur, 704.0);
  EXPECT_EQ(arene_rayon_balle(&balle.client, &rayon), ARENE_OK);
  EXPECT_EQ(rayon, 4.0);
  EXPECT_EQ(arene_max_pt_vie(&vie.client, &pt_vie), ARENE_OK);
  EXPECT_EQ(pt_vie, 5);
  EXPECT_EQ(arene_cubes(&obstacles.client, &cubes), ARENE_OK);
  ASSERT_EQ(cubes.n, 1u);
  EXPECT_EQ(cubes.elements[0].x_max, 1188.0);
  arene_libere_cubes(&cubes);
}

TEST(KitCEnregistrement, EssaieLesCouleursSuivantes) {
  Conversation c("ERREUR COULEUR UTILISEE\r\nERREUR COULEUR UTILISEE\r\nVAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(arene_enregistre(&c.client, 255, 5), ARENE_OK);
  EXPECT_EQ(c.client.couleur, 257);
  EXPECT_EQ(c.envoye(),
            "PUT COULEUR VAISSEAU 255\r\nPUT COULEUR VAISSEAU 256\r\nPUT COULEUR VAISSEAU 257\r\n");
  Conversation prise("ERREUR COULEUR UTILISEE\r\n");
  EXPECT_EQ(arene_enregistre(&prise.client, 1, 1), ARENE_COULEUR_UTILISEE);
  EXPECT_STREQ(prise.client.erreur, "colours 1 to 1 are all in use");
}

// Each recorded reply that breaks the protocol, its code and what its message must say.
TEST(KitCErreurs, MessageDitAttenduEtRecu) {
  struct Cas {
    const char* reponse;
    int (*appel)(arene_client*);
    int code;
    const char* message;
  };
  static arene_liste_vaisseaux vaisseaux;
  static arene_liste_balles balles;
  static enum arene_statut statut;
  static int64_t entier;
  const Cas cas[] = {
      {"ERREUR SYNTAXE\r\n", [](arene_client* c) { return arene_vaisseaux(c, &vaisseaux); },
       ARENE_ERREUR_PROTOCOLE,
       "register first: the server answers 'ERREUR SYNTAXE' to every command until "
       "arene_enregistre() has registered a ship"},
      {"ERREUR SYNTAXE\r\n", [](arene_client* c) { return arene_action(c, ARENE_TIRE); },
       ARENE_ERREUR_PROTOCOLE,
       "register first: the server answers 'ERREUR SYNTAXE' to every command until "
       "arene_enregistre() has registered a ship"},
      {"PUT VAISSEAUX 1\r\n1. 2. 5 255\r\n",
       [](arene_client* c) { return arene_vaisseaux(c, &vaisseaux); }, ARENE_ERREUR_PROTOCOLE,
       "expected a ship line 'x y angle life colour', got '1. 2. 5 255'"},
      {"PUT BALLES 2\r\n1. 2. 3\r\n", [](arene_client* c) { return arene_balles(c, &balles); },
       ARENE_CONNEXION_FERMEE,
       "connection closed by the server while waiting for element 2 of 2 after 'PUT BALLES 2'"},
      {"OK\n", [](arene_client* c) { return arene_action(c, ARENE_TIRE); }, ARENE_ERREUR_PROTOCOLE,
       "expected 'OK' ending in CR LF, got 'OK'"},
      {"PUT STATUT zombie\r\n", [](arene_client* c) { return arene_statut(c, &statut); },
       ARENE_ERREUR_PROTOCOLE, "expected 'PUT STATUT vivant|mort', got 'PUT STATUT zombie'"},
      {"ERREUR SYNTAXE\r\n", [](arene_client* c) { return arene_enregistre(c, -1, 1); },
       ARENE_ERREUR_PROTOCOLE,
       "expected 'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE', got 'ERREUR SYNTAXE'"},
      {"", [](arene_client* c) { return arene_max_pt_vie(c, &entier); }, ARENE_CONNEXION_FERMEE,
       "connection closed by the server while waiting for 'PUT MAX PT VIE n'"},
      {"", [](arene_client* c) { return arene_quitte(c); }, ARENE_OK, ""},
  };
  for (const Cas& un : cas) {
    Conversation c(un.reponse);
    EXPECT_EQ(un.appel(&c.client), un.code) << un.reponse;
    if (un.code != ARENE_OK) {
      EXPECT_STREQ(c.client.erreur, un.message);
    }
  }
  arene_libere_vaisseaux(&vaisseaux);
  arene_libere_balles(&balles);
}

}  // namespace
