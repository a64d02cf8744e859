// The season through the real binaries: arene-ligue sert plays short matches
// of sample bots through arene-tournoi, counts each once, survives SIGTERM
// and kill -9, is copied while it writes, and relays its live match.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "ligue/base.h"
#include "ligue/ligue_de_test.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::vector<std::string> bots{"immobile", "tourneur", "prudent", "viseur"};

class Saison : public ::testing::Test {
 protected:
  LigueDeTest l{"saison_e2e"};
  const fs::path& racine = l.racine;
  const fs::path& ligue = l.dossier;

  // Four students, each with a ready sample bot; matches of three, 2 s long.
  void SetUp() override {
    const Execution init = l.init("nom\nAlice\nBob\nChloé\nDavid <b>\n");
    ASSERT_EQ(init.statut, 0) << init.erreurs;
    remplace(ligue / "ligue.toml", {{"joueurs = 4", "joueurs = 3"}, {"\"60s\"", "\"2s\""}});
    Base base = ouvre_base(ligue / "ligue.sqlite", false);
    for (std::size_t i = 0; i < bots.size(); ++i) {
      const fs::path dossier = ligue / "versions" / std::to_string(i + 1);
      fs::create_directories(dossier);
      // The sample bots with the modules they share; the kit through PYTHONPATH.
      for (const auto& f : fs::directory_iterator(BOTS))
        if (f.path().extension() == ".py") fs::copy_file(f.path(), dossier / f.path().filename());
      execute_avec(base.get(),
                   "INSERT INTO versions (eleve, numero, langage, deposee, etat, commande) "
                   "VALUES (?1, 1, 'python', datetime('now'), 'prete', ?2)",
                   {std::to_string(i + 1), "PYTHONPATH=" KITS "/python python3 " + bots[i] +
                                               ".py --host {host} --port {port} --couleur "
                                               "{couleur} --duree {duree}"});
    }
  }

  static void remplace(const fs::path& fichier,
                       const std::vector<std::pair<std::string, std::string>>& changements) {
    std::ifstream lu(fichier);
    std::string texte((std::istreambuf_iterator<char>(lu)), {});
    for (const auto& [avant, apres] : changements) {
      const auto ou = texte.find(avant);
      ASSERT_NE(ou, std::string::npos) << avant;
      texte.replace(ou, avant.size(), apres);
    }
    std::ofstream(fichier) << texte;
  }

  std::unique_ptr<Processus> sert(int& port) {
    ServiceLigue s = sert_ligue(ligue, {"-j", "2"});
    EXPECT_NE(s.port, 0) << s.processus->erreurs();
    port = s.port;
    return std::move(s.processus);
  }

  // One number the database says, read as a separate reader would.
  static std::int64_t nombre(const fs::path& fichier, const std::string& sql) {
    Base base = ouvre_base(fichier, true);
    Requete r = prepare(base.get(), sql);
    return sqlite3_step(r.get()) == SQLITE_ROW ? sqlite3_column_int64(r.get(), 0) : -1;
  }
  std::int64_t nombre(const std::string& sql) const { return nombre(ligue / "ligue.sqlite", sql); }

  bool attend(const std::string& sql, std::int64_t au_moins, Duree delai) const {
    const auto fin = std::chrono::steady_clock::now() + delai;
    while (std::chrono::steady_clock::now() < fin) {
      if (nombre(sql) >= au_moins) return true;
      std::this_thread::sleep_for(200ms);
    }
    return false;
  }

  // The processes still running from this league's folder: its matches'.
  std::size_t restes() const {
    std::size_t n = 0;
    for (const auto& p : fs::directory_iterator("/proc")) {
      std::ifstream f(p.path() / "cmdline");
      std::string ligne((std::istreambuf_iterator<char>(f)), {});
      n += ligne.find(racine.string()) != std::string::npos;
    }
    return n;
  }

  // What must hold whatever happened: no match counted twice or by halves.
  void coherente(const fs::path& fichier) const {
    EXPECT_EQ(nombre(fichier,
                     "SELECT COUNT(*) FROM matchs m WHERE etat = 'fini' AND "
                     "(SELECT COUNT(*) FROM participations p WHERE p.match = m.id "
                     "AND rang IS NOT NULL) <> 3"),
              0);
    EXPECT_EQ(nombre(fichier,
                     "SELECT COUNT(*) FROM participations p JOIN matchs m ON "
                     "m.id = p.match WHERE m.etat <> 'fini' AND rang IS NOT NULL"),
              0);
    EXPECT_EQ(nombre(fichier,
                     "SELECT COUNT(*) FROM (SELECT 1 FROM historique_notes "
                     "GROUP BY version, apres_match HAVING COUNT(*) > 1)"),
              0);
    // A rating line after each finished match, for each bot rated by then.
    EXPECT_EQ(nombre(fichier,
                     "SELECT COUNT(*) FROM matchs WHERE etat = 'fini' AND id NOT IN "
                     "(SELECT apres_match FROM historique_notes)"),
              0);
  }
};

