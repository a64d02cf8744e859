// arene-pilote in a real terminal: tmux runs it, send-keys types, capture-pane
// reads the screen, and a second connection to the real server checks what
// the keys did to the world.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pilote/aides_e2e.h"

namespace {

namespace fs = std::filesystem;

std::optional<std::string> cherche_programme(const std::string& nom) {
  const char* chemin = std::getenv("PATH");
  std::stringstream dossiers(chemin ? chemin : "/usr/bin:/bin");
  for (std::string dossier; std::getline(dossiers, dossier, ':');)
    if (!dossier.empty() && ::access((dossier + "/" + nom).c_str(), X_OK) == 0)
      return dossier + "/" + nom;
  return std::nullopt;
}

std::string lit_fichier(const fs::path& chemin) {
  std::ifstream f(chemin);
  return {std::istreambuf_iterator<char>(f), {}};
}

// A temporary folder for what the shell around arene-pilote writes.
class Dossier {
 public:
  Dossier() {
    std::string modele = (fs::temp_directory_path() / "arene-pilote-XXXXXX").string();
    if (::mkdtemp(modele.data()) == nullptr) throw std::runtime_error("mkdtemp");
    chemin_ = modele;
  }
  ~Dossier() {
    std::error_code ignore;
    fs::remove_all(chemin_, ignore);
  }
  const fs::path& chemin() const { return chemin_; }

 private:
  fs::path chemin_;
};

// A tmux server of our own, its socket in `dossier` so that nothing is left
// behind; killed with everything in it when the object goes.
class SessionTmux {
 public:
  SessionTmux(std::string tmux, const fs::path& dossier, const std::string& commande)
      : tmux_(std::move(tmux)), socket_((dossier / "tmux").string()) {
    // A detached session needs no terminal of ours, but tmux wants a TERM.
    ::setenv("TERM", "xterm-256color", /*overwrite=*/0);
    lance({"new-session", "-d", "-x", "100", "-y", "40", "-s", "pilote", commande});
  }
  ~SessionTmux() { lance({"kill-server"}); }
  SessionTmux(const SessionTmux&) = delete;
  SessionTmux& operator=(const SessionTmux&) = delete;

  std::string ecran() { return lance({"capture-pane", "-p", "-t", "pilote"}); }
  void tape(const std::string& touche) { lance({"send-keys", "-t", "pilote", touche}); }
  // The shell that runs the pane's command.
  pid_t shell() {
    return static_cast<pid_t>(std::stol(lance({"display", "-p", "-t", "pilote", "#{pane_pid}"})));
  }

 private:
  std::string lance(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"-u", "-S", socket_});
    Processus p(tmux_, arguments);
    p.attend_fin(10s);
    return p.sortie();
  }
  std::string tmux_;
  std::string socket_;
};

std::string entre_quotes(const std::string& texte) { return "'" + texte + "'"; }

// The shell line run in the pane: arene-pilote, then its exit status and the
// terminal's modes once it has gone, each in a file of `dossier`.
std::string commande_pilote(const fs::path& dossier, const std::vector<std::string>& options) {
  std::string ligne = "LANG=C.UTF-8 " + entre_quotes(binaire_pilote());
  for (const auto& o : options) ligne += " " + entre_quotes(o);
  ligne += " 2>" + entre_quotes(dossier / "erreurs") + "; echo $? >" +
           entre_quotes(dossier / "statut.tmp") + "; stty -a >" + entre_quotes(dossier / "stty") +
           "; mv " + entre_quotes(dossier / "statut.tmp") + " " + entre_quotes(dossier / "statut");
  return ligne;
}

std::optional<int> statut_final(const fs::path& dossier, Duree delai) {
  std::optional<int> statut;
  attend(
      [&] {
        const std::string texte = lit_fichier(dossier / "statut");
        if (!texte.empty()) statut = std::stoi(texte);
        return statut.has_value();
      },
      delai);
  return statut;
}

class TerminalPilote : public testing::Test {
 protected:
  void SetUp() override {
    const auto chemin = cherche_programme("tmux");
    if (!chemin) GTEST_SKIP() << "tmux is not installed: apt-get install tmux";
    tmux_ = *chemin;
  }
  std::string tmux_;
  Dossier dossier_;
};

TEST_F(TerminalPilote, NobodyListeningExitsWithTwoAndSaysWhy) {
  const int port = port_libre();
  SessionTmux session(tmux_, dossier_.chemin(),
                      commande_pilote(dossier_.chemin(), {"--port", std::to_string(port)}));
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 2);
  EXPECT_EQ(lit_fichier(dossier_.chemin() / "erreurs"),
            "arene-pilote: cannot reach the server: 127.0.0.1:" + std::to_string(port) +
                ": connect: Connection refused\n");
}

