// The C++ kit against recorded server replies, over a socket pair.
#include "arene.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "conversation_test.h"

namespace {

// A client whose server side plays back recorded bytes, then closes.
class Conversation {
 public:
  explicit Conversation(const std::string& reponses) : paire_(paire_enregistree(reponses)) {
    client_ = arene::Client(paire_.client);
  }
  ~Conversation() { ::close(paire_.serveur); }
  arene::Client& client() { return client_; }
  std::string envoye() {
    client_ = arene::Client(-1);
    return lit_tout(paire_.serveur);
  }

 private:
  PaireEnregistree paire_;
  arene::Client client_{-1};
};

TEST(KitCppNombres, ReelsDuServeur) {
  const std::pair<const char*, double> cas[] = {{"1408.", 1408.0},
                                                {"9.", 9.0},
                                                {"0.", 0.0},
                                                {"350.25", 350.25},
                                                {"2.09439510239", 2.09439510239},
                                                {"1e-05", 1e-05},
                                                {"-1.5e-07", -1.5e-07},
                                                {"1.23456789012e+14", 1.23456789012e14},
                                                {"-3.", -3.0}};
  for (const auto& [texte, valeur] : cas) EXPECT_EQ(arene::lit_reel(texte), valeur) << texte;
  EXPECT_TRUE(std::signbit(arene::lit_reel("-0.")));
}

TEST(KitCppNombres, HorsProtocole) {
  for (const char* texte : {"", "1,5", " 1.", "1. ", "inf", "nan", "+1.", ".5", "1e5", "0x10", "-"})
    EXPECT_THROW(arene::lit_reel(texte), arene::ErreurProtocole) << texte;
  for (const char* texte : {"5.", "+5", "", "5 ", "1e3", "99999999999999999999"})
    EXPECT_THROW(arene::lit_entier(texte), arene::ErreurProtocole) << texte;
  EXPECT_EQ(arene::lit_entier("-16711680"), -16711680);
}

TEST(KitCppNombres, CouleursEnArgument) {
  const std::pair<const char*, std::int64_t> bonnes[] = {{"16711680", 16711680},
                                                         {"0xFF0000", 16711680},
                                                         {"0Xff0000", 16711680},
                                                         {"-5", -5},
                                                         {"017", 17},
                                                         {"-0x10", -16},
                                                         {"0", 0},
                                                         {"9223372036854775807", INT64_MAX},
                                                         {"0x7FFFFFFFFFFFFFFF", INT64_MAX},
                                                         {"-9223372036854775808", INT64_MIN}};
  for (const auto& [texte, attendue] : bonnes)
    EXPECT_EQ(arene::lit_couleur(texte), attendue) << texte;
  for (const char* texte : {"", "-", "rouge", "0xZZ", "0x", "12abc", " 5", "5 ", "+5", "1e3",
                            "0o17", "#FF0000", "9223372036854775808", "0x8000000000000000"}) {
    try {
      arene::lit_couleur(texte);
      ADD_FAILURE() << "accepted '" << texte << "'";
    } catch (const arene::CouleurInvalide& erreur) {
      EXPECT_NE(std::string(erreur.what()).find("'" + std::string(texte) + "'"), std::string::npos)
          << erreur.what();
    }
  }
}

TEST(KitCppReponses, PipelineUneEcritureEtReponsesDansLOrdre) {
  Conversation c(
      "PUT VAISSEAUX 2\r\n"
      "660.708630095 907.331744908 3.13920054316 5 16711680\r\n"
      "909.576645884 111.372477479 -1e-05 4 255\r\n"
      "PUT BALLES 1\r\n906.416209851 127.159232816 255\r\n"
      "OK\r\nPUT STATUT mort\r\nPUT CUBES 0\r\n");
  c.client().envoie({arene::Commande::vaisseaux, arene::Commande::balles, arene::Commande::tire,
                     arene::Commande::statut, arene::Commande::cubes});
  const auto vaisseaux = c.client().lit_vaisseaux();
  ASSERT_EQ(vaisseaux.size(), 2u);
  EXPECT_EQ(vaisseaux[0].couleur, 16711680);
  EXPECT_EQ(vaisseaux[1].angle, -1e-05);
  EXPECT_EQ(vaisseaux[1].pt_vie, 4);
  const auto balles = c.client().lit_balles();
  ASSERT_EQ(balles.size(), 1u);
  EXPECT_EQ(balles[0].y, 127.159232816);
  c.client().lit_ok();
  EXPECT_EQ(c.client().lit_statut(), arene::Statut::mort);
  EXPECT_TRUE(c.client().lit_cubes().empty());
  EXPECT_EQ(c.envoye(),
            "GET VAISSEAUX\r\nGET BALLES\r\nPUT ACTION TIRE\r\nGET STATUT\r\nGET CUBES\r\n");
}

TEST(KitCppReponses, UneCommandeParAppel) {
  EXPECT_EQ(Conversation("PUT TAILLE PLATEAU 1408. 704.\r\n").client().taille_plateau().hauteur,
            704.0);
  EXPECT_EQ(Conversation("PUT RAYON VAISSEAU 9.\r\n").client().rayon_vaisseau(), 9.0);
  EXPECT_EQ(Conversation("PUT RAYON BALLE 4.\r\n").client().rayon_balle(), 4.0);
  EXPECT_EQ(Conversation("PUT MAX PT VIE 5\r\n").client().max_pt_vie(), 5);
  EXPECT_EQ(Conversation("PUT STATUT vivant\r\n").client().statut(), arene::Statut::vivant);
  EXPECT_EQ(Conversation("PUT CUBES 1\r\n1166. 1012. 1188. 1034.\r\n").client().cubes()[0].x_max,
            1188.0);
}

TEST(KitCppEnregistrement, EssaieLesCouleursSuivantes) {
  Conversation c("ERREUR COULEUR UTILISEE\r\nERREUR COULEUR UTILISEE\r\nVAISSEAU ENREGISTRE\r\n");
  EXPECT_EQ(c.client().enregistre(255, 5), 257);
  EXPECT_EQ(c.client().couleur(), 257);
  EXPECT_EQ(c.envoye(),
            "PUT COULEUR VAISSEAU 255\r\nPUT COULEUR VAISSEAU 256\r\nPUT COULEUR VAISSEAU 257\r\n");
  EXPECT_THROW(Conversation("ERREUR COULEUR UTILISEE\r\n").client().enregistre(1, 1),
               arene::CouleurUtilisee);
}

// Each recorded reply that breaks the protocol, and what its error must say.
TEST(KitCppErreurs, MessageDitAttenduEtRecu) {
  struct Cas {
    const char* reponse;
    std::function<void(arene::Client&)> appel;
    const char* message;
  };
  const char* avant_enregistrement =
      "register first: the server answers 'ERREUR SYNTAXE' to every command until enregistre() "
      "has registered a ship";
  const Cas cas[] = {
      {"ERREUR SYNTAXE\r\n", [](arene::Client& c) { c.vaisseaux(); }, avant_enregistrement},
      {"ERREUR SYNTAXE\r\n", [](arene::Client& c) { c.taille_plateau(); }, avant_enregistrement},
      {"ERREUR SYNTAXE\r\n", [](arene::Client& c) { c.gauche(); }, avant_enregistrement},
      {"PUT VAISSEAUX 1\r\n1. 2. 5 255\r\n", [](arene::Client& c) { c.vaisseaux(); },
       "expected a ship line 'x y angle life colour', got '1. 2. 5 255'"},
      {"PUT BALLES 2\r\n1. 2. 3\r\n", [](arene::Client& c) { c.balles(); },
       "connection closed by the server while waiting for element 2 of 2 after 'PUT BALLES 2'"},
      {"OK\n", [](arene::Client& c) { c.tire(); }, "expected 'OK' ending in CR LF, got 'OK'"},
      {"PUT STATUT zombie\r\n", [](arene::Client& c) { c.statut(); },
       "expected 'PUT STATUT vivant|mort', got 'PUT STATUT zombie'"},
      {"ERREUR SYNTAXE\r\n", [](arene::Client& c) { c.enregistre(-1); },
       "expected 'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE', got 'ERREUR SYNTAXE'"},
      {"", [](arene::Client& c) { c.max_pt_vie(); },
       "connection closed by the server while waiting for 'PUT MAX PT VIE n'"},
  };
  for (const Cas& un : cas) {
    Conversation c(un.reponse);
    try {
      un.appel(c.client());
      ADD_FAILURE() << "no error for " << un.reponse;
    } catch (const arene::ErreurArene& erreur) {
      EXPECT_EQ(std::string(erreur.what()), un.message);
    }
  }
}

TEST(KitCppErreurs, QuitterUnServeurDejaFerme) {
  Conversation c("");
  EXPECT_NO_THROW(c.client().quitte());
}

}  // namespace
