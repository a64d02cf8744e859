// arene-pilote's command line and the failures it reports before any terminal work.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "pilote/aides_e2e.h"

namespace {

TEST(ExecutablePilote, HelpListsTheOptionsAndEveryExitStatus) {
  Processus p(binaire_pilote(), {"--help"});
  EXPECT_EQ(p.attend_fin(10s), 0);
  const std::string aide = p.sortie();
  for (const char* attendu : {"--host H", "--port P", "--couleur N", "--rejoue FICHIER",
                              "Replay keys:", "Exit status:", "\n  0 ", "\n  1 ", "\n  2 ",
                              "\n  3 ", "\n  4 ", "\n  5 ", "\n  6 ", "128+n"})
    EXPECT_NE(aide.find(attendu), std::string::npos) << attendu;
  EXPECT_EQ(p.erreurs(), "");
}

TEST(ExecutablePilote, ABadCommandLineSaysWhatIsWrongAndExitsWithOne) {
  const std::pair<std::vector<std::string>, std::string> cas[] = {
      {{"--port", "70000"}, "arene-pilote: bad value for --port: 70000\n"},
      {{"--couleur"}, "arene-pilote: missing value after --couleur\n"},
      {{"-debug"}, "arene-pilote: unknown option: -debug\n"},
  };
  for (const auto& [arguments, debut] : cas) {
    Processus p(binaire_pilote(), arguments);
    EXPECT_EQ(p.attend_fin(10s), 1) << debut;
    EXPECT_TRUE(p.erreurs().starts_with(debut)) << p.erreurs();
    EXPECT_NE(p.erreurs().find("usage: arene-pilote"), std::string::npos);
    EXPECT_EQ(p.sortie(), "");
  }
}

TEST(ExecutablePilote, WithoutATerminalItExitsWithFiveBeforeConnecting) {
  ServeurDeTest serveur(/*debug=*/true);
  Processus p(binaire_pilote(), {"--port", std::to_string(serveur.port())});
  EXPECT_EQ(p.attend_fin(10s), 5);
  EXPECT_EQ(p.erreurs(), "arene-pilote: standard input and output must be a terminal\n");
  EXPECT_EQ(serveur.processus().sortie(200ms).find("nouveau client"), std::string::npos);
}

TEST(ExecutablePilote, AFileThatIsNoRecordingExitsWithSixBeforeAnyTerminalWork) {
  const std::string fichier = testing::TempDir() + "arene_pilote_pas_un_match.gz";
  const std::pair<std::string, std::string> cas[] = {
      {"bonjour\n", "arene-pilote: cannot replay: unreadable recording line (JSON error "},
      {"", "arene-pilote: cannot replay: replay: empty file: " + fichier + "\n"},
  };
  for (const auto& [contenu, debut] : cas) {
    std::ofstream(fichier) << contenu;
    Processus p(binaire_pilote(), {"--rejoue", fichier});
    EXPECT_EQ(p.attend_fin(10s), 6) << contenu;
    EXPECT_TRUE(p.erreurs().starts_with(debut)) << p.erreurs();
  }
  std::remove(fichier.c_str());
  Processus absent(binaire_pilote(), {"--rejoue", fichier});
  EXPECT_EQ(absent.attend_fin(10s), 6);
  EXPECT_EQ(absent.erreurs(), "arene-pilote: cannot replay: replay: cannot open " + fichier + "\n");
}

}  // namespace
