#include "pilote/rendu.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

namespace {

constexpr double pi = std::numbers::pi;
constexpr char32_t demi_haut = U'\u2580', demi_bas = U'\u2584', plein = U'\u2588';
constexpr char32_t balle = U'\u2022', visee = U'\u00B7';

Instantane plateau_vide() {
  Instantane i;
  i.largeur = i.hauteur = 1408.0;
  i.rayon_vaisseau = 9.0;
  i.rayon_balle = 4.0;
  return i;
}

// The cube of cell (colonne, ligne) of the 64 x 64 field, counted from the bottom left.
commun::CubeVu cube(int colonne, int ligne) {
  return {22.0 * colonne, 22.0 * ligne, 22.0 * colonne + 22.0, 22.0 * ligne + 22.0};
}

// 66 x 36 cells leave 64 x 32 cells inside the border and the status lines:
// one pixel per cube cell, pixel (x, y) in cell (1 + x, 1 + y / 2).
constexpr TailleTerminal un_pixel_par_cube{66, 36};

std::string texte(const Grille& g, int ligne) {
  std::string s;
  for (int x = 0; x < g.colonnes; ++x) s += glyphe_ascii(g.a(x, ligne).glyphe);
  return s;
}

struct CasCadre {
  TailleTerminal taille;
  int colonne, ligne, pixels_large, pixels_haut;
};

TEST(Rendu, TheBoardKeepsItsAspectRatioOnWideAndTallTerminals) {
  const CasCadre cas[] = {
      {{100, 40}, 14, 1, 72, 72},  // the height limits: 2 x (40 - 2 - 2) pixels
      {{200, 40}, 64, 1, 72, 72},  // wide: centred, still square
      {{40, 100}, 1, 1, 38, 38},   // tall: the width limits, 19 rows
      {{66, 36}, 1, 1, 64, 64},    // an exact fit
      {{67, 36}, 1, 1, 64, 64},    // one column too many: the height still limits
  };
  for (const auto& c : cas) {
    const Rendu r = rend(plateau_vide(), c.taille);
    ASSERT_TRUE(r.cadre) << c.taille.colonnes << "x" << c.taille.lignes;
    EXPECT_EQ(r.cadre->colonne, c.colonne);
    EXPECT_EQ(r.cadre->ligne, c.ligne);
    EXPECT_EQ(r.cadre->pixels_large, c.pixels_large);
    EXPECT_EQ(r.cadre->pixels_haut, c.pixels_haut);
    // The border: its corners, two columns wider and two rows taller than the board.
    const Grille& g = r.grille;
    const int gauche = c.colonne - 1, droite = c.colonne + c.pixels_large;
    const int bas = c.ligne + c.pixels_haut / 2;
    EXPECT_EQ(g.a(gauche, 0).glyphe, U'\u250C');
    EXPECT_EQ(g.a(droite, 0).glyphe, U'\u2510');
    EXPECT_EQ(g.a(gauche, bas).glyphe, U'\u2514');
    EXPECT_EQ(g.a(droite, bas).glyphe, U'\u2518');
    EXPECT_EQ(g.a(gauche, 1).glyphe, U'\u2502');
    EXPECT_EQ(g.a(gauche + 1, bas).glyphe, U'\u2500');
    EXPECT_EQ(ligne_sous_le_plateau(r), bas + 1);
    EXPECT_LE(bas + 1 + lignes_d_etat, c.taille.lignes);
  }
}

TEST(Rendu, ATerminalTooSmallForABoardSaysSo) {
  for (const TailleTerminal t :
       {TailleTerminal{40, 4}, TailleTerminal{3, 40}, TailleTerminal{0, 0}}) {
    const Rendu r = rend(plateau_vide(), t);
    EXPECT_FALSE(r.cadre);
    EXPECT_EQ(r.grille.colonnes, t.colonnes);
    EXPECT_EQ(r.grille.lignes, t.lignes);
  }
  EXPECT_EQ(texte(rend(plateau_vide(), {40, 4}).grille, 0).substr(0, 18), "terminal too small");
}

TEST(Rendu, CubesAtTheFourCornersLandInTheCornerHalfCells) {
  Instantane i = plateau_vide();
  i.cubes = {cube(0, 0), cube(63, 63), cube(0, 63), cube(63, 0)};
  const Grille g = rend(i, un_pixel_par_cube).grille;
  // y grows upward: cell row 0 of the field is the lower half of the last row.
  EXPECT_EQ(g.a(1, 32).glyphe, demi_bas);   // (0, 0)
  EXPECT_EQ(g.a(64, 1).glyphe, demi_haut);  // (63, 63)
  EXPECT_EQ(g.a(1, 1).glyphe, demi_haut);   // (0, 63)
  EXPECT_EQ(g.a(64, 32).glyphe, demi_bas);  // (63, 0)
  EXPECT_TRUE(g.a(1, 32).avant);
  EXPECT_FALSE(g.a(1, 32).fond);
  EXPECT_EQ(g.a(2, 32), Case{});
  EXPECT_EQ(g.a(1, 31), Case{});
}

TEST(Rendu, TwoCubesInOneCellFillItAndSmallTerminalsStillShowEveryCube) {
  Instantane i = plateau_vide();
  i.cubes = {cube(10, 0), cube(10, 1)};
  EXPECT_EQ(rend(i, un_pixel_par_cube).grille.a(11, 32).glyphe, plein);
  // At 38 pixels for 64 cells, every cube still owns the pixel under its centre.
  i.cubes = {cube(0, 0), cube(63, 63), cube(31, 32)};
  const Grille g = rend(i, {40, 100}).grille;
  EXPECT_EQ(g.a(1, 19).glyphe, demi_bas);
  EXPECT_EQ(g.a(38, 1).glyphe, demi_haut);
  int remplies = 0;
  for (const Case& c : g.cases) remplies += c.glyphe == demi_haut || c.glyphe == demi_bas;
  EXPECT_EQ(remplies, 3);
}

struct CasVaisseau {
  commun::VaisseauVu vaisseau;
  int colonne, ligne;
  char32_t glyphe;
  Rgb couleur;
};

TEST(Rendu, ShipsAreArrowsAlongTheirHeadingInTheirColourEvenOnTheEdges) {
  // On 66 x 36, board x maps to column 1 + floor(x / 22), y to row 1 + floor((1408 - y) / 44).
  const CasVaisseau cas[] = {
      {{9.0, 700.0, 0.0, 5, 0xFF0000}, 1, 17, U'\u2192', 0xFF0000},        // left edge
      {{1399.0, 700.0, pi, 5, 0x00FF00}, 64, 17, U'\u2190', 0x00FF00},     // right edge
      {{700.0, 1399.0, pi / 2, 5, 0x0000FF}, 32, 1, U'\u2191', 0x0000FF},  // top edge
      {{700.0, 9.0, -pi / 2, 5, 255}, 32, 32, U'\u2193', 0x0000FF},        // bottom edge
      {{1408.0, 1408.0, pi / 4, 1, 0}, 64, 1, U'\u2197', 0x808080},  // corner; black shows grey
      {{0.0, 0.0, 5 * pi / 4, 1, -5}, 1, 32, U'\u2199', 0xFFFFFB},   // negative colour
      {{300.0, 300.0, 3 * pi / 4 + 8 * pi, 2, 0x400000}, 14, 26, U'\u2196', 0x800000},
      {{300.0, 300.0, -pi / 4, 2, 0xFFFF00}, 14, 26, U'\u2198', 0xFFFF00},
  };
  for (const auto& c : cas) {
    Instantane i = plateau_vide();
    i.vaisseaux = {c.vaisseau};
    const Grille g = rend(i, un_pixel_par_cube).grille;
    const Case& v = g.a(c.colonne, c.ligne);
    EXPECT_EQ(v.glyphe, c.glyphe) << c.vaisseau.x << "," << c.vaisseau.y;
    EXPECT_EQ(v.avant, c.couleur) << c.vaisseau.x << "," << c.vaisseau.y;
    EXPECT_EQ(v.attributs, 0);
  }
}

TEST(Rendu, HeadingsSnapToTheNearestEighthOfATurn) {
  const std::pair<double, char32_t> cas[] = {
      {0.39, U'\u2192'}, {0.40, U'\u2197'}, {-0.39, U'\u2192'},      {-0.40, U'\u2198'},
      {pi, U'\u2190'},   {-pi, U'\u2190'},  {126 * 0.05, U'\u2192'}, {2 * pi - 0.1, U'\u2192'},
  };
  for (const auto& [angle, glyphe] : cas) {
    Instantane i = plateau_vide();
    i.vaisseaux = {{704.0, 704.0, angle, 5, 7}};
    EXPECT_EQ(rend(i, un_pixel_par_cube).grille.a(33, 17).glyphe, glyphe) << angle;
  }
}

TEST(Rendu, TheOwnShipIsBoldAndReversedWithItsAimAhead) {
  Instantane i = plateau_vide();
  i.vaisseaux = {{704.0, 704.0, 0.0, 5, 0xFF0000}, {704.0, 1000.0, 0.0, 5, 0x00FF00}};
  i.couleur_propre = 0xFF0000;
  const Grille g = rend(i, un_pixel_par_cube).grille;
  const Case& propre = g.a(33, 17);
  EXPECT_EQ(propre.glyphe, U'\u2192');
  EXPECT_EQ(propre.attributs, Gras | Inverse);
  EXPECT_EQ(g.a(33, 10).glyphe, U'\u2192');  // the other ship, not marked
  EXPECT_EQ(g.a(33, 10).attributs, 0);
  // Dots every two pixels along the heading, in the ship's colour.
  for (const int colonne : {35, 37, 39}) {
    EXPECT_EQ(g.a(colonne, 17).glyphe, visee) << colonne;
    EXPECT_EQ(g.a(colonne, 17).avant, 0xFF0000u);
  }
  EXPECT_EQ(g.a(34, 17), Case{});
  EXPECT_EQ(g.a(41, 17), Case{});
  // Heading up: a pixel is half a row, so the dots are one row apart.
  i.vaisseaux = {{704.0, 704.0, pi / 2, 5, 0xFF0000}};
  const Grille haut = rend(i, un_pixel_par_cube).grille;
  for (const int ligne : {16, 15, 14}) EXPECT_EQ(haut.a(33, ligne).glyphe, visee) << ligne;
}

TEST(Rendu, TheAimNeverHidesACubeAndAShipWithoutAColourIsNotMarked) {
  Instantane i = plateau_vide();
  i.vaisseaux = {{704.0, 704.0, 0.0, 5, 0xFF0000}};
  i.cubes = {cube(34, 31)};  // the pixel of the first dot
  i.couleur_propre = 0xFF0000;
  EXPECT_EQ(rend(i, un_pixel_par_cube).grille.a(35, 17).glyphe, demi_haut);
  i.couleur_propre = std::nullopt;  // destroyed: nothing is the player's
  const Grille g = rend(i, un_pixel_par_cube).grille;
  EXPECT_EQ(g.a(33, 17).attributs, 0);
  EXPECT_EQ(g.a(37, 17), Case{});
}

TEST(Rendu, BulletsAreDotsInTheShootersColourAndOnlyOnTheBoard) {
  Instantane i = plateau_vide();
  i.balles = {{0.0, 0.0, 0xFF0000}, {1408.0, 1408.0, 0x00FF00}, {100.5, 20.0, 255},
              {-3.0, 700.0, 255},   {1411.0, 700.0, 255},       {700.0, -0.5, 255}};
  const Grille g = rend(i, un_pixel_par_cube).grille;
  EXPECT_EQ(g.a(1, 32), (Case{balle, 0xFF0000, std::nullopt}));
  EXPECT_EQ(g.a(64, 1), (Case{balle, 0x00FF00, std::nullopt}));
  EXPECT_EQ(g.a(5, 32), (Case{balle, 0x0000FF, std::nullopt}));
  int balles = 0;
  for (const Case& c : g.cases) balles += c.glyphe == balle;
  EXPECT_EQ(balles, 3);
}

TEST(Rendu, AShipIsDrawnOverABulletInTheSameCell) {
  Instantane i = plateau_vide();
  i.balles = {{705.0, 700.0, 1}};
  i.vaisseaux = {{704.0, 704.0, pi, 5, 0xFF0000}};
  EXPECT_EQ(rend(i, un_pixel_par_cube).grille.a(33, 17).glyphe, U'\u2190');
}

TEST(Rendu, OnALargeTerminalAShipCoversTheDiscOfItsRadius) {
  // 1410 x 708: exactly one pixel per board unit.
  Instantane i = plateau_vide();
  i.vaisseaux = {{700.5, 700.5, 0.0, 5, 0xFF0000}};
  const Rendu r = rend(i, {1410, 708});
  ASSERT_TRUE(r.cadre);
  ASSERT_EQ(r.cadre->pixels_large, 1408);
  int colorees = 0;
  for (const Case& c : r.grille.cases)
    colorees += (c.avant == 0xFF0000u) + (c.fond == 0xFF0000u && c.glyphe == demi_haut);
  // About pi x 9 x 9 = 254 pixels; one cell holds two, the arrow's cell both.
  EXPECT_GT(colorees, 240 / 2);
  EXPECT_LT(colorees, 270 / 2 + 20);
}

TEST(Ecris, WritesTextCutAtTheEdge) {
  Grille g(6, 2);
  ecris(g, 2, 1, "speed 1.00", Gras);
  EXPECT_EQ(texte(g, 1), "  spee");
  EXPECT_EQ(g.a(2, 1).attributs, Gras);
  ecris(g, -2, 0, "abcd");
  ecris(g, 0, 5, "ignored");
  EXPECT_EQ(texte(g, 0), "cd    ");
}

}  // namespace
