#include "ligue/classe.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

// What a teacher's spreadsheet gives: headers or not, either separator, quotes, BOM, CRLF.
TEST(Classe, FormatsDesTableurs) {
  struct Cas {
    const char* texte;
    std::vector<Eleve> attendus;
  };
  const Cas cas[] = {
      {"Alice\nBob,bob@ecole.fr\n", {{"Alice", ""}, {"Bob", "bob@ecole.fr"}}},
      {"\xEF\xBB\xBFnom;courriel\r\nÉloïse Martin ; e@x.fr\r\n\r\nZoé;\r\n",
       {{"Éloïse Martin", "e@x.fr"}, {"Zoé", ""}}},
      {"name,email\n\"Dupont, Jean\",jd@x.org\n\"Le \"\"Roi\"\"\"\n",
       {{"Dupont, Jean", "jd@x.org"}, {"Le \"Roi\"", ""}}},
      {"", {}},
  };
  for (const Cas& c : cas) {
    const auto lus = lit_classe(c.texte, "classe.csv");
    ASSERT_TRUE(std::holds_alternative<std::vector<Eleve>>(lus)) << std::get<std::string>(lus);
    const auto& eleves = std::get<std::vector<Eleve>>(lus);
    ASSERT_EQ(eleves.size(), c.attendus.size()) << c.texte;
    for (std::size_t i = 0; i < eleves.size(); ++i) {
      EXPECT_EQ(eleves[i].nom, c.attendus[i].nom);
      EXPECT_EQ(eleves[i].courriel, c.attendus[i].courriel);
    }
  }
}

// Each fault is named with the line it is on, counting the skipped ones.
TEST(Classe, ErreursAvecLeurLigne) {
  const std::pair<const char*, const char*> cas[] = {
      {"Alice\n\nAlice\n", "classe.csv:3: \"Alice\" is already on line 1"},
      {"nom\nAlice\nB\x01ob\n", "classe.csv:3: name \"B\x01ob\": a name may not hold control"},
      {"Alice\n\xC3(\n", "classe.csv:2: name \"\xC3(\": a name must be UTF-8"},
      {"Alice,a@b,c\n", "classe.csv:1: more than two fields"},
      {"Alice\n\"Bob\n", "classe.csv:2: a quote that does not close"},
      {"Alice,pas-un-courriel\n", "classe.csv:1: \"pas-un-courriel\" is not an e-mail"},
      {"Alice\n,x@y.fr\n", "classe.csv:2: name \"\": a name may not be empty"},
      {"Alice\nAaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n", "classe.csv:2: name \"Aaaa"},
  };
  for (const auto& [texte, debut] : cas) {
    const auto lus = lit_classe(texte, "classe.csv");
    ASSERT_TRUE(std::holds_alternative<std::string>(lus)) << texte;
    EXPECT_TRUE(std::get<std::string>(lus).starts_with(debut)) << std::get<std::string>(lus);
  }
}

}  // namespace
