// arene-tournoi and arene-arbitre as they run, with the small Python bots of
// bot_de_test.py: whole tournaments, faults, an interruption resumed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/serveur_de_test.h"
#include "e2e/tribune_de_test.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string tournoi = ARENE_TOURNOI;
const std::string bot_de_test = BOT_DE_TEST;

std::string lit(const fs::path& chemin) {
  std::ifstream flux(chemin, std::ios::binary);
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}

// Opens `tube` for writing once something reads it, within 10 s.
bool attend_ecrivain(const fs::path& tube, int& fd) {
  for (int essai = 0; essai < 1000; ++essai) {
    fd = ::open(tube.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// The colour a test bot says it was given: its log's "couleur N" line.
std::int64_t couleur_recue(const fs::path& journal) {
  const std::string texte = lit(journal);
  const auto debut = texte.find("couleur ");
  return debut == std::string::npos ? -1 : std::stoll(texte.substr(debut + 8));
}

bool a_joue(const json& resultats_arbitre, std::int64_t couleur) {
  for (const json& j : resultats_arbitre.at("joueurs"))
    if (j.at("couleur") == couleur) return true;
  return false;
}

std::vector<std::string> lignes(const std::string& texte) {
  std::vector<std::string> liste;
  std::istringstream flux(texte);
  for (std::string ligne; std::getline(flux, ligne);) liste.push_back(ligne);
  return liste;
}

// A folder of its own, whose path marks every process of the test: each
// inherits it in its environment, through arene-tournoi.
class Tournoi : public ::testing::Test {
 protected:
  void SetUp() override {
    char modele[] = "/tmp/tournoi_e2e_XXXXXX";
    ASSERT_NE(::mkdtemp(modele), nullptr);
    ici_ = modele;
    ::setenv("TOURNOI_E2E", ici_.c_str(), 1);
  }
  void TearDown() override {
    EXPECT_EQ(restants(), std::vector<std::string>{}) << "processes left behind";
    fs::remove_all(ici_);
  }

  // A tournament file; `bots` pairs names with bot_de_test.py modes, or with
  // "bots/" and the name of a sample bot.
  fs::path fichier(const std::vector<std::pair<std::string, std::string>>& bots,
                   const std::string& format, const std::string& match) {
    // Caged bots see the test bot, the sample bots and their kit read-only.
    std::string texte = "nom = \"e2e\"\n[format]\n" + format + "\n[match]\n" + match +
                        "\n[cage]\nlectures = [\"" + fs::path(bot_de_test).parent_path().string() +
                        "\", \"" + BOTS + "\", \"" + BOTS + "../kits\"]\n";
    for (const auto& [nom, mode] : bots) {
      const std::string programme = mode.starts_with("bots/")
                                        ? std::string(BOTS) + mode.substr(4) + ".py"
                                        : bot_de_test + " --mode " + mode;
      texte += "[[bots]]\nnom = \"" + nom + "\"\ncommande = \"python3 " + programme +
               " --port {port} --couleur {couleur} --duree {duree}\"\n";
    }
    const fs::path chemin = ici_ / "tournoi.toml";
    std::ofstream(chemin) << texte;
    return chemin;
  }

  // The command lines of the live processes this test started, at any depth.
  std::vector<std::string> restants() const {
    std::vector<std::string> trouves;
    const std::string marque = std::string("TOURNOI_E2E=") + ici_.string() + '\0';
    for (const auto& entree : fs::directory_iterator("/proc")) {
      const std::string nom = entree.path().filename();
      if (nom.find_first_not_of("0123456789") != std::string::npos) continue;
      if (lit(entree.path() / "environ").find(marque) == std::string::npos) continue;
      std::string ligne = lit(entree.path() / "cmdline");
      std::replace(ligne.begin(), ligne.end(), '\0', ' ');
      if (std::to_string(::getpid()) != nom) trouves.push_back(nom + ": " + ligne);
    }
    return trouves;
  }

  // Runs arene-tournoi to its end (a generous bound) and returns its status.
  int execute(const std::vector<std::string>& arguments, std::string* sortie = nullptr) {
    Processus p(tournoi, arguments);
    const auto statut = p.attend_fin(300s);
    if (sortie) *sortie = p.sortie() + p.erreurs();
    return statut.value_or(-1000);
  }

  std::vector<json> resultats(const fs::path& dossier) {
    std::vector<json> liste;
    for (const auto& ligne : lignes(lit(dossier / "resultats.jsonl")))
      liste.push_back(json::parse(ligne));
    return liste;
  }

  json bot(const json& match, const std::string& nom) {
    for (const auto& b : match.at("bots"))
      if (b.at("nom") == nom) return b;
    ADD_FAILURE() << "no bot " << nom << " in " << match.dump();
    return {};
  }

  fs::path ici_;
};

TEST_F(Tournoi, TroisBotsSixMatchsDeuxALaFois) {
  const fs::path f = fichier({{"tireur", "tireur"}, {"immobile", "immobile"}, {"second", "tireur"}},
                             "type = \"groupes\"\ntaille = 2\nrepetitions = 2",
                             "duree = \"2s\"\ngraine_base = 500");
  const fs::path d = ici_ / "local";
  const auto debut = std::chrono::steady_clock::now();
  std::string sortie;
  ASSERT_EQ(execute({"lance", f, "--dossier", d, "-j", "2"}, &sortie), 0) << sortie;
  const double secondes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
  std::printf("6 matches of 2 s with -j 2: %.1f s, %.0f matches per hour\n", secondes,
              6 * 3600 / secondes);
  const auto matchs = resultats(d);
  ASSERT_EQ(matchs.size(), 6u);
  std::map<std::string, std::set<std::int64_t>> hauts;  // per bot, the high bits of each match
  for (std::size_t i = 0; i < matchs.size(); ++i) {
    const json& m = matchs[i];
    EXPECT_EQ(m.at("match"), i);
    EXPECT_EQ(m.at("graine"), 500 + i);
    EXPECT_EQ(m.at("statut"), "termine") << m.dump();
    EXPECT_EQ(m.at("raison"), "duree");
    ASSERT_EQ(m.at("bots").size(), 2u);
    char nom[24];
    std::snprintf(nom, sizeof nom, "%04zu", i);
    const fs::path ici = d / "matchs" / nom;
    EXPECT_EQ(lit(ici / "enregistrement.jsonl.gz").substr(0, 2), "\x1f\x8b") << ici;
    EXPECT_EQ(json::parse(lit(ici / "resultats_arbitre.json")).at("graine"), 500 + i);
    for (const auto& b : m.at("bots")) {
      EXPECT_TRUE(b.at("defaillance").is_null()) << m.dump();
      const std::string nom_bot = b.at("nom");
      EXPECT_TRUE(fs::exists(ici / "bots" / (nom_bot + ".log")));
      // The bot played under its display colour plus bits drawn for this match alone.
      const std::int64_t couleur = couleur_recue(ici / "bots" / (nom_bot + ".log"));
      EXPECT_EQ(couleur & 0xFFFFFF, b.at("couleur").get<std::int64_t>()) << couleur;
      EXPECT_TRUE(couleur >= (1ll << 24) && couleur < (1ll << 53)) << couleur;
      EXPECT_TRUE(hauts[nom_bot].insert(couleur >> 24).second) << nom_bot << " " << couleur;
      EXPECT_TRUE(a_joue(json::parse(lit(ici / "resultats_arbitre.json")), couleur)) << couleur;
    }
  }
  const json classement = json::parse(lit(d / "classement.json"));
  ASSERT_EQ(classement.at("bots").size(), 3u);
  for (const auto& b : classement.at("bots")) EXPECT_EQ(b.at("matchs"), 4);
  EXPECT_EQ(lignes(lit(d / "classement.csv")).size(), 4u);
  const std::string html = lit(d / "rapport.html");
  EXPECT_NE(html.find("<svg"), std::string::npos);
  std::size_t liens = 0;
  for (auto i = html.find("?enregistrement="); i != std::string::npos;
       i = html.find("?enregistrement=", i + 1))
    ++liens;
  EXPECT_EQ(liens, 6u);
}

// A bot that crashes at once and one that never registers lose; one that
// ignores the end is killed but keeps the place it played for. The wait before
// the start leaves room for Python bots slow to start on a loaded machine.
TEST_F(Tournoi, BotsDefaillants) {
  const fs::path f =
      fichier({{"tireur", "tireur"}, {"plante", "plante"}, {"muet", "muet"}, {"tetu", "tetu"}},
              "repetitions = 2", "duree = \"2s\"\nattente = 8\ndelai_fin = 1");
  const fs::path d = ici_ / "fautes";
  std::string sortie;
  ASSERT_EQ(execute({"lance", f, "--dossier", d, "-j", "2"}, &sortie), 0) << sortie;
  const auto matchs = resultats(d);
  ASSERT_EQ(matchs.size(), 2u);
  for (const json& m : matchs) {
    ASSERT_EQ(m.at("statut"), "termine") << m.dump();
    const json plante = bot(m, "plante"), muet = bot(m, "muet"), tetu = bot(m, "tetu");
    EXPECT_EQ(plante.at("defaillance"), "plante");
    EXPECT_EQ(plante.at("sortie"), "exit 3");
    EXPECT_EQ(muet.at("defaillance"), "jamais_enregistre");
    EXPECT_EQ(plante.at("rang"), 3);
    EXPECT_EQ(muet.at("rang"), 3);
    EXPECT_TRUE(tetu.at("tue"));
    EXPECT_TRUE(tetu.at("defaillance").is_null());
    EXPECT_LE(tetu.at("rang"), 2);
    EXPECT_FALSE(bot(m, "tireur").at("tue"));
  }
  const json classement = json::parse(lit(d / "classement.json"));
  for (const auto& b : classement.at("bots")) {
    const bool fautif = b.at("nom") == "plante" || b.at("nom") == "muet";
    EXPECT_EQ(b.at("defaillances"), fautif ? 2 : 0) << b.dump();
  }
}

TEST_F(Tournoi, InterrompuPuisRepris) {
  const fs::path f =
      fichier({{"a", "tireur"}, {"b", "immobile"}}, "repetitions = 4", "duree = \"2s\"");
  const fs::path d = ici_ / "repris";
  std::map<std::string, std::string> gardes;
  {
    Processus p(tournoi, {"lance", f, "--dossier", d, "-j", "1"});
    const auto limite = std::chrono::steady_clock::now() + 120s;
    while (!fs::exists(d / "matchs/0001/resultat.json") &&
           std::chrono::steady_clock::now() < limite)
      std::this_thread::sleep_for(50ms);
    ::kill(p.pid(), SIGINT);
    ASSERT_EQ(p.attend_fin(60s), 130) << p.erreurs();
    EXPECT_NE(p.erreurs().find("--reprendre"), std::string::npos);
  }
  EXPECT_EQ(restants(), std::vector<std::string>{});
  std::size_t finis = 0;
  for (const char* m : {"0000", "0001", "0002", "0003"}) {
    const fs::path r = d / "matchs" / m / "resultat.json";
    if (fs::exists(r)) gardes[m] = lit(r), ++finis;
  }
  ASSERT_GE(finis, 2u);
  ASSERT_LT(finis, 4u) << "the interruption came too late to test anything";
  std::string sortie;
  ASSERT_EQ(execute({"lance", "--reprendre", "--dossier", d}, &sortie), 0) << sortie;
  EXPECT_NE(sortie.find(std::to_string(4 - finis) + " of 4 matches to play"), std::string::npos)
      << sortie;
  for (const auto& [m, texte] : gardes) EXPECT_EQ(lit(d / "matchs" / m / "resultat.json"), texte);
  const auto matchs = resultats(d);
  ASSERT_EQ(matchs.size(), 4u);
  for (const json& m : matchs) EXPECT_EQ(m.at("statut"), "termine");
}

// A referee that could not write its recording (its first one goes to
// /dev/full, a disk always full) fails its match, which resumption plays again.
TEST_F(Tournoi, UnMatchMalEnregistreEchoueEtEstRejoue) {
  const fs::path arbitre = ici_ / "arbitre.sh";
  std::ofstream(arbitre) << "#!/bin/sh\n"
                            "premier=0; [ -e \"$0.fait\" ] || premier=1; : > \"$0.fait\"\n"
                            "n=$#; apres=0\n"
                            "for a in \"$@\"; do\n"
                            "  [ $apres = 1 ] && [ $premier = 1 ] && a=/dev/full\n"
                            "  apres=0; [ \"$a\" = --enregistre ] && apres=1\n"
                            "  set -- \"$@\" \"$a\"\n"
                            "done\n"
                            "shift $n\n"
                            "exec " ARENE_BINAIRE " \"$@\"\n";
  fs::permissions(arbitre, fs::perms::owner_all);
  const fs::path f =
      fichier({{"a", "tireur"}, {"b", "immobile"}}, "repetitions = 1", "duree = \"2s\"");
  const fs::path d = ici_ / "disque";
  std::string sortie;
  EXPECT_EQ(execute({"lance", f, "--dossier", d, "--arbitre", arbitre}, &sortie), 3) << sortie;
  const json echoue = resultats(d).at(0);
  EXPECT_EQ(echoue.at("statut"), "echec") << echoue.dump();
  EXPECT_NE(echoue.at("erreur").dump().find("recording"), std::string::npos) << echoue.dump();
  ASSERT_EQ(execute({"lance", "--reprendre", "--dossier", d}, &sortie), 0) << sortie;
  EXPECT_NE(sortie.find("1 of 1 matches to play"), std::string::npos) << sortie;
  EXPECT_EQ(resultats(d).at(0).at("statut"), "termine");
}

// Names as people write them reach the referee, the tables and the report;
// `sert` then serves the folder, the viewer and the recordings its links
// name, and nothing outside it.
TEST_F(Tournoi, NomsPuisDossierServi) {
  const fs::path f =
      fichier({{"Zoé Martin", "tireur"}, {"Léo", "immobile"}}, "repetitions = 2", "duree = \"2s\"");
  const fs::path d = ici_ / "servi";
  std::string sortie;
  ASSERT_EQ(execute({"lance", f, "--dossier", d}, &sortie), 0) << sortie;
  EXPECT_NE(sortie.find("1  Zoé Martin "), std::string::npos) << sortie;
  for (const json& m : resultats(d)) {
    char dossier[16];
    std::snprintf(dossier, sizeof dossier, "%04d", m.at("match").get<int>());
    const json arbitre = json::parse(lit(d / "matchs" / dossier / "resultats_arbitre.json"));
    ASSERT_EQ(arbitre.at("joueurs").size(), 2u);
    for (const auto& j : arbitre.at("joueurs")) {
      const json b = bot(m, j.value("nom", "(no name)"));
      // The referee knows the match's colour; the tables show the bot's own.
      EXPECT_EQ(b.is_object() ? b.at("couleur") : json(),
                j.at("couleur").get<std::int64_t>() & 0xFFFFFF);
    }
  }
  const std::string rapport = lit(d / "rapport.html");
  EXPECT_NE(rapport.find("(too few matches)"), std::string::npos) << "2 matches make no interval";
  const auto lien = rapport.find("href=\"visionneuse.html?enregistrement=");
  ASSERT_NE(lien, std::string::npos) << rapport;
  const std::string enregistrement =
      rapport.substr(lien + 38, rapport.find('"', lien + 6) - lien - 38);

  fs::create_directory_symlink("/etc", d / "lien");
  Processus serveur(tournoi, {"sert", d, "--port", "0"});
  ASSERT_TRUE(serveur.attend_sortie("/rapport.html", 10s)) << serveur.erreurs(1s);
  const std::string url = serveur.sortie();
  const int port = std::stoi(url.substr(url.find("127.0.0.1:") + 10));
  const struct {
    std::string chemin;
    int statut;
    std::string type;
    std::string corps;  // empty: not compared
  } cas[] = {
      {"/rapport.html", 200, "text/html", rapport},
      {"/visionneuse.html", 200, "text/html", lit(d / "visionneuse.html")},
      {"/" + enregistrement, 200, "application/gzip", lit(d / enregistrement)},
      {"/matchs/0000/bots/Zo%C3%A9%20Martin.log", 200, "text/plain", ""},
      {"/matchs/0000/", 200, "text/html", ""},
      {"/../" + d.filename().string() + "/plan.json", 403, "", ""},
      {"/matchs/%2E%2E/plan.json", 403, "", ""},
      {"/matchs/..%2Fplan.json", 403, "", ""},
      {"/lien/passwd", 403, "", ""},
      {"/absent.html", 404, "", ""},
  };
  for (const auto& c : cas) {
    const ReponseHttp r = get_http(port, c.chemin);
    EXPECT_EQ(r.statut, c.statut) << c.chemin << "\n" << r.entete;
    EXPECT_NE(r.entete.find("Content-Type: " + c.type), std::string::npos) << c.chemin;
    EXPECT_TRUE(c.corps.empty() || r.corps == c.corps) << c.chemin;
  }
}

TEST_F(Tournoi, VerifieExempleEtFichierFautif) {
  std::string sortie;
  EXPECT_EQ(execute({"verifie", EXEMPLE}, &sortie), 0) << sortie;
  std::ofstream(ici_ / "faux.toml") << "[match]\nduree = \"vite\"\n";
  EXPECT_EQ(execute({"verifie", ici_ / "faux.toml"}, &sortie), 1);
  EXPECT_NE(sortie.find("faux.toml:2: match.duree:"), std::string::npos) << sortie;
  EXPECT_NE(sortie.find("bots: expected [[bots]]"), std::string::npos) << sortie;
}

std::string bots_sans_couleur(int nombre) {
  std::string texte;
  for (int i = 0; i < nombre; ++i)
    texte += "[[bots]]\nnom = \"b" + std::to_string(i) + "\"\ncommande = \"b {port} {couleur}\"\n";
  return texte;
}

// Files that ask for too much get an answer at once, and the right one.
TEST_F(Tournoi, VerifieRepondAuxFichiersDemesures) {
  const std::string groupes = "[format]\ntype = \"groupes\"\n";
  const struct {
    const char* quoi;
    std::string texte;
    int statut;
    const char* attendu;
  } cas[] = {
      {"64 bots without a colour", "[match]\nduree = 20\n" + bots_sans_couleur(64), 0,
       "64 bots, 1 matches"},
      {"65 bots in a free-for-all", "[match]\nduree = 20\n" + bots_sans_couleur(65), 1,
       "65 bots in one match; a match takes at most 64"},
      {"groups of 64 among 200 bots",
       groupes + "taille = 64\n[match]\nduree = 20\n" + bots_sans_couleur(200), 1,
       "more than 18446744073709551615 matches"},
      {"groups of 10 among 60 bots",
       groupes + "taille = 10\n[match]\nduree = 20\n" + bots_sans_couleur(60), 1,
       "75394027566 matches"},
      {"1e300 seconds", "[match]\nduree = 1e300\n" + bots_sans_couleur(2), 1, "match.duree"},
      {"1e300 ticks", "[match]\nduree = \"1e300t\"\n" + bots_sans_couleur(2), 1, "match.duree"},
  };
  for (const auto& c : cas) {
    std::ofstream(ici_ / "t.toml") << c.texte;
    Processus p(tournoi, {"verifie", ici_ / "t.toml"});
    EXPECT_EQ(p.attend_fin(30s), c.statut) << c.quoi;
    EXPECT_NE((p.sortie() + p.erreurs()).find(c.attendu), std::string::npos)
        << c.quoi << ": " << p.sortie() << p.erreurs();
  }
}

// Reading a file that does not come (a pipe nobody writes) stands for every
// phase before the matches: a signal ends it at once, with the status of a
// stop by signal.
TEST_F(Tournoi, UnSignalArreteVerifieEtLanceAvantLesMatchs) {
  const fs::path tube = ici_ / "tube.toml";
  ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
  const std::vector<std::string> verifie = {"verifie", tube};
  const std::vector<std::string> lance = {"lance", tube, "--dossier", ici_ / "d"};
  for (const auto& [arguments, signal] :
       {std::pair{verifie, SIGINT}, {verifie, SIGTERM}, {lance, SIGINT}, {lance, SIGTERM}}) {
    Processus p(tournoi, arguments);
    // A writer opens the pipe without waiting only once its reader has it.
    int ecrivain = -1;
    ASSERT_TRUE(attend_ecrivain(tube, ecrivain)) << arguments[0];
    ::kill(p.pid(), signal);
    EXPECT_EQ(p.attend_fin(10s), 130) << arguments[0] << " " << signal << p.erreurs();
    ::close(ecrivain);
  }
}

}  // namespace