TEST_F(TerminalPilote, ADroppedConnectionExitsWithThreeAndSaysWhy) {
  EcouteEtrangere serveur;  // closes without a word
  SessionTmux session(
      tmux_, dossier_.chemin(),
      commande_pilote(dossier_.chemin(), {"--port", std::to_string(serveur.port())}));
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 3);
  EXPECT_EQ(lit_fichier(dossier_.chemin() / "erreurs"),
            "arene-pilote: connection to 127.0.0.1:" + std::to_string(serveur.port()) +
                " lost: the server closed the connection\n");
}

bool contient(const std::string& texte, const std::string& morceau) {
  return texte.find(morceau) != std::string::npos;
}

// The board's border and a status line with every figure, life points full.
bool plateau_affiche(const std::string& ecran, long long couleur) {
  return contient(ecran, "\u250C\u2500") && contient(ecran, "\u2500\u2510") &&
         contient(ecran, "\u2514\u2500") && contient(ecran, "\u2500\u2518") &&
         contient(ecran, "life 5/5  speed 0.00  ships ") &&
         contient(ecran, "colour " + std::to_string(couleur) + "  left/right: turn") &&
         contient(ecran, "ticks/s") && contient(ecran, "rtt ");
}

bool liste_contient(ClientDeTest& client, const char* requete, long long couleur) {
  const auto lignes = liste(client, requete);
  if (!lignes) return false;
  const auto couleurs = couleurs_de(*lignes);
  return std::find(couleurs.begin(), couleurs.end(), couleur) != couleurs.end();
}

TEST_F(TerminalPilote, ShowsTheBoardFiresOnSpaceAndLeavesOnQ) {
  ServeurDeTest serveur;
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(0x123456), "VAISSEAU ENREGISTRE\r\n");
  constexpr long long couleur = 0xFF8000;
  SessionTmux session(tmux_, dossier_.chemin(),
                      commande_pilote(dossier_.chemin(), {"--port", std::to_string(serveur.port()),
                                                          "--couleur", std::to_string(couleur)}));
  std::string ecran;
  EXPECT_TRUE(attend([&] { return plateau_affiche(ecran = session.ecran(), couleur); }, 10s))
      << ecran << lit_fichier(dossier_.chemin() / "erreurs");
  EXPECT_TRUE(liste_contient(observateur, "GET VAISSEAUX", couleur));

  // A bullet hitting a cube right ahead lives one tick at least; poll well inside that.
  bool balle_vue = false;
  for (int essai = 0; essai < 3 && !balle_vue; ++essai) {
    session.tape("Space");
    balle_vue = attend([&] { return liste_contient(observateur, "GET BALLES", couleur); }, 2s);
  }
  EXPECT_TRUE(balle_vue);

  session.tape("q");
  EXPECT_TRUE(attend([&] { return !liste_contient(observateur, "GET VAISSEAUX", couleur); }, 5s));
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 0) << lit_fichier(dossier_.chemin() / "erreurs");
  EXPECT_EQ(lit_fichier(dossier_.chemin() / "erreurs"), "");
}

std::vector<std::string> mots(const std::string& texte) {
  std::vector<std::string> resultat;
  std::string mot;
  for (const char c : texte + " ") {
    if (c == ' ' || c == ';' || c == '\n') {
      if (!mot.empty()) resultat.push_back(mot);
      mot.clear();
    } else {
      mot += c;
    }
  }
  return resultat;
}

std::optional<pid_t> premier_enfant(pid_t parent) {
  std::ifstream enfants("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) +
                        "/children");
  pid_t pid = 0;
  if (enfants >> pid) return pid;
  return std::nullopt;
}

TEST_F(TerminalPilote, SigtermRestoresTheTerminalAndExitsWith143) {
  ServeurDeTest serveur;
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  SessionTmux session(tmux_, dossier_.chemin(),
                      commande_pilote(dossier_.chemin(), {"--port", std::to_string(serveur.port()),
                                                          "--couleur", "255"}));
  std::string ecran;
  ASSERT_TRUE(attend([&] { return plateau_affiche(ecran = session.ecran(), 255); }, 10s)) << ecran;
  const auto pilote = premier_enfant(session.shell());
  ASSERT_TRUE(pilote);
  ASSERT_EQ(::kill(*pilote, SIGTERM), 0);
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 128 + SIGTERM);
  const auto modes = mots(lit_fichier(dossier_.chemin() / "stty"));
  for (const char* mode : {"icanon", "echo", "isig"})
    EXPECT_NE(std::find(modes.begin(), modes.end(), mode), modes.end()) << mode;
}

}  // namespace
