// Hostile bots in arene-tournoi's cage, one per case: each plays a short
// match against a quiet bot, and the test checks that it was contained, that
// the quiet bot played to the end, and what the results say about it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <utility>

#include "cage/cgroupes.h"
#include "cage/enceinte.h"
#include "e2e/serveur_de_test.h"
#include "e2e/tribune_de_test.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string lit(const fs::path& chemin) {
  std::ifstream flux(chemin, std::ios::binary);
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}

// The live processes whose command line holds `marque`.
std::vector<std::string> processus_avec(const std::string& marque) {
  std::vector<std::string> trouves;
  for (const auto& entree : fs::directory_iterator("/proc")) {
    const std::string nom = entree.path().filename();
    if (nom.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string ligne = lit(entree.path() / "cmdline");
    std::replace(ligne.begin(), ligne.end(), '\0', ' ');
    if (ligne.find(marque) != std::string::npos && nom != std::to_string(::getpid()))
      trouves.push_back(nom + ": " + ligne);
  }
  return trouves;
}

struct Cas;

// What one match left: the hostile bot's journal and both bots' results.
struct Issue {
  fs::path ici;
  std::string journal;
  json hostile, sage;
  int ecouteur = -1;  // the host's listening socket
};

struct Cas {
  std::string mode;
  std::string limite;  // the failure the results must name; empty: none expected
  bool besoin_cgroupe = false;
  std::function<void(const Issue&)> verifie;
};

void refuse(const Issue& i, const std::string& quoi) {
  EXPECT_NE(i.journal.find(quoi + ": refuse"), std::string::npos) << i.journal;
  EXPECT_EQ(i.journal.find(quoi + ": REUSSI"), std::string::npos) << i.journal;
}

// The quiet bot's display colour, which the thief tries to take.
constexpr int couleur_sage = 65280;

// The number printed after `avant` in `texte`; -1 if none.
long nombre_apres(const std::string& texte, const std::string& avant) {
  const auto i = texte.find(avant);
  return i == std::string::npos ? -1 : std::strtol(texte.c_str() + i + avant.size(), nullptr, 10);
}

const std::vector<Cas> cas = {
    {"fourche", "processus", true, {}},
    {"memoire", "memoire", true,
     [](const Issue& i) { EXPECT_EQ(i.journal.find("1 GiB held"), std::string::npos); }},
    {"bavard", "journal", false,
     [](const Issue& i) {
       EXPECT_LE(i.journal.size(), (1u << 20) + 100);
       EXPECT_TRUE(i.journal.ends_with("limit reached]\n"));
     }},
    {"ecrit", "", false,
     [](const Issue& i) {
       for (const auto& c : {i.ici / "hostile", i.ici / "t", fs::path("/etc"), fs::path("/")}) {
         refuse(i, "write " + (c / "ecrit.txt").string());
         EXPECT_FALSE(fs::exists(c / "ecrit.txt")) << c;
       }
       EXPECT_NE(i.journal.find("write /tmp: REUSSI"), std::string::npos) << i.journal;
     }},
    {"lit", "", false,
     [](const Issue& i) {
       for (const auto& c :
            {i.ici / "sage/secret.txt", i.ici / "organisateur.txt", fs::path("/etc/shadow")})
         refuse(i, "read " + c.string());
     }},
    {"tueur", "", false, {}},
    {"reseau", "", false,
     [](const Issue& i) {
       refuse(i, "host port");
       refuse(i, "outside");
       EXPECT_LT(::accept(i.ecouteur, nullptr, nullptr), 0) << "a bot reached the host";
     }},
    {"toupie", "", false, {}},
    {"enfant", "", false,
     [](const Issue&) { EXPECT_EQ(processus_avec("sleep 317.25"), std::vector<std::string>{}); }},
    {"setuid", "", false,
     [](const Issue& i) {
       EXPECT_NE(i.journal.find("setuid: REUSSI"), std::string::npos) << i.journal;
       EXPECT_EQ(i.journal.find("uid=0"), std::string::npos) << i.journal;
     }},
    {"lien", "", false, [](const Issue& i) { refuse(i, "link"); }},
    // Its rival's colour, in any form, and a second ship of its own are
    // refused; its first ship plays, and the match holds two.
    {"voleur", "", false,
     [](const Issue& i) {
       std::istringstream lignes(i.journal);
       int tentatives = 0;
       for (std::string ligne; std::getline(lignes, ligne);)
         if (ligne.starts_with("steal ") || ligne.starts_with("second: ")) {
           EXPECT_TRUE(ligne.ends_with(": ERREUR COULEUR UTILISEE")) << ligne;
           ++tentatives;
         }
       EXPECT_EQ(tentatives, 11) << i.journal;
       EXPECT_NE(i.journal.find("own: VAISSEAU ENREGISTRE"), std::string::npos) << i.journal;
       EXPECT_NE(i.hostile.at("etat"), "absent") << i.hostile.dump();
       const json arbitre = json::parse(lit(i.ici / "t/matchs/0000/resultats_arbitre.json"));
       EXPECT_EQ(arbitre.at("joueurs").size(), 2u) << arbitre.dump();
     }},
    // Bounds that make a call fail rather than stop the bot: it plays on,
    // and the results name nothing.
    {"fichiers", "", false,
     [](const Issue& i) {
       refuse(i, "fichiers");
       EXPECT_LE(nombre_apres(i.journal, "files held: "), 256) << i.journal;
       EXPECT_GE(nombre_apres(i.journal, "files held: "), 200) << i.journal;
       EXPECT_NE(i.hostile.at("etat"), "absent");
       EXPECT_TRUE(i.hostile.at("defaillance").is_null()) << i.hostile.dump();
     }},
    {"brouillon", "", false,
     [](const Issue& i) {
       refuse(i, "brouillon");
       EXPECT_NE(i.journal.find("No space left"), std::string::npos) << i.journal;
       EXPECT_LE(nombre_apres(i.journal, "MiB written: "), 64) << i.journal;
       EXPECT_GE(nombre_apres(i.journal, "MiB written: "), 50) << i.journal;
       EXPECT_NE(i.hostile.at("etat"), "absent");
       EXPECT_TRUE(i.hostile.at("defaillance").is_null()) << i.hostile.dump();
     }},
};

void PrintTo(const Cas& c, std::ostream* flux) { *flux << c.mode; }

// A tournament folder with a hostile bot and a quiet one, and a service of
// the host they must not reach.
class DossierEnCage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const auto raison = cage::empechement()) GTEST_SKIP() << "no cage here: " << *raison;
    char modele[] = "/tmp/cage_e2e_XXXXXX";
    ASSERT_NE(::mkdtemp(modele), nullptr);
    issue_.ici = modele;
    prepare_dossiers();
    issue_.ecouteur = ecoute();
  }
  void TearDown() override {
    if (issue_.ecouteur >= 0) ::close(issue_.ecouteur);
    if (!issue_.ici.empty()) fs::remove_all(issue_.ici);
  }

  void prepare_dossiers() {
    const fs::path& ici = issue_.ici;
    fs::create_directories(ici / "sage");
    fs::create_directories(ici / "hostile");
    std::ofstream(ici / "sage/secret.txt") << "SECRET-SAGE\n";
    std::ofstream(ici / "organisateur.txt") << "SECRET-ORGA\n";
    fs::create_symlink("/etc/shadow", ici / "hostile/ombre");
    fs::copy_file("/usr/bin/id", ici / "hostile/id_setuid");
    ::chmod((ici / "hostile/id_setuid").c_str(), 04755);
  }

  // A service of the host the bots must not reach.
  int ecoute() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t taille = sizeof adresse;
    if (::bind(s, reinterpret_cast<sockaddr*>(&adresse), taille) != 0 || ::listen(s, 8) != 0)
      ADD_FAILURE() << "cannot listen";
    ::getsockname(s, reinterpret_cast<sockaddr*>(&adresse), &taille);
    port_hote_ = ntohs(adresse.sin_port);
    return s;
  }

  fs::path fichier(const std::string& mode) {
    const std::string hostile = BOT_HOSTILE, sage = BOT_DE_TEST;
    const fs::path chemin = issue_.ici / "tournoi.toml";
    std::ofstream(chemin) << "nom = \"cage\"\n[match]\nduree = \"3s\"\nattente = 8\ndelai_fin = 1\n"
                          << "[cage]\nmemoire = 128\njournal = 1\nlectures = [\""
                          << fs::path(hostile).parent_path().string() << "\", \""
                          << fs::path(sage).parent_path().string() << "\"]\n"
                          << "[[bots]]\nnom = \"hostile\"\ndossier = \"hostile\"\ncommande = "
                          << "\"python3 " << hostile << " --mode " << mode
                          << " --port {port} --couleur {couleur} --duree {duree} --tournoi "
                          << issue_.ici.string() << " --port-hote " << port_hote_ << " --victime "
                          << couleur_sage << "\"\n"
                          << "[[bots]]\nnom = \"sage\"\ndossier = \"sage\"\ncouleur = "
                          << couleur_sage << "\ncommande = \"python3 " << sage
                          << " --mode immobile --port {port} --couleur {couleur}\"\n";
    return chemin;
  }

  Issue issue_;
  int port_hote_ = 0;
};

