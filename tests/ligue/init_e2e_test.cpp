// arene-ligue init and liens through the real binary, in a scratch folder.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <toml++/toml.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "ligue/base.h"
#include "ligue/ligue_de_test.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The languages the links are printed in, whatever the test's own locale.
const std::vector<std::string> anglais{"-u", "LANGUAGE",    "-u",    "LC_ALL",
                                       "-u", "LC_MESSAGES", "LANG=C"};
const std::vector<std::string> francais{"-u",          "LANGUAGE",        "-u", "LC_ALL", "-u",
                                        "LC_MESSAGES", "LANG=fr_FR.UTF-8"};

class Ligue : public ::testing::Test {
 protected:
  LigueDeTest essai{"ligue_e2e"};
  const fs::path& racine = essai.racine;

  static Execution ligue(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environnement = anglais) {
    std::vector<std::string> tout = environnement;
    tout.push_back(ARENE_LIGUE);
    tout.insert(tout.end(), arguments.begin(), arguments.end());
    return execute("/usr/bin/env", tout, 30s);
  }
  // Everything under `racine` but the class file: what a failed init must not leave.
  std::size_t restes() const {
    std::size_t n = 0;
    for (const auto& f : fs::directory_iterator(racine)) n += f.path().filename() != "classe.csv";
    return n;
  }
};

TEST_F(Ligue, InitPuisLiens) {
  const fs::path& dossier = essai.dossier;
  const Execution init = essai.init("nom,courriel\nAlice Martin,a@x.fr\nBob\nZoé\n", anglais);
  ASSERT_EQ(init.statut, 0) << init.erreurs;

  // One line per link, the teacher's first, each token 43 URL-safe characters, all distinct.
  const std::regex ligne(R"(http://[^/ ]+:8090/(admin|eleve)/([A-Za-z0-9_-]{43})  (.+))");
  std::vector<std::string> noms;
  std::set<std::string> jetons;
  std::istringstream lignes(init.sortie);
  for (std::string l; std::getline(lignes, l);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, ligne)) << l;
    EXPECT_EQ(m[1] == "admin", noms.empty()) << l;
    jetons.insert(m[2]);
    noms.push_back(m[3]);
  }
  EXPECT_EQ(noms, (std::vector<std::string>{"teacher", "Alice Martin", "Bob", "Zoé"}));
  EXPECT_EQ(jetons.size(), 4u);

  const Execution encore = ligue({"liens", dossier});
  EXPECT_EQ(encore.statut, 0) << encore.erreurs;
  EXPECT_EQ(encore.sortie, init.sortie);
  // In French, the teacher's link says so in French; the rest is the same.
  const Execution fr = ligue({"liens", dossier}, francais);
  EXPECT_EQ(fr.statut, 0) << fr.erreurs;
  const auto premiere = init.sortie.find('\n');
  EXPECT_EQ(fr.sortie,
            init.sortie.substr(0, premiere - 7) + "enseignant" + init.sortie.substr(premiere));

  const toml::table reglages = toml::parse_file((dossier / "ligue.toml").string());
  EXPECT_EQ(reglages["match"]["joueurs"].value<int>(), 4);
  EXPECT_EQ(reglages["service"]["port"].value<int>(), 8090);

  Base base = ouvre_base(dossier / "ligue.sqlite", true);
  Requete mode = prepare(base.get(), "PRAGMA journal_mode");
  ASSERT_EQ(sqlite3_step(mode.get()), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0)), "wal");
  Requete courriel = prepare(base.get(), "SELECT courriel FROM eleves WHERE nom = 'Alice Martin'");
  ASSERT_EQ(sqlite3_step(courriel.get()), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(courriel.get(), 0)), "a@x.fr");
  EXPECT_EQ(eleves_inscrits(base.get()).size(), 3u);
}

// Each refusal says why, exits with 1 and leaves nothing behind it.
TEST_F(Ligue, RefusSansRienLaisser) {
  fs::create_directories(racine / "existe");
  const fs::path mauvaise = essai.classe("Alice\nBob\nAlice\n");
  struct Cas {
    std::vector<std::string> arguments;
    std::string message;
    std::size_t restes;
  };
  const Cas cas[] = {
      {{"init", racine / "existe"}, "already exists", 1},
      {{"init", racine / "neuve", "--classe", mauvaise}, "classe.csv:3: \"Alice\" is already", 1},
      {{"init", racine / "absent" / "ligue"}, "No such file", 1},
      {{"liens", racine / "existe"}, "ligue.toml", 1},
  };
  for (const Cas& c : cas) {
    const Execution e = ligue(c.arguments);
    EXPECT_EQ(e.statut, 1) << c.arguments[1];
    EXPECT_NE(e.erreurs.find(c.message), std::string::npos) << e.erreurs;
    EXPECT_TRUE(e.sortie.empty()) << e.sortie;
    EXPECT_EQ(restes(), c.restes) << c.arguments[1];
  }
}

// The pages of a league without matches: the leaderboard in the browser's
// language, a student's page behind their token, nothing behind another.
TEST_F(Ligue, Pages) {
  const Execution init = essai.init("<b>Zoé</b>\n");
  ASSERT_EQ(init.statut, 0) << init.erreurs;
  const std::string& jeton = essai.eleve;
  const ServiceLigue serveur = sert_ligue(essai.dossier);
  ASSERT_NE(serveur.port, 0) << serveur.processus->erreurs(1s);
  const int port = serveur.port;
  const auto get = [port](const std::string& chemin, const std::string& langue) {
    return echange_http(port, "GET " + chemin + " HTTP/1.1\r\nHost: x\r\nAccept-Language: " +
                                  langue + "\r\nConnection: close\r\n\r\n");
  };
  const struct {
    std::string chemin, langue;
    int statut;
    std::string contient;
  } cas[] = {
      {"/", "fr-FR,fr;q=0.9,en;q=0.8", 200, "Pas encore de match."},
      {"/", "en-GB,fr;q=0.5", 200, "No matches yet."},
      {"/eleve/" + jeton, "en", 200, "<h1>&lt;b&gt;Zoé&lt;/b&gt;</h1>"},
      {"/eleve/" + jeton.substr(0, 42) + (jeton[42] == 'A' ? "B" : "A"), "en", 404, "No such page"},
      {"/eleve/", "en", 404, "No such page"},
      {"/admin/x", "en", 404, "No such page"},
  };
  for (const auto& c : cas) {
    const auto r = get(c.chemin, c.langue);
    EXPECT_EQ(r.statut, c.statut) << c.chemin;
    EXPECT_NE(r.corps.find(c.contient), std::string::npos) << c.chemin << "\n" << r.corps;
  }
}

}  // namespace
