// The pilot's protocol client against the real server over TCP.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "pilote/aides_e2e.h"
#include "pilote/session.h"

namespace {

const commun::VaisseauVu* vaisseau_de(const Releve& r, std::int64_t couleur) {
  const auto v = std::find_if(r.vaisseaux.begin(), r.vaisseaux.end(),
                              [&](const commun::VaisseauVu& w) { return w.id == couleur; });
  return v == r.vaisseaux.end() ? nullptr : &*v;
}

// A bullet of `couleur` on the heading of the (still) ship that fired it, at
// 12.6 units plus a whole number of 3.5-unit flights.
bool balle_tiree_par(const Releve& r, const commun::VaisseauVu& tireur) {
  for (const commun::BalleVue& b : r.balles) {
    if (b.id != tireur.id) continue;
    const double d = std::hypot(b.x - tireur.x, b.y - tireur.y);
    const double vols = (d - 12.6) / 3.5;
    const bool sur_le_cap = std::abs(b.x - (tireur.x + d * std::cos(tireur.angle))) < 1e-6 &&
                            std::abs(b.y - (tireur.y + d * std::sin(tireur.angle))) < 1e-6;
    if (sur_le_cap && vols > -1e-6 && std::abs(vols - std::round(vols)) < 1e-6) return true;
  }
  return false;
}

TEST(ClientPilote, RegistersReadsTheWorldFiresSeesItsBulletAndQuits) {
  ServeurDeTest serveur;
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  ClientDeTest observateur(serveur.port());
  ASSERT_EQ(observateur.enregistre(0x123456), "VAISSEAU ENREGISTRE\r\n");

  commun::ConnexionArene connexion("127.0.0.1", serveur.port());
  const std::int64_t couleur = inscrit(connexion, std::nullopt, couleurs_preferees());
  EXPECT_EQ(couleur, couleurs_preferees().front());  // nobody else holds it
  const Decor decor = lit_decor(connexion);
  EXPECT_EQ(decor.largeur, 1408.0);
  EXPECT_EQ(decor.hauteur, 1408.0);
  EXPECT_EQ(decor.rayon_vaisseau, 9.0);
  EXPECT_EQ(decor.rayon_balle, 4.0);
  EXPECT_EQ(decor.pt_vie_max, 5);
  ASSERT_EQ(decor.cubes.size(), 200u);
  for (const commun::CubeVu& c : decor.cubes) EXPECT_EQ(c.x_max - c.x_min, 22.0);

  const Releve avant = releve(connexion, {});
  const commun::VaisseauVu* propre = vaisseau_de(avant, couleur);
  ASSERT_NE(propre, nullptr);
  EXPECT_EQ(propre->pt_vie, 5);
  ASSERT_NE(vaisseau_de(avant, 0x123456), nullptr);
  const commun::VaisseauVu tireur = *propre;
  // The bullet is listed from the shot until the tick that may take it into a
  // cube; a tick can fall between the shot and the list, so allow a few shots.
  bool vue = false;
  for (int essai = 0; essai < 5 && !vue; ++essai)
    vue = balle_tiree_par(releve(connexion, {Action::Tire}), tireur);
  EXPECT_TRUE(vue);

  quitte(connexion);
  const auto vaisseaux = liste(observateur, "GET VAISSEAUX");
  ASSERT_TRUE(vaisseaux);
  const auto couleurs = couleurs_de(*vaisseaux);
  EXPECT_EQ(std::count(couleurs.begin(), couleurs.end(), couleur), 0);
  EXPECT_EQ(std::count(couleurs.begin(), couleurs.end(), 0x123456), 1);
}

TEST(ClientPilote, ARefusedColourIsRetriedWithTheNextAndANamedOneIsNot) {
  ServeurDeTest serveur;
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  ClientDeTest autre(serveur.port());
  ASSERT_EQ(autre.enregistre(0xFF0000), "VAISSEAU ENREGISTRE\r\n");

  commun::ConnexionArene premiere("127.0.0.1", serveur.port());
  EXPECT_EQ(inscrit(premiere, std::nullopt, {0xFF0000, 0x00FF00}), 0x00FF00);

  commun::ConnexionArene seconde("127.0.0.1", serveur.port());
  EXPECT_THROW(inscrit(seconde, 0xFF0000, {}), CouleurPrise);
  // The refusal leaves the connection waiting for another registration.
  EXPECT_EQ(inscrit(seconde, std::nullopt, {0xFF0000, 0x00FF00, 0x0000FF}), 0x0000FF);
  const auto couleurs = couleurs_de(liste(autre, "GET VAISSEAUX").value());
  EXPECT_EQ(couleurs.size(), 3u);
}

TEST(ClientPilote, QuittingFreesTheColourForANewConnection) {
  ServeurDeTest serveur;
  if (!protocole_present(serveur.port())) GTEST_SKIP() << sans_protocole;
  commun::ConnexionArene premiere("127.0.0.1", serveur.port());
  ASSERT_EQ(inscrit(premiere, 0x00FFFF, {}), 0x00FFFF);
  quitte(premiere);
  // What 'r' relies on: once quitte has returned, the colour is free and the
  // old connection can no longer take the new ship with it.
  commun::ConnexionArene seconde("127.0.0.1", serveur.port());
  EXPECT_EQ(inscrit(seconde, 0x00FFFF, {}), 0x00FFFF);
  ASSERT_NE(vaisseau_de(releve(seconde, {}), 0x00FFFF), nullptr);
}

}  // namespace
