// arene-ligue init and liens through the real binary, in a scratch folder.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <toml++/toml.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "e2e/tribune_de_test.h"
#include "ligue/base.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class Ligue : public ::testing::Test {
 protected:
  fs::path racine = fs::temp_directory_path() / ("ligue_e2e_" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(racine); }
  void TearDown() override { fs::remove_all(racine); }

  fs::path classe(const std::string& texte) {
    const fs::path chemin = racine / "classe.csv";
    std::ofstream(chemin) << texte;
    return chemin;
  }
  static Execution ligue(const std::vector<std::string>& arguments) {
    return execute(ARENE_LIGUE, arguments, 30s);
  }
  // Everything under `racine` but the class file: what a failed init must not leave.
  std::size_t restes() const {
    std::size_t n = 0;
    for (const auto& f : fs::directory_iterator(racine)) n += f.path().filename() != "classe.csv";
    return n;
  }
};

TEST_F(Ligue, InitPuisLiens) {
  const fs::path dossier = racine / "ligue";
  const Execution init = ligue({"init", dossier, "--classe",
                                classe("nom,courriel\nAlice Martin,a@x.fr\nBob\nZoé\n").string()});
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
  const fs::path mauvaise = classe("Alice\nBob\nAlice\n");
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
  const fs::path dossier = racine / "ligue";
  const Execution init = ligue({"init", dossier, "--classe", classe("<b>Zoé</b>\n").string()});
  ASSERT_EQ(init.statut, 0) << init.erreurs;
  const std::string jeton = init.sortie.substr(init.sortie.rfind("/eleve/") + 7, 43);

  Processus serveur(ARENE_LIGUE, {"sert", dossier, "--port", "0", "--adresse", "127.0.0.1"});
  ASSERT_TRUE(serveur.attend_sortie("/\n", 10s)) << serveur.erreurs(1s);
  const int port = std::stoi(serveur.sortie().substr(serveur.sortie().find("127.0.0.1:") + 10));
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
