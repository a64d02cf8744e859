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

#include "pilote/aides_tmux.h"

namespace {

namespace fs = std::filesystem;

using TerminalPilote = TestEnTerminal;

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

// The names of a --noms file: the player's own first in its status line, and
// each named ship's beside it on the board.
TEST_F(TerminalPilote, NamesFromAFileShowInTheStatusAndBesideTheShips) {
  ServeurDeTest serveur({"--graine", "3"});
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(0x123456), "VAISSEAU ENREGISTRE\r\n");
  std::ofstream(dossier_.chemin() / "noms.txt") << "# salle 12\n0xFF8000 Ana Éa\n"
                                                << "1193046 Bob Léger\n";
  SessionTmux session(
      tmux_, dossier_.chemin(),
      commande_pilote(dossier_.chemin(),
                      {"--port", std::to_string(serveur.port()), "--couleur", "0xFF8000", "--noms",
                       (dossier_.chemin() / "noms.txt").string()}));
  std::string ecran;
  EXPECT_TRUE(attend(
      [&] {
        ecran = session.ecran();
        return contient(ecran, "Ana Éa  colour 16744448  left/right: turn") &&
               contient(ecran, "Bob Léger");
      },
      10s))
      << ecran << lit_fichier(dossier_.chemin() / "erreurs");
  session.tape("q");
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 0) << lit_fichier(dossier_.chemin() / "erreurs");
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
