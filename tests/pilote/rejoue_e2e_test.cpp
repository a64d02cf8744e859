// arene-pilote --rejoue in a real terminal, on a match that the real
// arene-arbitre recorded while two scripted bots played it: keys typed with
// tmux move the replay, and the ships on the captured screen stand where the
// renderer puts the lists that arene-relecture rebuilds for that tick.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "config/configuration.h"
#include "pilote/aides_tmux.h"
#include "pilote/rendu.h"
#include "world/constantes.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int ticks_du_match = 160;

// Steers until the match server closes the connection: full speed, turning
// and firing, so that the ships keep moving.
void joue_jusqu_a_la_fin(int port, long long couleur, const std::string& virage) {
  try {
    ClientDeTest client(port);
    if (client.enregistre(couleur) != "VAISSEAU ENREGISTRE\r\n") return;
    for (int i = 0; i < 2000; ++i) {
      if (client.demande("PUT ACTION ACCELERE\r\n").empty()) return;
      if (client.demande(i % 2 ? virage : "PUT ACTION TIRE\r\n").empty()) return;
      std::this_thread::sleep_for(5ms);
    }
  } catch (const std::runtime_error&) {
    // The server closed the connection in the middle of a send: the match is over.
  }
}

constexpr const char* nom_du_rouge = "Rouge Écarlate";

// The real match server records two bots' match of ticks_du_match ticks; the
// red one has a name.
void enregistre_un_match(const fs::path& fichier) {
  ServeurDeTest arbitre({"--graine", "7", "--joueurs", "2", "--duree",
                         std::to_string(ticks_du_match) + "t", "--enregistre", fichier.string(),
                         "--nom", std::string("0xFF0000=") + nom_du_rouge});
  std::thread rouge(joue_jusqu_a_la_fin, arbitre.port(), 0xFF0000, "PUT ACTION GAUCHE\r\n");
  std::thread vert(joue_jusqu_a_la_fin, arbitre.port(), 0x00FF00, "PUT ACTION DROITE\r\n");
  rouge.join();
  vert.join();
  ASSERT_EQ(arbitre.processus().attend_fin(20s), 0) << arbitre.processus().erreurs(100ms);
}

// The reader's ship list of one tick: [[x, y, angle, pt_vie, couleur], ...].
// The names of the ships listed come with it.
json vaisseaux_du_lecteur(const fs::path& fichier, int tick) {
  Processus lecteur(ARENE_RELECTURE, {fichier.string(), "--tick", std::to_string(tick)});
  EXPECT_EQ(lecteur.attend_fin(10s), 0) << lecteur.erreurs(100ms);
  const json ligne = json::parse(lecteur.sortie());
  const auto rouge = std::find_if(ligne.at("vaisseaux").begin(), ligne.at("vaisseaux").end(),
                                  [](const json& v) { return v.at(4) == 0xFF0000; });
  EXPECT_EQ(ligne.value("noms", json::array()), rouge == ligne.at("vaisseaux").end()
                                                    ? json::array()
                                                    : json::array({{0xFF0000, nom_du_rouge}}));
  return ligne.at("vaisseaux");
}

struct Fleche {
  int colonne, ligne;
  char32_t glyphe;
};

// Where the live renderer draws those ships on the 100 x 40 pane.
std::vector<Fleche> fleches_attendues(const json& vaisseaux) {
  Instantane i;
  i.largeur = world::largeur_plateau;
  i.hauteur = world::hauteur_plateau;
  i.rayon_vaisseau = config::rayon_vaisseau;
  for (const json& v : vaisseaux)
    i.vaisseaux.push_back(commun::VaisseauVu{v.at(0).get<double>(), v.at(1).get<double>(),
                                             v.at(2).get<double>(), v.at(3).get<std::int64_t>(),
                                             v.at(4).get<std::int64_t>()});
  const Rendu rendu = rend(i, {100, 40});
  std::vector<Fleche> fleches;
  for (int y = 0; y < rendu.grille.lignes; ++y)
    for (int x = 0; x < rendu.grille.colonnes; ++x)
      if (const char32_t g = rendu.grille.a(x, y).glyphe; g >= U'\u2190' && g <= U'\u2199')
        fleches.push_back({x, y, g});
  return fleches;
}

