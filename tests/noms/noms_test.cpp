// Names as organisers write them, on a command line or in a file: what is a
// name, and what the refusal says.
#include "noms/noms.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace {

struct CasOption {
  const char* option;
  std::int64_t couleur;  // its name when accepted
  const char* nom;       // empty: refused
  const char* message;   // part of the refusal
};

TEST(Noms, AnOptionNamesOneColourOrSaysWhyNot) {
  const std::string quarante(40, 'a');
  const std::string quarante_et_un(41, 'a');
  const std::string quarante_kanji = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "\xE6\x9D\x8E";  // 李, three bytes
    return s;
  }();
  const CasOption cas[] = {
      {"16711680=Jean Dupont", 16711680, "Jean Dupont", ""},
      {"0xFF0000=Élodie", 0xFF0000, "Élodie", ""},
      {"-5=  a=b  ", -5, "a=b", ""},
      {"7=Zoë \xF0\x9F\x9A\x80", 7, "Zoë \xF0\x9F\x9A\x80", ""},
      {"7=", 0, "", "empty"},
      {"7=   ", 0, "", "empty"},
      {"7", 0, "", "COULEUR=NOM"},
      {"rouge=Jean", 0, "", "not a colour: \"rouge\""},
      {"0x-1=Jean", 0, "", "not a colour"},
      {"7=Jean\tDupont", 0, "", "control"},
      {"7=Jean\x7F", 0, "", "control"},
      {"7=Jean\xC2\x85", 0, "", "control"},         // U+0085, a C1 control
      {"7=Jean\xC3", 0, "", "UTF-8 text (byte 5"},  // cut in the middle
      {"7=\xC0\xAF", 0, "", "UTF-8"},               // overlong '/'
      {"7=\xED\xA0\x80", 0, "", "UTF-8"},           // a surrogate
      {"7=\xF4\x90\x80\x80", 0, "", "UTF-8"},       // beyond U+10FFFF
      {"7=\xFF", 0, "", "UTF-8"},
  };
  for (const CasOption& c : cas) {
    noms::Noms noms;
    const std::string erreur = noms::ajoute_nom_option(noms, c.option);
    if (*c.nom != '\0') {
      EXPECT_EQ(erreur, "") << c.option;
      EXPECT_EQ(noms::nom_de(noms, c.couleur), c.nom) << c.option;
    } else {
      EXPECT_NE(erreur.find(c.message), std::string::npos) << c.option << ": " << erreur;
      EXPECT_TRUE(noms.empty()) << c.option;
    }
  }
  // Forty characters, however many bytes; not one more.
  for (const std::string& nom : {quarante, quarante_kanji}) {
    noms::Noms noms;
    EXPECT_EQ(noms::ajoute_nom_option(noms, "1=" + nom), "");
    EXPECT_EQ(noms::caracteres(*noms::nom_de(noms, 1)).size(), 40u);
  }
  noms::Noms noms;
  EXPECT_NE(
      noms::ajoute_nom_option(noms, "1=" + quarante_et_un).find("at most 40 characters, not 41"),
      std::string::npos);
  EXPECT_NE(noms::ajoute_nom_option(noms, "1=" + quarante_kanji + "x").find("not 41"),
            std::string::npos);
}

TEST(Noms, AColourHasOneNameWhereverTheSecondComesFrom) {
  noms::Noms noms;
  ASSERT_EQ(noms::ajoute_nom_option(noms, "255=Ana"), "");
  EXPECT_EQ(noms::ajoute_nom_option(noms, "0xFF=Bea"), "colour 255 already has a name: \"Ana\"");
  EXPECT_EQ(noms::ajoute_nom_option(noms, "256=Ana"), "") << "two colours may share a name";
  EXPECT_EQ(noms::nom_de(noms, 255), "Ana");
  EXPECT_EQ(noms::nom_de(noms, 254), std::nullopt);
}

class FichierNoms : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(chemin_.c_str()); }
  // The file holding `texte`, and what reading it says.
  std::string lit(const std::string& texte, noms::Noms& noms) {
    std::ofstream(chemin_, std::ios::binary) << texte;
    return noms::ajoute_noms_fichier(noms, chemin_);
  }
  const std::string chemin_ = ::testing::TempDir() + "noms_" + std::to_string(::getpid()) + ".txt";
};

TEST_F(FichierNoms, CommentsBlankLinesAndWindowsLineEndsAreSkipped) {
  noms::Noms noms;
  ASSERT_EQ(lit("# classe de 2nde\n\n  \n16711680 Jean Dupont\r\n0x00FF00\tÉlodie  \n"
                "  # 3 Personne\n-5 a b c",
                noms),
            "");
  EXPECT_EQ(noms, (noms::Noms{{16711680, "Jean Dupont"}, {0x00FF00, "Élodie"}, {-5, "a b c"}}));
}

TEST_F(FichierNoms, ARefusalNamesTheFileAndTheLine) {
  const std::pair<const char*, const char*> cas[] = {
      {"1 Ana\n\n1 Bea\n", ":3: colour 1 already has a name"},
      {"# x\n1\n", ":2: expected a colour, a space and a name"},
      {"1 Ana\nrouge Bea\n", ":2: not a colour"},
      {"1 Ana\x01\n", ":1: a name may not hold control characters"},
      {"1 \xC3\x28\n", ":1: a name must be UTF-8"},
  };
  for (const auto& [texte, message] : cas) {
    noms::Noms noms;
    const std::string erreur = lit(texte, noms);
    EXPECT_EQ(erreur.rfind(chemin_ + message, 0), 0u) << texte << " -> " << erreur;
  }
  noms::Noms noms;
  EXPECT_EQ(noms::ajoute_noms_fichier(noms, chemin_ + ".absent"),
            chemin_ + ".absent: cannot be read");
  EXPECT_NE(lit(std::string(2 << 20, '#'), noms).find("more than"), std::string::npos);
}

}  // namespace
