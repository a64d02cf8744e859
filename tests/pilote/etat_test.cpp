#include "pilote/etat.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(VitesseApres, FollowsTheServersStepsAndClamps) {
  double v = 0.0;
  for (int i = 0; i < 60; ++i) v = vitesse_apres(v, Action::Accelere);
  EXPECT_LT(v, 3.0);  // sixty steps of 0.05 add up to just under 3
  EXPECT_GT(v, 2.99);
  v = vitesse_apres(v, Action::Accelere);
  EXPECT_EQ(v, 3.0);
  EXPECT_EQ(vitesse_apres(v, Action::Accelere), 3.0);
  EXPECT_EQ(vitesse_apres(2.98, Action::Accelere), 3.0);
  v = 0.0;
  for (int i = 0; i < 39; ++i) v = vitesse_apres(v, Action::Decelere);
  EXPECT_GT(v, -2.0);
  v = vitesse_apres(v, Action::Decelere);
  EXPECT_EQ(v, -2.0);
  EXPECT_EQ(vitesse_apres(-2.0, Action::Decelere), -2.0);
  for (const Action a : {Action::Tire, Action::Gauche, Action::Droite})
    EXPECT_EQ(vitesse_apres(1.25, a), 1.25);
}

struct CasTick {
  const char* nom;
  Releve apres;
  bool tick;
  bool different;
};

TEST(TickEntre, OnlyWhatATickDoesCountsAsATick) {
  const Releve avant{{{100.0, 100.0, 0.0, 5, 1}, {500.0, 500.0, 1.0, 5, 2}},
                     {{10.0, 10.0, 1}, {20.0, 20.0, 2}}};
  const CasTick cas[] = {
      {"the same", avant, false, false},
      {"a ship turned",
       {{{100.0, 100.0, 0.05, 5, 1}, avant.vaisseaux[1]}, avant.balles},
       false,
       true},
      {"a new bullet at the head",
       {avant.vaisseaux, {{30.0, 30.0, 1}, avant.balles[0], avant.balles[1]}},
       false,
       true},
      {"a new ship",
       {{{9.0, 9.0, 0.0, 5, 3}, avant.vaisseaux[0], avant.vaisseaux[1]}, avant.balles},
       false,
       true},
      {"a ship left", {{avant.vaisseaux[1]}, avant.balles}, false, true},
      {"a ship moved", {{{101.0, 100.0, 0.0, 5, 1}, avant.vaisseaux[1]}, avant.balles}, true, true},
      {"a ship was hit",
       {{{100.0, 100.0, 0.0, 4, 1}, avant.vaisseaux[1]}, avant.balles},
       true,
       true},
      {"bullets flew", {avant.vaisseaux, {{13.5, 10.0, 1}, {20.0, 23.5, 2}}}, true, true},
      {"the last bullet went", {avant.vaisseaux, {avant.balles[0]}}, true, true},
      {"every bullet went", {avant.vaisseaux, {}}, true, true},
  };
  for (const auto& c : cas) {
    EXPECT_EQ(tick_entre(avant, c.apres), c.tick) << c.nom;
    EXPECT_EQ(differents(avant, c.apres), c.different) << c.nom;
  }
  EXPECT_FALSE(tick_entre(Releve{}, avant));  // the first poll
}

TEST(CompteurTicks, RateOverTheLastSecond) {
  CompteurTicks compteur;
  const Instant t0{};
  EXPECT_FALSE(compteur.par_seconde(t0));
  compteur.tick_vu(t0);
  EXPECT_FALSE(compteur.par_seconde(t0 + 1ms));  // one tick gives no interval
  for (int i = 1; i <= 80; ++i) compteur.tick_vu(t0 + i * 25ms);
  EXPECT_EQ(compteur.numero(), 81u);
  EXPECT_EQ(compteur.dernier(), t0 + 2000ms);
  ASSERT_TRUE(compteur.par_seconde(t0 + 2000ms));
  EXPECT_NEAR(*compteur.par_seconde(t0 + 2000ms), 40.0, 1e-9);
  // The server slows down to a tick every 50 ms.
  for (int i = 1; i <= 20; ++i) compteur.tick_vu(t0 + 2000ms + i * 50ms);
  EXPECT_NEAR(*compteur.par_seconde(t0 + 3000ms), 20.0, 1e-9);
  // Then nothing moves any more.
  EXPECT_FALSE(compteur.par_seconde(t0 + 4500ms));
  EXPECT_EQ(compteur.numero(), 101u);
}

TEST(AllerRetour, StartsAtTheFirstMeasureThenMovesAnEighthTowardsEachNewOne) {
  AllerRetour rtt;
  EXPECT_FALSE(rtt.millisecondes());
  rtt.mesure(2ms);
  EXPECT_DOUBLE_EQ(*rtt.millisecondes(), 2.0);
  rtt.mesure(10ms);
  EXPECT_DOUBLE_EQ(*rtt.millisecondes(), 3.0);
  rtt.mesure(3ms);
  EXPECT_DOUBLE_EQ(*rtt.millisecondes(), 3.0);
}

TEST(LigneDEtat, ShowsEveryFigureAndSaysWhenTheShipIsGone) {
  Tableau t{0xFF0000, false, 4, 5, 0.25, 3, 12, 39.96, 0.314};
  const std::string ligne = ligne_d_etat(t);
  EXPECT_EQ(ligne, "life 4/5  speed 0.25  ships 3  bullets 12  40.0 ticks/s  rtt 0.31 ms");
  EXPECT_LE(ligne.size(), 80u - 12u);  // room for larger counts on 80 columns
  EXPECT_TRUE(ligne_d_aide(t).starts_with("colour 16711680  "));
  EXPECT_NE(ligne_d_aide(t).find("space: fire"), std::string::npos);
  t.detruit = true;
  t.ticks_par_seconde.reset();
  t.aller_retour_ms.reset();
  const std::string detruit = ligne_d_etat(t);
  for (const char* attendu : {"destroyed", "? ticks/s", "rtt ?"})
    EXPECT_NE(detruit.find(attendu), std::string::npos) << attendu << " in " << detruit;
  EXPECT_EQ(detruit.find("life"), std::string::npos);
  EXPECT_TRUE(ligne_d_aide(t).starts_with("colour 16711680  "));
  EXPECT_NE(ligne_d_aide(t).find("r: register again"), std::string::npos);
}

}  // namespace