// The entries of a .tar.gz: each name with its bytes.
std::map<std::string, std::string> entrees_tar_gz(const std::string& octets) {
  std::unique_ptr<archive, int (*)(archive*)> a(archive_read_new(), archive_read_free);
  archive_read_support_filter_gzip(a.get());
  archive_read_support_format_tar(a.get());
  std::map<std::string, std::string> entrees;
  if (archive_read_open_memory(a.get(), octets.data(), octets.size()) != ARCHIVE_OK) return entrees;
  archive_entry* e = nullptr;
  while (archive_read_next_header(a.get(), &e) == ARCHIVE_OK) {
    std::string contenu(static_cast<std::size_t>(archive_entry_size(e)), '\0');
    archive_read_data(a.get(), contenu.data(), contenu.size());
    entrees[archive_entry_pathname(e)] = contenu;
  }
  return entrees;
}

std::string lit(const fs::path& chemin) {
  std::ifstream f(chemin, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// What the private pages show of a season under way: the matches being
// played and where, replays opened in the viewer through the token's link,
// every recording in one archive, the student's rating drawn.
void pages_de_la_saison(const LigueDeTest& l, int port) {
  const std::string admin = "/admin/" + l.admin;
  std::string page;
  for (int i = 0; i < 100 && page.find(">pid ") == std::string::npos; ++i) {
    page = get_http(port, admin).corps;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_NE(page.find("<p id=postes>2 matches at once · here</p>"), std::string::npos) << page;
  const std::regex en_cours(
      R"(<tr><td class=n>(\d+)</td><td>[^<]*v1, [^<]*</td><td>[^<]+</td><td>pid (\d+)</td>)");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, en_cours)) << page;
  EXPECT_EQ(lit(l.dossier / "matchs" / m[1].str() / "pid"), m[2].str() + "\n");

  const std::string eleve = get_http(port, "/eleve/" + l.eleve).corps;
  EXPECT_NE(eleve.find("<div class=courbe>v1 <svg"), std::string::npos) << eleve;
  const std::regex relecture(R"r(href="/visionneuse\.html\?enregistrement=([^"]+)")r");
  ASSERT_TRUE(std::regex_search(eleve, m, relecture)) << eleve;
  const std::string lien = std::regex_replace(m[1].str(), std::regex("%2F"), "/");
  EXPECT_TRUE(lien.starts_with("/eleve/" + l.eleve + "/enregistrement/")) << lien;
  const ReponseHttp enregistrement = get_http(port, lien);
  EXPECT_EQ(enregistrement.statut, 200);
  EXPECT_TRUE(enregistrement.corps.starts_with("\x1f\x8b")) << lien;
  const ReponseHttp visionneuse = get_http(port, "/visionneuse.html");
  EXPECT_NE(visionneuse.entete.find("script-src 'unsafe-inline'; connect-src 'self'"),
            std::string::npos)
      << visionneuse.entete;

  const ReponseHttp lot = get_http(port, admin + "/enregistrements.tar.gz");
  EXPECT_EQ(lot.statut, 200);
  const auto entrees = entrees_tar_gz(lot.corps);
  EXPECT_GE(entrees.size(), 4u);
  for (const auto& [nom, contenu] : entrees) {
    ASSERT_TRUE(std::regex_match(nom, m, std::regex(R"(match-(\d+)\.jsonl\.gz)"))) << nom;
    EXPECT_EQ(contenu, lit(l.dossier / "matchs" / m[1].str() / "matchs" / "0000" /
                           "enregistrement.jsonl.gz"))
        << nom;
  }
}

TEST_F(Saison, JoueCompteEtSArretePropre) {
  int port = 0;
  auto service = sert(port);
  ASSERT_TRUE(attend("SELECT COUNT(*) FROM matchs WHERE etat = 'fini'", 1, 90s))
      << service->erreurs();
  // Copied while the season goes on writing.
  const fs::path copie = racine / "copie.sqlite";
  const Execution sauvegarde = execute(ARENE_LIGUE, {"sauvegarde", ligue, copie}, 60s);
  ASSERT_EQ(sauvegarde.statut, 0) << sauvegarde.erreurs;
  ASSERT_TRUE(attend("SELECT COUNT(*) FROM matchs WHERE etat = 'fini'", 4, 120s))
      << service->erreurs();
  EXPECT_EQ(nombre(copie, "SELECT COUNT(*) FROM eleves"), 4);
  coherente(copie);

  // Every bot played, all within the spread; the page draws their ratings.
  EXPECT_EQ(nombre("SELECT COUNT(DISTINCT version) FROM participations"), 4);
  EXPECT_LE(nombre("SELECT MAX(n) - MIN(n) FROM (SELECT COUNT(*) n FROM participations p JOIN "
                   "matchs m ON m.id = p.match WHERE m.etat <> 'abandonne' GROUP BY version)"),
            2);
  const ReponseHttp page = get_http(port, "/");
  EXPECT_EQ(page.statut, 200);
  EXPECT_NE(page.corps.find("<polyline"), std::string::npos) << page.corps;
  EXPECT_NE(page.corps.find("David &lt;b&gt;"), std::string::npos);
  // The bots really played: registered, none crashed.
  std::ifstream resultat(ligue / "matchs" /
                         std::to_string(nombre("SELECT MIN(id) FROM matchs WHERE etat = 'fini'")) /
                         "matchs" / "0000" / "resultat.json");
  const std::string ligne((std::istreambuf_iterator<char>(resultat)), {});
  EXPECT_NE(ligne.find("\"statut\":\"termine\""), std::string::npos) << ligne;
  EXPECT_EQ(ligne.find("\"defaillance\":\""), std::string::npos) << ligne;
  pages_de_la_saison(l, port);

  ::kill(service->pid(), SIGTERM);
  EXPECT_EQ(service->attend_fin(60s), 0) << service->erreurs();
  EXPECT_EQ(nombre("SELECT COUNT(*) FROM matchs WHERE etat = 'en_cours'"), 0);
  EXPECT_EQ(restes(), 0u);
  coherente(ligue / "ligue.sqlite");
}

TEST_F(Saison, UnKill9PerdSesMatchsQuiSontRejoues) {
  int port = 0;
  auto service = sert(port);
  ASSERT_TRUE(attend("SELECT COUNT(*) FROM matchs WHERE etat = 'en_cours'", 2, 60s))
      << service->erreurs();
  std::this_thread::sleep_for(1500ms);  // their referees and bots under way
  ::kill(service->pid(), SIGKILL);
  ASSERT_EQ(service->attend_fin(10s), -SIGKILL);
  const std::int64_t interrompus = nombre("SELECT COUNT(*) FROM matchs WHERE etat = 'en_cours'");
  ASSERT_GE(interrompus, 1);
  const std::int64_t premier = nombre("SELECT MIN(id) FROM matchs WHERE etat = 'en_cours'");
  coherente(ligue / "ligue.sqlite");

  service = sert(port);
  ASSERT_TRUE(
      attend("SELECT COUNT(*) FROM matchs WHERE etat = 'fini' AND id = " + std::to_string(premier),
             1, 90s))
      << service->erreurs();
  ::kill(service->pid(), SIGTERM);
  EXPECT_EQ(service->attend_fin(60s), 0) << service->erreurs();
  EXPECT_EQ(restes(), 0u);
  coherente(ligue / "ligue.sqlite");
}

// The live stream through the league's port: a browser that stops reading
// is dropped within seconds, while another goes on with the same match.
TEST_F(Saison, LeDirectLacheUnLecteurMuetSansFaireAttendreLesAutres) {
  remplace(ligue / "ligue.toml", {{"\"2s\"", "\"40s\""}});
  int port = 0;
  auto service = sert(port);
  const auto limite = std::chrono::steady_clock::now() + 60s;
  std::string direct;
  do {
    std::this_thread::sleep_for(200ms);
    direct = get_http(port, "/direct.json").corps;
  } while (direct.find("\"match\":null") != std::string::npos &&
           std::chrono::steady_clock::now() < limite);
  ASSERT_NE(direct.find("\"match\":"), std::string::npos) << direct;
  ASSERT_EQ(direct.find("\"match\":null"), std::string::npos) << service->erreurs();

  const transport::Socket muet = spectateur_muet(port, "", "/direct/flux");
  FluxDeTest lecteur(port, "", "/direct/flux");
  const auto debut = std::chrono::steady_clock::now();
  std::size_t messages = 0;
  auto dernier = debut;
  while (std::chrono::steady_clock::now() - debut < 25s)
    if (lecteur.message(1s)) ++messages, dernier = std::chrono::steady_clock::now();
  EXPECT_GT(messages, 100u);
  EXPECT_GT(dernier - debut, 20s);

  // What the silent one was sent is a few buffers' worth, then the end.
  std::size_t recus = 0;
  bool coupe = false;
  char tampon[65536];
  for (int i = 0; i < 500 && !coupe; ++i) {
    const ssize_t n = ::recv(muet.fd(), tampon, sizeof tampon, MSG_DONTWAIT);
    if (n > 0) recus += static_cast<std::size_t>(n);
    coupe = n == 0 || (n < 0 && errno != EAGAIN);
    if (n < 0 && errno == EAGAIN) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(coupe) << recus << " bytes and still open";
  EXPECT_LT(recus, 256u * 1024);
}

}  // namespace