// The captured pane, one code point per cell.
std::vector<std::u32string> cellules(const std::string& ecran) {
  std::vector<std::u32string> lignes(1);
  for (std::size_t k = 0; k < ecran.size();) {
    const auto octet = static_cast<unsigned char>(ecran[k]);
    if (octet == '\n') {
      lignes.emplace_back();
      ++k;
      continue;
    }
    const int n = octet < 0x80 ? 1 : octet < 0xE0 ? 2 : octet < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? octet : octet & (0x7F >> n);
    for (int j = 1; j < n && k + j < ecran.size(); ++j)
      c = (c << 6) | (static_cast<unsigned char>(ecran[k + j]) & 0x3F);
    lignes.back() += c;
    k += n;
  }
  return lignes;
}

class RelectureEnTerminal : public TestEnTerminal {
 protected:
  // Waits for the status line of `tick`, then checks each ship of the reader's tick.
  void verifie_tick(SessionTmux& session, const fs::path& fichier, int tick) {
    const std::string attendu =
        "tick " + std::to_string(tick) + "/" + std::to_string(ticks_du_match) + "  ";
    std::string ecran;
    ASSERT_TRUE(
        attend([&] { return (ecran = session.ecran()).find(attendu) != std::string::npos; }, 10s))
        << attendu << "\n"
        << ecran;
    const json vaisseaux = vaisseaux_du_lecteur(fichier, tick);
    ASSERT_FALSE(vaisseaux.empty()) << "tick " << tick;
    const auto fleches = fleches_attendues(vaisseaux);
    ASSERT_FALSE(fleches.empty());
    const auto vu = cellules(ecran);
    for (const Fleche& f : fleches) {
      ASSERT_LT(f.ligne, static_cast<int>(vu.size()));
      ASSERT_LT(f.colonne, static_cast<int>(vu[f.ligne].size())) << ecran;
      EXPECT_EQ(vu[f.ligne][f.colonne], f.glyphe)
          << "tick " << tick << ", cell " << f.colonne << "," << f.ligne << "\n"
          << ecran;
    }
  }
};

TEST_F(RelectureEnTerminal, SeeksAndStepsAndDrawsTheShipsWhereTheReaderSays) {
  const fs::path fichier = dossier_.chemin() / "match.gz";
  enregistre_un_match(fichier);
  if (HasFatalFailure()) return;
  SessionTmux session(tmux_, dossier_.chemin(),
                      commande_pilote(dossier_.chemin(), {"--rejoue", fichier.string()}));
  std::string ecran;
  ASSERT_TRUE(
      attend([&] { return (ecran = session.ecran()).find("space: ") != std::string::npos; }, 10s))
      << ecran << lit_fichier(dossier_.chemin() / "erreurs");
  session.tape("Right");  // stops the play
  for (const char* touche : {"8", "0", "Enter"}) session.tape(touche);
  verifie_tick(session, fichier, 80);
  EXPECT_NE(session.ecran().find(std::string(nom_du_rouge) + " life"), std::string::npos)
      << "the status line names the red ship";
  session.tape("Right");
  verifie_tick(session, fichier, 81);
  session.tape("Left");
  session.tape("Left");
  verifie_tick(session, fichier, 79);
  session.tape("End");
  verifie_tick(session, fichier, ticks_du_match);
  session.tape("Home");
  verifie_tick(session, fichier, 0);
  EXPECT_NE(session.ecran().find("paused"), std::string::npos);

  session.tape("q");
  EXPECT_EQ(statut_final(dossier_.chemin(), 10s), 0);
  EXPECT_EQ(lit_fichier(dossier_.chemin() / "erreurs"), "");
}

}  // namespace
