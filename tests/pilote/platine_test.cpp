// Playing a replay: what each key and the passing time do to the instant
// shown, over instants with a gap (lost ticks), as a recording may have.
#include "pilote/platine.h"

#include <gtest/gtest.h>

#include <sstream>

#include "pilote/tableau_relecture.h"

namespace {

constexpr double periode = 0.025;  // 10 s is 400 ticks

// Ticks 0 to 1000, but 600 to 619 were lost.
std::vector<std::int64_t> ticks_avec_trou() {
  std::vector<std::int64_t> ticks;
  for (std::int64_t t = 0; t <= 1000; ++t)
    if (t < 600 || t >= 620) ticks.push_back(t);
  return ticks;
}

Appui appui_de(const std::string& nom) {
  if (nom == "Left") return {Touche::Gauche};
  if (nom == "Right") return {Touche::Droite};
  if (nom == "Home") return {Touche::Debut};
  if (nom == "End") return {Touche::Fin};
  if (nom == "Enter") return {Touche::Entree};
  if (nom == "BSpace") return {Touche::Efface};
  if (nom == "Space") return {Touche::Espace};
  if (nom == "q") return {Touche::Quitte};
  return {Touche::Caractere, nom[0]};
}

// Presses the keys, named as tmux names them, blank-separated; false once one quits.
bool tape(Platine& platine, const std::string& touches) {
  std::istringstream noms(touches);
  for (std::string nom; noms >> nom;)
    if (!platine.appuie(appui_de(nom))) return false;
  return true;
}

struct CasTouches {
  std::string touches;
  std::int64_t tick;
  bool en_lecture;
  double vitesse;
  std::string saisie;
};

TEST(Platine, KeysMoveTheInstantTheSpeedAndThePlay) {
  const CasTouches cas[] = {
      {"", 0, true, 1.0, ""},
      {"Right", 1, false, 1.0, ""},
      {"Left", 0, false, 1.0, ""},
      {"End", 1000, true, 1.0, ""},
      {"End Space", 1000, false, 1.0, ""},
      {"End Space Space", 0, true, 1.0, ""},  // play from the end starts over
      {"Space", 0, false, 1.0, ""},
      {"]", 400, true, 1.0, ""},
      {"] ] ]", 1000, true, 1.0, ""},
      {"] [", 0, true, 1.0, ""},
      {"] Home", 0, true, 1.0, ""},
      {"6 1 0 Enter", 599, true, 1.0, ""},  // a lost tick shows the last one before it
      {"6 2 5 Enter", 625, true, 1.0, ""},
      {"5 9 9 Enter Right", 620, false, 1.0, ""},
      {"6 2 0 Enter Left", 599, false, 1.0, ""},
      {"9 9 9 9 9 9 Enter", 1000, true, 1.0, ""},
      {"1 2 BSpace 5 Enter", 15, true, 1.0, ""},
      {"1 2", 0, true, 1.0, "12"},
      {"1 2 Right", 1, false, 1.0, ""},  // another key drops the number and acts
      {"Enter", 0, true, 1.0, ""},
      {"+", 0, true, 2.0, ""},
      {"=", 0, true, 2.0, ""},
      {"+ + + + +", 0, true, 8.0, ""},
      {"- - - - -", 0, true, 0.25, ""},
  };
  for (const auto& c : cas) {
    Platine platine(ticks_avec_trou(), periode);
    EXPECT_TRUE(tape(platine, c.touches));
    EXPECT_EQ(platine.tick(), c.tick) << c.touches;
    EXPECT_EQ(platine.en_lecture(), c.en_lecture) << c.touches;
    EXPECT_EQ(platine.vitesse(), c.vitesse) << c.touches;
    EXPECT_EQ(platine.saisie(), c.saisie) << c.touches;
  }
  Platine platine(ticks_avec_trou(), periode);
  EXPECT_FALSE(tape(platine, "Right q"));
}

struct CasTemps {
  std::string touches;
  std::vector<double> secondes;  // one call of avance each
  std::int64_t tick;
  bool en_lecture;
};

TEST(Platine, PlayingMovesOnWithTimeAndSpeedAndStopsAtTheEnd) {
  const CasTemps cas[] = {
      {"", {1.0}, 40, true},
      {"+ + +", {1.0}, 320, true},
      {"- -", {1.0}, 10, true},
      {"", std::vector<double>(10, 0.0125), 5, true},  // half ticks add up
      {"", {100.0}, 1000, false},
      {"Space", {1.0}, 0, false},
      {"Right", {1.0}, 1, false},
      {"5 9 9 Enter", {0.5}, 599, true},  // inside the gap: the last tick before it
      {"5 9 9 Enter", {0.5, 0.5}, 639, true},
      {"End Space Space", {0.25}, 10, true},
  };
  for (const auto& c : cas) {
    Platine platine(ticks_avec_trou(), periode);
    ASSERT_TRUE(tape(platine, c.touches));
    for (const double s : c.secondes) platine.avance(std::chrono::duration<double>(s));
    EXPECT_EQ(platine.tick(), c.tick) << c.touches << " x" << c.secondes.size();
    EXPECT_EQ(platine.en_lecture(), c.en_lecture) << c.touches;
  }
}

std::string texte(const std::vector<Morceau>& ligne) {
  std::string s;
  for (const Morceau& m : ligne) s += m.texte;
  return s;
}

TEST(LigneDeRelecture, ShowsWhatBecameOfEachColourAsFarAsItFits) {
  const std::vector<Bilan> bilans = {
      {255, Bilan::Sort::EnJeu, 4, 0, 0},
      {16711680, Bilan::Sort::Detruit, 0, 255, 98},
      {-7, Bilan::Sort::Parti, 0, 0, 40},
  };
  Platine platine({0, 1, 2}, periode);
  const std::string tout =
      "tick 0/2  1x  playing  255 life 4  16711680 destroyed by 255 at 98  -7 left at 40";
  const std::pair<std::size_t, std::string> cas[] = {
      {200, tout},
      {tout.size(), tout},
      {tout.size() - 1, "tick 0/2  1x  playing  255 life 4  16711680 destroyed by 255 at 98  +1"},
      {40, "tick 0/2  1x  playing  255 life 4  +2"},
      {10, "tick 0/2  1x  playing  +3"},
  };
  for (const auto& [largeur, attendu] : cas)
    EXPECT_EQ(texte(ligne_de_relecture(platine, bilans, true, largeur)), attendu) << largeur;
  const auto ligne = ligne_de_relecture(platine, bilans, true, 200);
  ASSERT_EQ(ligne.size(), 4u);
  EXPECT_FALSE(ligne[0].couleur);
  EXPECT_EQ(ligne[2].couleur, visible_sur_noir(0xFF0000));

  ASSERT_TRUE(tape(platine, "End Space - 2"));
  EXPECT_EQ(texte(ligne_de_relecture(platine, {}, false, 200)),
            "tick 2/2 (cut short)  0.5x  paused");
  EXPECT_EQ(aide_de_relecture(platine, 80), "go to tick 2_  Enter: go  Backspace: erase");
  ASSERT_TRUE(tape(platine, "BSpace"));
  EXPECT_LE(aide_de_relecture(platine, 80).size(), 80u) << "the keys fit 80 columns";
  EXPECT_NE(aide_de_relecture(platine, 100).find("Home/End"), std::string::npos);
}

}  // namespace
