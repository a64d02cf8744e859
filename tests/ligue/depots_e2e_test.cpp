// Uploads, builds and the private pages through `arene-ligue sert` over a
// real socket: a Python bot that becomes ready, a C bot whose failed build
// shows its log, hostile requests refused, the teacher pausing the season.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ligue/base.h"
#include "ligue/ligue_de_test.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class Depots : public ::testing::Test {
 protected:
  LigueDeTest l{"ligue_depots"};
  const fs::path& dossier = l.dossier;
  std::string admin, eleve;
  ServiceLigue serveur;
  int port = 0;

  void SetUp() override {
    const Execution init = l.init("<script>alert(1)</script>\n");
    ASSERT_EQ(init.statut, 0) << init.erreurs;
    admin = l.admin;
    eleve = l.eleve;
    demarre();
  }
  void demarre() {
    serveur = {};
    serveur = sert_ligue(dossier, {"--kits", KITS});
    port = serveur.port;
    ASSERT_NE(port, 0) << serveur.processus->erreurs(1s);
  }

  // A POST as the league's own page sends it, unless `origine` says otherwise;
  // `annonce`, when given, is the length announced instead of the body's.
  ReponseHttp post(const std::string& cible, const std::string& corps,
                   const std::string& origine = "same", std::size_t annonce = 0) {
    const std::string hote = "127.0.0.1:" + std::to_string(port);
    std::string entete = "POST " + cible + " HTTP/1.1\r\nHost: " + hote +
                         "\r\nConnection: close\r\nContent-Length: " +
                         std::to_string(annonce ? annonce : corps.size()) + "\r\n";
    if (origine == "same")
      entete += "Origin: http://" + hote + "\r\nSec-Fetch-Site: same-origin\r\n";
    else if (!origine.empty())
      entete += "Origin: " + origine + "\r\nSec-Fetch-Site: cross-site\r\n";
    return echange_http(port, entete + "\r\n" + corps, 10s);
  }
  std::string etat_version(int numero) {
    Base base = ouvre_base(dossier / "ligue.sqlite", true);
    Requete r = prepare(base.get(),
                        "SELECT etat, COALESCE(commande, '') FROM versions WHERE "
                        "numero = ?1");
    sqlite3_bind_int(r.get(), 1, numero);
    if (sqlite3_step(r.get()) != SQLITE_ROW) return "";
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 0))) + " " +
           reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 1));
  }
  // The version's state once its build is over, within a generous bound.
  std::string construite(int numero) {
    for (int i = 0; i < 1200; ++i) {
      const std::string e = etat_version(numero);
      if (e.starts_with("prete") || e.starts_with("echec")) return e;
      std::this_thread::sleep_for(100ms);
    }
    return etat_version(numero);
  }
};

TEST_F(Depots, PythonPretCEnEchecAvecSonJournal) {
  const std::string depot = "/eleve/" + eleve + "/depot";
  ASSERT_EQ(post(depot + "?langage=python&nom=bot.py", "print('hello')\n").statut, 200);
  const std::string python = construite(1);
  EXPECT_TRUE(python.starts_with("prete ")) << python;
  EXPECT_NE(python.find("python3 bot.py {host} {port} {couleur} {duree}"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(dossier / "versions" / "1" / "bot.py"));

  // A build a crash interrupted is done again at the next start.
  serveur = {};
  {
    Base base = ouvre_base(dossier / "ligue.sqlite", false);
    execute(base.get(), "UPDATE versions SET etat = 'construction', commande = NULL");
  }
  demarre();
  EXPECT_EQ(construite(1), python);

  ASSERT_EQ(
      post(depot + "?langage=c&nom=bot.c", "int main(void) { return erreur_voulue; }\n").statut,
      200);
  EXPECT_TRUE(construite(2).starts_with("echec")) << etat_version(2);
  const auto page = get_http(port, "/eleve/" + eleve);
  EXPECT_EQ(page.statut, 200);
  EXPECT_NE(page.corps.find("erreur_voulue"), std::string::npos) << page.corps;  // the log
  EXPECT_NE(page.corps.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_EQ(page.corps.find("<script>alert"), std::string::npos);
}

// Every refusal leaves no version behind.
TEST_F(Depots, DepotsRefuses) {
  const std::string autre = eleve.substr(0, 42) + (eleve[42] == 'A' ? "B" : "A");
  const struct {
    std::string cible, origine, corps;
    int statut;
    std::size_t annonce = 0;
  } cas[] = {
      {"/eleve/" + autre + "/depot?langage=python&nom=bot.py", "same", "x", 403},
      {"/eleve//depot?langage=python&nom=bot.py", "same", "x", 403},
      {"/eleve/" + eleve + "/depot?langage=python&nom=bot.py", "", "x", 403},
      {"/eleve/" + eleve + "/depot?langage=python&nom=bot.py", "http://evil.example", "x", 403},
      {"/eleve/" + eleve + "/depot?langage=python&nom=bot.py", "null", "x", 403},
      {"/admin/" + autre + "/pause", "same", "pause=1", 403},
      {"/eleve/" + eleve + "/depot?langage=cobol&nom=bot.py", "same", "x", 400},
      {"/eleve/" + eleve + "/depot?langage=python&nom=../bot.py", "same", "x", 400},
      {"/eleve/" + eleve + "/depot?langage=python&nom=p.zip", "same", "not a zip", 400},
      // Refused from its announced length, before the body is read.
      {"/eleve/" + eleve + "/depot?langage=python&nom=bot.py", "same", "", 413,
       4 * 1024 * 1024 + 1},
  };
  for (const auto& c : cas) {
    const auto r = post(c.cible, c.corps, c.origine, c.annonce);
    EXPECT_EQ(r.statut, c.statut) << c.cible << " " << c.origine << "\n" << r.corps;
    if (c.statut == 403) {
      EXPECT_EQ(r.corps, "forbidden\n");
    }
  }
  EXPECT_EQ(etat_version(1), "");
}

TEST_F(Depots, EnseignantMetEnPauseEtExporte) {
  const std::string racine_admin = "/admin/" + admin;
  EXPECT_EQ(get_http(port, racine_admin).statut, 200);
  const auto r = post(racine_admin + "/pause", "pause=1");
  EXPECT_EQ(r.statut, 303) << r.corps;
  {
    Base base = ouvre_base(dossier / "ligue.sqlite", true);
    EXPECT_TRUE(saison_en_pause(base.get()));
  }
  EXPECT_EQ(post(racine_admin + "/eleve", "nom=Zo%C3%A9+%3Cb%3E").statut, 303);
  const auto page = get_http(port, racine_admin);
  EXPECT_NE(page.corps.find("Zoé &lt;b&gt;"), std::string::npos) << page.corps;
  const auto csv = get_http(port, racine_admin + "/resultats.csv");
  EXPECT_EQ(csv.statut, 200);
  EXPECT_TRUE(csv.corps.starts_with("match,end,student,version,colour,rank,score\n"));
}

}  // namespace