class Hostile : public DossierEnCage, public ::testing::WithParamInterface<Cas> {
 protected:
  void SetUp() override {
    if (GetParam().besoin_cgroupe && cage::version_cgroupes() == cage::VersionCgroupes::Aucune)
      GTEST_SKIP() << "no cgroups here";
    DossierEnCage::SetUp();
  }
};

TEST_P(Hostile, ContenuEtNommeDansLesResultats) {
  const Cas& c = GetParam();
  const auto fin =
      execute(ARENE_TOURNOI,
              {"lance", fichier(c.mode).string(), "--dossier", (issue_.ici / "t").string()}, 120s);
  ASSERT_EQ(fin.statut, 0) << fin.sortie << fin.erreurs;
  const json match = json::parse(lit(issue_.ici / "t/resultats.jsonl"));
  EXPECT_EQ(match.at("statut"), "termine");
  EXPECT_TRUE(match.at("cage").get<std::string>().starts_with("bwrap")) << match.dump();
  for (const auto& b : match.at("bots")) (b.at("nom") == "sage" ? issue_.sage : issue_.hostile) = b;
  // The quiet bot played its match to the end, whatever its opponent did.
  EXPECT_NE(issue_.sage.at("etat"), "absent") << match.dump();
  EXPECT_TRUE(issue_.sage.at("defaillance").is_null()) << match.dump();
  if (!c.limite.empty()) {
    EXPECT_EQ(issue_.hostile.at("defaillance"), c.limite) << match.dump();
    EXPECT_EQ(issue_.hostile.at("rang"), 2) << match.dump();
  }
  issue_.journal = lit(issue_.ici / "t/matchs/0000/bots/hostile.log");
  if (c.verifie) c.verifie(issue_);
  EXPECT_EQ(processus_avec(issue_.ici.string()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Cage, Hostile, ::testing::ValuesIn(cas),
                         [](const auto& essai) { return essai.param.mode; });

// A caged match watched live: its viewers' port, opened on the host, answers
// the host, while the hostile bot, trying that same port, is refused.
TEST_F(DossierEnCage, SeRegardeEnDirectDepuisLHoteMaisPasDesBots) {
  ::close(std::exchange(issue_.ecouteur, -1));
  port_hote_ = port_libre();
  const std::string f = fichier("reseau").string(), t = (issue_.ici / "t").string();
  // The folder, its match played once; then the same match again, live.
  const auto fin = execute(ARENE_TOURNOI, {"lance", f, "--dossier", t}, 120s);
  ASSERT_EQ(fin.statut, 0) << fin.erreurs;
  Processus match(ARENE_TOURNOI, {"match", t, "0", "--spectateurs", std::to_string(port_hote_)});
  ReponseHttp reponse;
  const auto limite = std::chrono::steady_clock::now() + 30s;
  while (reponse.statut != 200 && match.en_vie() && std::chrono::steady_clock::now() < limite) {
    std::this_thread::sleep_for(100ms);
    try {
      reponse = get_http(port_hote_, "/resultats");
    } catch (const std::exception&) {
      // Not listening yet: a slow start (sanitizers) opens the port later.
    }
  }
  EXPECT_EQ(reponse.statut, 200) << match.erreurs(1s);
  EXPECT_TRUE(json::parse(reponse.corps, nullptr, false).contains("joueurs")) << reponse.corps;
  ASSERT_EQ(match.attend_fin(60s), 0) << match.erreurs();
  issue_.journal = lit(issue_.ici / "t/matchs/0000/bots/hostile.log");
  refuse(issue_, "host port");
}

// Without its cage, a tournament says so as it starts and in every result.
TEST(SansCage, AvertitEtLeDitDansLesResultats) {
  char modele[] = "/tmp/cage_e2e_XXXXXX";
  ASSERT_NE(::mkdtemp(modele), nullptr);
  const fs::path ici = modele;
  std::ofstream(ici / "tournoi.toml")
      << "nom = \"libre\"\n[match]\nduree = \"1s\"\nattente = 5\ndelai_fin = 1\n"
      << "[[bots]]\nnom = \"a\"\ncommande = \"python3 " << BOT_DE_TEST
      << " --port {port} --couleur {couleur}\"\n[[bots]]\nnom = \"b\"\ncommande = \"python3 "
      << BOT_DE_TEST << " --port {port} --couleur {couleur}\"\n";
  const auto fin = execute(
      ARENE_TOURNOI,
      {"lance", (ici / "tournoi.toml").string(), "--dossier", (ici / "t").string(), "--sans-cage"},
      60s);
  EXPECT_EQ(fin.statut, 0) << fin.erreurs;
  EXPECT_NE(fin.erreurs.find("WARNING: --sans-cage"), std::string::npos) << fin.erreurs;
  const json match = json::parse(lit(ici / "t/resultats.jsonl"));
  EXPECT_EQ(match.at("cage"), "aucune (--sans-cage)");
  fs::remove_all(ici);
}

}  // namespace

namespace {

// Builds run once, caged, before the matches: one that works gives a program
// its bot runs; one that fails is named for its bot, which loses, and its log stays.
TEST(Construction, EnCageEtSonEchecNommePourSonBot) {
  if (const auto raison = cage::empechement()) GTEST_SKIP() << "no cage here: " << *raison;
  if (::access("/usr/bin/cc", X_OK) != 0) GTEST_SKIP() << "no C compiler (apt-get install gcc)";
  char modele[] = "/tmp/cage_e2e_XXXXXX";
  ASSERT_NE(::mkdtemp(modele), nullptr);
  const fs::path ici = modele;
  for (const char* bot : {"bon", "casse"}) fs::create_directories(ici / bot);
  std::ofstream(ici / "bon/bonjour.c") << "int main(void) { return 0; }\n";
  std::ofstream(ici / "tournoi.toml")
      << "nom = \"construit\"\n[match]\nduree = \"1s\"\nattente = 5\ndelai_fin = 1\n"
      << "[cage]\nlectures = [\"" << fs::path(BOT_DE_TEST).parent_path().string() << "\"]\n"
      << "[[bots]]\nnom = \"bon\"\ndossier = \"bon\"\nconstruction = \"cc -o bonjour bonjour.c\"\n"
      << "commande = \"./bonjour && python3 " << BOT_DE_TEST
      << " --port {port} --couleur {couleur}\"\n"
      << "[[bots]]\nnom = \"casse\"\ndossier = \"casse\"\nconstruction = \"cc -o x absent.c\"\n"
      << "commande = \"python3 " << BOT_DE_TEST << " --port {port} --couleur {couleur}\"\n";
  const auto fin =
      execute(ARENE_TOURNOI,
              {"lance", (ici / "tournoi.toml").string(), "--dossier", (ici / "t").string()}, 120s);
  EXPECT_EQ(fin.statut, 0) << fin.erreurs;
  EXPECT_NE(fin.erreurs.find("build failed for casse: exit 1"), std::string::npos) << fin.erreurs;
  EXPECT_NE(lit(ici / "t/constructions/casse.log").find("absent.c"), std::string::npos);
  const json match = json::parse(lit(ici / "t/resultats.jsonl"));
  for (const auto& b : match.at("bots")) {
    const bool bon = b.at("nom") == "bon";
    EXPECT_EQ(b.at("rang"), bon ? 1 : 2) << match.dump();
    EXPECT_EQ(b.at("defaillance"), bon ? json(nullptr) : json("construction")) << match.dump();
  }
  fs::remove_all(ici);
}

}  // namespace
