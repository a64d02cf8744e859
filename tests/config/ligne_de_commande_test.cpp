#include "config/ligne_de_commande.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

struct CasEntier {
  const char* texte;
  std::optional<std::int64_t> attendu;
};

TEST(LitEntier, AcceptsTheIntegerSyntaxAndNothingElse) {
  const CasEntier cas[] = {
      {"12345", 12345},
      {"0", 0},
      {"-5", -5},
      {"007", 7},
      {"0x3039", 12345},
      {"0X3039", 12345},
      {"0xfF", 255},
      {"0o777", 511},
      {"0O17", 15},
      {"0b101", 5},
      {"0B11", 3},
      {"-0x10", -16},
      {"1_000", 1000},
      {"1__2_", 12},
      // An underscore only ever follows a digit: never the base prefix.
      {"0x_1", std::nullopt},
      {"0x_3039", std::nullopt},
      {"0X_3039", std::nullopt},
      {"0o_17", std::nullopt},
      {"0b_101", std::nullopt},
      {"-0x_10", std::nullopt},
      {"_1", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"0x", std::nullopt},
      {"+5", std::nullopt},
      {"abc", std::nullopt},
      {"12a", std::nullopt},
      {" 12", std::nullopt},
      {"12 ", std::nullopt},
      {"0b102", std::nullopt},
      {"0o8", std::nullopt},
      {"0xg", std::nullopt},
      {"--1", std::nullopt},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"0x8000000000000000", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const auto& c : cas)
    EXPECT_EQ(config::lit_entier(c.texte), c.attendu) << '"' << c.texte << '"';
}

struct CasLigne {
  std::vector<std::string_view> arguments;
  bool valide;
  std::int64_t port;
  bool debug;
};

TEST(LitLigneDeCommande, AcceptsTheFiveFormsAndRefusesTheRest) {
  const CasLigne cas[] = {
      {{}, true, 12345, false},
      {{"-debug"}, true, 12345, true},
      {{"4000"}, true, 4000, false},
      {{"-debug", "4000"}, true, 4000, true},
      {{"4000", "-debug"}, true, 4000, true},
      {{"0x3039"}, true, 12345, false},
      {{"-debug", "-debug"}, false, 0, false},
      {{"abc"}, false, 0, false},
      {{"12a"}, false, 0, false},
      {{"4000", "4001"}, false, 0, false},
      {{"-debug", "4000", "x"}, false, 0, false},
      {{"-debug", "4000", "-debug"}, false, 0, false},
      {{"-DEBUG"}, false, 0, false},
      {{"debug"}, false, 0, false},
      {{""}, false, 0, false},
      {{"-debug", ""}, false, 0, false},
      {{"-5"}, true, -5, false},
  };
  for (const auto& c : cas) {
    const auto options = config::lit_ligne_de_commande(c.arguments);
    ASSERT_EQ(options.has_value(), c.valide) << testing::PrintToString(c.arguments);
    if (!c.valide) continue;
    EXPECT_EQ(options->port, c.port);
    EXPECT_EQ(options->debug, c.debug);
  }
}

TEST(MessageUsage, NamesTheProgramAsInvoked) {
  EXPECT_EQ(config::message_usage("./build/arene"),
            "usage : ./build/arene [-debug] [port_number]\n");
}

}  // namespace
