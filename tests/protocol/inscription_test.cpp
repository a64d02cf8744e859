// The registration line and the names of colours.
#include "protocol/inscription.h"

#include <gtest/gtest.h>

namespace {

TEST(AnalyseCouleur, AcceptsTheCanonicalLines) {
  const std::pair<const char*, std::int64_t> cas[] = {
      {"PUT COULEUR VAISSEAU 255\r", 255},
      {"PUT COULEUR VAISSEAU 0\r", 0},
      {"PUT COULEUR VAISSEAU -5\r", -5},
      {"PUT COULEUR VAISSEAU 16777215\r", 16777215},
      {"PUT COULEUR VAISSEAU 9223372036854775807\r", INT64_MAX},
      {"PUT COULEUR VAISSEAU -9223372036854775808\r", INT64_MIN},
  };
  for (const auto& [ligne, couleur] : cas)
    EXPECT_EQ(protocol::analyse_couleur(ligne), couleur) << ligne;
}

TEST(AnalyseCouleur, RefusesEverythingElse) {
  using namespace std::string_literals;
  const std::string cas[] = {
      "PUT COULEUR VAISSEAU 255",     // no CR
      "PUT COULEUR VAISSEAU 0255\r",  // leading zero
      "PUT COULEUR VAISSEAU 00\r",
      "PUT COULEUR VAISSEAU +255\r",  // plus sign
      "PUT COULEUR VAISSEAU -0\r",    // negative zero
      "PUT COULEUR VAISSEAU  255\r",  // two blanks
      "PUT  COULEUR VAISSEAU 255\r",
      "PUT COULEUR VAISSEAU 255 \r",   // blank before CR
      " PUT COULEUR VAISSEAU 255\r",   // leading blank
      "PUT COULEUR VAISSEAU \t255\r",  // tab
      "put couleur vaisseau 255\r",    // lower case
      "PUT COULEUR VAISSEAU 255\r\r",  // byte after CR
      "PUT COULEUR VAISSEAU 255\rX",
      "PUT COULEUR VAISSEAU 255\r\n",
      "PUT COULEUR VAISSEAU \r",  // no digits
      "PUT COULEUR VAISSEAU -\r",
      "PUT COULEUR VAISSEAU 0x10\r",  // not decimal
      "PUT COULEUR VAISSEAU 12a\r",
      "PUT COULEUR VAISSEAU 1e3\r",
      "PUT COULEUR VAISSEAU 9223372036854775808\r",   // one beyond the top
      "PUT COULEUR VAISSEAU -9223372036854775809\r",  // one beyond the bottom
      "PUT COULEUR VAISSEAU 99999999999999999999999\r",
      "PUT COULEUR VAISSEAU 2\0005\r"s,  // NUL inside
      "PUT COULEUR VAISSEAU",
      "\r",
      "",
      "GET STATUT\r",
  };
  for (const std::string& ligne : cas)
    EXPECT_EQ(protocol::analyse_couleur(ligne), std::nullopt) << ligne;
}

TEST(NomCouleur, SevenNamesThenDecimal) {
  const std::pair<std::int64_t, const char*> cas[] = {
      {0, "noir"},           {16711680, "rouge"},      {65280, "vert"},
      {255, "bleu"},         {16776960, "jaune"},      {65535, "cyan"},
      {16711935, "magenta"}, {16777215, "16777215"},   {-5, "-5"},
      {256, "256"},          {-16711680, "-16711680"}, {INT64_MIN, "-9223372036854775808"},
  };
  for (const auto& [couleur, nom] : cas) EXPECT_EQ(protocol::nom_couleur(couleur), nom) << couleur;
}

TEST(Etiquette, KeepsItsTrailingBlank) {
  EXPECT_EQ(protocol::etiquette(255), "Le client bleu ");
  EXPECT_EQ(protocol::etiquette(-5), "Le client -5 ");
}

}  // namespace
