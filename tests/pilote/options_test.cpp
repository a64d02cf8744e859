#include "pilote/options.h"

#include <gtest/gtest.h>

namespace {

struct CasValide {
  std::vector<std::string> arguments;
  std::string hote;
  int port;
  std::optional<std::int64_t> couleur;
};

TEST(OptionsPilote, ValidCommandLinesSetTheirFieldsAndKeepTheDefaults) {
  const CasValide cas[] = {
      {{}, "127.0.0.1", 12345, std::nullopt},
      {{"--host", "arene.local"}, "arene.local", 12345, std::nullopt},
      {{"--port", "4000"}, "127.0.0.1", 4000, std::nullopt},
      {{"--port", "65535", "--host", "10.0.0.1"}, "10.0.0.1", 65535, std::nullopt},
      {{"--couleur", "255"}, "127.0.0.1", 12345, 255},
      {{"--couleur", "0xFF0000"}, "127.0.0.1", 12345, 0xFF0000},
      {{"--couleur", "-5", "--port", "1"}, "127.0.0.1", 1, -5},
      {{"--couleur", "1", "--couleur", "2"}, "127.0.0.1", 12345, 2},
  };
  for (const auto& c : cas) {
    std::string erreur;
    const auto o = lit_options(c.arguments, erreur);
    ASSERT_TRUE(o) << testing::PrintToString(c.arguments) << ": " << erreur;
    EXPECT_EQ(o->hote, c.hote);
    EXPECT_EQ(o->port, c.port);
    EXPECT_EQ(o->couleur, c.couleur);
    EXPECT_FALSE(o->aide);
  }
}

struct CasFaux {
  std::vector<std::string> arguments;
  std::string message;
};

constexpr const char* sans_serveur =
    "--rejoue plays a file without a server: no --host, --port or --couleur";

TEST(OptionsPilote, WrongCommandLinesSayWhatIsWrong) {
  const CasFaux cas[] = {
      {{"--port"}, "missing value after --port"},
      {{"--port", "0"}, "bad value for --port: 0"},
      {{"--port", "65536"}, "bad value for --port: 65536"},
      {{"--port", "12a"}, "bad value for --port: 12a"},
      {{"--port", ""}, "bad value for --port: "},
      {{"--host", ""}, "bad value for --host: "},
      {{"--couleur", "rouge"}, "bad value for --couleur: rouge"},
      {{"--couleur", "0x"}, "bad value for --couleur: 0x"},
      {{"--couleur", "99999999999999999999"}, "bad value for --couleur: 99999999999999999999"},
      {{"--colour", "1"}, "unknown option: --colour"},
      {{"4000"}, "unknown option: 4000"},
      {{"--rejoue"}, "missing value after --rejoue"},
      {{"--rejoue", ""}, "bad value for --rejoue: "},
      {{"--rejoue", "m.gz", "--port", "4000"}, sans_serveur},
      {{"--couleur", "5", "--rejoue", "m.gz"}, sans_serveur},
      {{"--host", "h", "--rejoue", "m.gz"}, sans_serveur},
  };
  for (const auto& c : cas) {
    std::string erreur;
    EXPECT_FALSE(lit_options(c.arguments, erreur)) << testing::PrintToString(c.arguments);
    EXPECT_EQ(erreur, c.message);
  }
}

TEST(OptionsPilote, HelpIsRecognisedAnywhere) {
  std::string erreur;
  for (const auto& arguments :
       {std::vector<std::string>{"--help"}, {"-h"}, {"--port", "4000", "--help"}}) {
    const auto o = lit_options(arguments, erreur);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->aide);
  }
}

TEST(OptionsPilote, RejoueTakesTheRecordingAndNothingElse) {
  std::string erreur;
  const auto o = lit_options({"--rejoue", "match.gz"}, erreur);
  ASSERT_TRUE(o) << erreur;
  EXPECT_EQ(o->rejoue, "match.gz");
  EXPECT_FALSE(o->couleur);
  EXPECT_FALSE(lit_options({}, erreur)->rejoue);
}

TEST(LitCouleur, ReadsDecimalAndHexadecimalColourNumbers) {
  const std::pair<std::string, std::optional<std::int64_t>> cas[] = {
      {"0", 0},
      {"16711680", 16711680},
      {"-5", -5},
      {"0x00ff00", 0x00FF00},
      {"0XFFFFFF", 0xFFFFFF},
      {"0x1000000", 0x1000000},
      {"0x-1", std::nullopt},
      {"+5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"", std::nullopt},
      {"0xG", std::nullopt},
  };
  for (const auto& [texte, attendu] : cas) EXPECT_EQ(noms::lit_couleur(texte), attendu) << texte;
}

}  // namespace
