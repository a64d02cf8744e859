#include "geometry/cubes.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "world/constantes.h"
#include "world/echec.h"

namespace {

int cases_occupees(const world::Grille& grille) {
  int n = 0;
  for (const auto& colonne : grille)
    for (bool occupee : colonne) n += occupee;
  return n;
}

TEST(CreeCubes, BuildsDistinctCellsThatAgreeWithTheGrid) {
  for (std::uint64_t graine : {1u, 2u, 42u, 1234u}) {
    world::Grille grille{};
    world::Alea alea(graine);
    const auto cubes = geometry::cree_cubes(grille, alea, 200);
    ASSERT_EQ(cubes.size(), 200u);
    EXPECT_EQ(cases_occupees(grille), 200);
    std::set<std::pair<double, double>> coins;
    for (const world::cube& c : cubes) {
      EXPECT_EQ(c.x_max - c.x_min, 22.0);
      EXPECT_EQ(c.y_max - c.y_min, 22.0);
      EXPECT_GE(c.x_min, 0.0);
      EXPECT_LE(c.x_min, 1386.0);
      EXPECT_GE(c.y_min, 0.0);
      EXPECT_LE(c.y_min, 1386.0);
      const int i = static_cast<int>(c.x_min / 22.0);
      const int j = static_cast<int>(c.y_min / 22.0);
      EXPECT_EQ(i * 22.0, c.x_min);
      EXPECT_EQ(j * 22.0, c.y_min);
      EXPECT_TRUE(grille[i + 1][j + 1]);
      coins.insert({c.x_min, c.y_min});
    }
    EXPECT_EQ(coins.size(), 200u);
    for (int k = 0; k < world::colonnes_grille; ++k) {
      EXPECT_FALSE(grille[0][k]);
      EXPECT_FALSE(grille[world::colonnes_grille - 1][k]);
      EXPECT_FALSE(grille[k][0]);
      EXPECT_FALSE(grille[k][world::lignes_grille - 1]);
    }
  }
}

TEST(CreeCubes, TheCubeDrawnLastComesFirstAndEachAttemptDrawsColumnThenRow) {
  world::Grille grille{};
  world::Alea alea(7);
  const auto cubes = geometry::cree_cubes(grille, alea, 50);
  // Replay the draws: column, then row, redrawn both when the cell is taken.
  world::Alea rejeu(7);
  world::Grille vues{};
  std::vector<world::cube> tires;
  while (tires.size() < 50) {
    const int i = world::tirage_entier(rejeu, 64);
    const int j = world::tirage_entier(rejeu, 64);
    if (vues[i][j]) continue;
    vues[i][j] = true;
    tires.push_back(world::cube{i * 22.0, j * 22.0, i * 22.0 + 22.0, j * 22.0 + 22.0});
  }
  ASSERT_EQ(cubes.size(), tires.size());
  for (std::size_t k = 0; k < tires.size(); ++k) EXPECT_EQ(cubes[k], tires[tires.size() - 1 - k]);
}

TEST(CreeCubes, ZeroGivesAnEmptyFieldAndNegativeFails) {
  world::Grille grille{};
  world::Alea alea(1);
  EXPECT_TRUE(geometry::cree_cubes(grille, alea, 0).empty());
  EXPECT_EQ(cases_occupees(grille), 0);
  try {
    geometry::cree_cubes(grille, alea, -1);
    FAIL() << "a negative count must fail";
  } catch (const world::Echec& e) {
    EXPECT_STREQ(e.what(), "cree_cubes : pas de cubes");
  }
  EXPECT_EQ(cases_occupees(grille), 0);
}

TEST(CreeCubes, AFullBoardWorksAndOneMoreIsRefused) {
  world::Grille grille{};
  world::Alea alea(3);
  EXPECT_THROW(geometry::cree_cubes(grille, alea, 4097), world::Echec);
  EXPECT_EQ(cases_occupees(grille), 0);
  const auto cubes = geometry::cree_cubes(grille, alea, 4096);
  EXPECT_EQ(cubes.size(), 4096u);
  EXPECT_EQ(cases_occupees(grille), 4096);
}

TEST(CreeCubes, EdgeColumnsUseTheFirstAndLastInnerIndex) {
  world::Grille grille{};
  world::Alea alea(11);
  for (const world::cube& c : geometry::cree_cubes(grille, alea, 4096)) {
    if (c.x_min == 0.0) {
      EXPECT_EQ(c.x_max, 22.0);
    }
    if (c.x_min == 1386.0) {
      EXPECT_EQ(c.x_max, 1408.0);
    }
  }
  EXPECT_TRUE(grille[1][1]);
  EXPECT_TRUE(grille[64][64]);
  EXPECT_FALSE(grille[0][1]);
  EXPECT_FALSE(grille[65][64]);
}

}  // namespace
