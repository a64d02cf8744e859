#include "pilote/couleurs.h"

#include <gtest/gtest.h>

namespace {

TEST(RgbDe, KeepsTheLowTwentyFourBitsOfTheColourNumber) {
  const std::pair<std::int64_t, Rgb> cas[] = {
      {0, 0x000000},         {0xFF0000, 0xFF0000},  {16777215, 0xFFFFFF},  {-5, 0xFFFFFB},
      {0x1FF0000, 0xFF0000}, {-16777216, 0x000000}, {INT64_MIN, 0x000000}, {INT64_MAX, 0xFFFFFF},
  };
  for (const auto& [couleur, rgb] : cas) EXPECT_EQ(rgb_de(couleur), rgb) << couleur;
}

TEST(VisibleSurNoir, LiftsDarkColoursToHalfBrightnessKeepingTheHue) {
  const std::pair<Rgb, Rgb> cas[] = {
      {0x000000, 0x808080},  // black has no hue: mid grey
      {0x400000, 0x800000}, {0x200810, 0x802040}, {0x010101, 0x808080},
      {0x7F7F7F, 0x808080}, {0x0000FF, 0x0000FF},  // bright enough already
      {0x800000, 0x800000}, {0xFFFFFF, 0xFFFFFF},
  };
  for (const auto& [sombre, visible] : cas)
    EXPECT_EQ(visible_sur_noir(sombre), visible) << std::hex << sombre;
}

struct CasPalette {
  Rgb rgb;
  int huit;
  int deux_cent_cinquante_six;
};

TEST(CouleurTerminal, PicksTheNearestEntryOfTheTerminalsPalette) {
  // 256: 16 + 36 r + 6 g + b over the levels 0, 95, 135, 175, 215, 255, then
  // greys 8 + 10 k at 232 + k. 8: black, red, green, yellow, blue, magenta, cyan, white.
  const CasPalette cas[] = {
      {0x000000, 0, 16},  {0xFF0000, 1, 196}, {0x00FF00, 2, 46},  {0xFFFF00, 3, 226},
      {0x0000FF, 4, 21},  {0xFF00FF, 5, 201}, {0x00FFFF, 6, 51},  {0xFFFFFF, 7, 231},
      {0x808080, 7, 244}, {0x5F87AF, 7, 67},  {0xE4E4E4, 7, 254}, {0x7F0000, 1, 88},
      {0x8F0000, 1, 88},  {0xA8A8A8, 7, 248}, {0xFF8000, 3, 208}, {0x121212, 0, 233},
      {0x8000FF, 5, 93},  {0x3F3F3F, 0, 237}, {0x00FF7F, 2, 48},  {0xFF0080, 5, 198},
      {0xFE7F00, 3, 208},  // green exactly half of red: on
  };
  for (const auto& c : cas) {
    EXPECT_EQ(couleur_terminal(c.rgb, 8), c.huit) << std::hex << c.rgb;
    EXPECT_EQ(couleur_terminal(c.rgb, 16), c.huit) << std::hex << c.rgb;
    EXPECT_EQ(couleur_terminal(c.rgb, 256), c.deux_cent_cinquante_six) << std::hex << c.rgb;
  }
}

TEST(CouleurTerminal, AMonochromeTerminalGetsNoColourAndBigPalettesStayInTheStandardRange) {
  EXPECT_EQ(couleur_terminal(0xFF0000, 0), -1);
  EXPECT_EQ(couleur_terminal(0xFF0000, 2), -1);
  EXPECT_EQ(couleur_terminal(0xFF0000, 1 << 24), 196);
}

TEST(CouleurTerminal, ColoursLiftedForTheBoardNeverLandOnBlack) {
  for (Rgb rgb = 0; rgb <= 0xFFFFFF; rgb += 0x010305) {
    EXPECT_NE(couleur_terminal(visible_sur_noir(rgb), 8), 0) << std::hex << rgb;
    EXPECT_NE(couleur_terminal(visible_sur_noir(rgb), 256), 16) << std::hex << rgb;
  }
}

}  // namespace
