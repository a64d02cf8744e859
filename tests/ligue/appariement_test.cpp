// Matchmaking's three promises, on made-up classes: every version plays, a
// new one first; the least certain groups; counts within a small spread.
#include "ligue/appariement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

bool dans(const std::vector<std::int64_t>& groupe, std::int64_t version) {
  return std::find(groupe.begin(), groupe.end(), version) != groupe.end();
}

// Plays `tours` matches of 4 from the counts given, choosing each group as
// the season does; checks the spread after each.
void joue(std::vector<Candidat>& classe, int tours) {
  for (int t = 0; t < tours; ++t) {
    const auto groupe = groupe_suivant(classe, 4);
    ASSERT_EQ(groupe.size(), std::min<std::size_t>(4, classe.size()));
    for (Candidat& c : classe) c.matchs += dans(groupe, c.version);
    const auto [min, max] = std::minmax_element(
        classe.begin(), classe.end(),
        [](const Candidat& a, const Candidat& b) { return a.matchs < b.matchs; });
    ASSERT_LE(max->matchs - min->matchs, ecart_matchs) << "after match " << t;
  }
}

TEST(Appariement, ChacunJoueDansUnEcartBorne) {
  std::mt19937 hasard(7);
  for (std::size_t taille : {2u, 3u, 5u, 9u, 30u}) {
    std::vector<Candidat> classe;
    for (std::size_t i = 0; i < taille; ++i) {
      const double note = std::uniform_real_distribution<>(1200, 1800)(hasard);
      classe.push_back({static_cast<std::int64_t>(i + 1), 0, {note - 60, note + 60}});
    }
    joue(classe, static_cast<int>(10 * taille));
    for (const Candidat& c : classe) EXPECT_GT(c.matchs, 0u) << "class of " << taille;
  }
}

TEST(Appariement, UneNouvelleVersionJoueDAbord) {
  std::vector<Candidat> classe;
  for (std::int64_t i = 1; i <= 12; ++i) classe.push_back({i, 20, {1400.0 + i, 1500.0 + i}});
  classe.push_back({99, 0});  // just built: no match, no rating
  EXPECT_TRUE(dans(groupe_suivant(classe, 4), 99));
  // Once it caught up, the counts stay close together.
  classe.back().matchs = 19;
  joue(classe, 30);
}

TEST(Appariement, LesIssuesLesMoinsSures) {
  // Equal counts: the leader (widest interval) plays the two overlapping
  // it most, not the ones far above or below.
  const std::vector<Candidat> classe{{1, 5, {1000, 1100}}, {2, 5, {1450, 1650}},
                                     {3, 5, {1500, 1560}}, {4, 5, {1530, 1600}},
                                     {5, 5, {1900, 2000}}, {6, 5, {1480, 1520}}};
  const auto groupe = groupe_suivant(classe, 3);
  ASSERT_EQ(groupe.size(), 3u);
  EXPECT_EQ(groupe[0], 2);
  EXPECT_TRUE(dans(groupe, 3) && dans(groupe, 4)) << groupe[1] << " " << groupe[2];
  // Fewer than two versions: no match at all.
  EXPECT_TRUE(groupe_suivant({{1, 0}}, 4).empty());
}

}  // namespace
