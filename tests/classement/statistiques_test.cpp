#include "classement/statistiques.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Newcombe (1998), table I, score method without continuity correction.
TEST(Wilson, ValeursPubliees) {
  struct Cas {
    double succes, essais, bas, haut;
  };
  const Cas cas[] = {
      {81, 263, 0.2553, 0.3662}, {15, 148, 0.0624, 0.1605}, {0, 20, 0.0, 0.1611},
      {1, 29, 0.0061, 0.1718},   {5, 10, 0.2366, 0.7634},   {10, 10, 0.7225, 1.0},
  };
  for (const Cas& c : cas) {
    const classement::Intervalle i = classement::wilson(c.succes, c.essais);
    EXPECT_NEAR(i.bas, c.bas, 5e-5) << c.succes << "/" << c.essais;
    EXPECT_NEAR(i.haut, c.haut, 5e-5) << c.succes << "/" << c.essais;
  }
  const classement::Intervalle vide = classement::wilson(0, 0);
  EXPECT_EQ(vide.bas, 0.0);
  EXPECT_EQ(vide.haut, 1.0);
}

// Two bots: the fit is Bradley-Terry's, whose strength ratio is the ratio of wins.
TEST(PlackettLuce, DuelRapportDesVictoires) {
  std::vector<classement::Arrivee> matchs;
  for (int i = 0; i < 3; ++i) matchs.push_back({{0}, {1}});
  matchs.push_back({{1}, {0}});
  const auto notes = classement::notes_plackett_luce(2, matchs, {.a_priori = 0});
  EXPECT_NEAR(notes[0] - notes[1], 400 * std::log10(3.0), 1e-6);
  EXPECT_NEAR(notes[0] + notes[1], 3000, 1e-6);
}

// The fit is the likelihood's maximum: its gradient in the log-strengths is
// zero there, whatever the finishing orders. A place shared by k bots counts
// as k picks from the same field (Breslow): d logL / d log w_i adds 1 for each
// pick of i and takes k w_i / S at each stage where i is still in the field.
TEST(PlackettLuce, GradientNulAuMaximum) {
  const std::vector<classement::Arrivee> sans_egalite = {{{0}, {1}, {2}}, {{0}, {2}, {1}},
                                                         {{1}, {0}, {2}}, {{2}, {0}, {1}},
                                                         {{1}, {2}, {0}}, {{0}, {1}, {2}}};
  // Ties first, in the middle and last.
  const std::vector<classement::Arrivee> egalites = {{{0}, {1, 2}, {3}}, {{3}, {0}, {1}, {2}},
                                                     {{1, 3}, {2}, {0}}, {{2}, {0, 3}, {1}},
                                                     {{2, 0}, {1}, {3}}, {{1}, {3}, {0, 2}}};
  for (const auto& [bots, matchs] : {std::pair{3u, sans_egalite}, std::pair{4u, egalites}}) {
    const auto notes = classement::notes_plackett_luce(bots, matchs, {.a_priori = 0});
    std::vector<double> force, gradient(bots, 0.0);
    for (double n : notes) force.push_back(std::pow(10.0, (n - 1500) / 400));
    for (const classement::Arrivee& m : matchs) {
      double champ = 0;
      for (const auto& groupe : m)
        for (std::size_t i : groupe) champ += force[i];
      for (std::size_t g = 0; g + 1 < m.size(); ++g) {
        const auto k = static_cast<double>(m[g].size());
        for (std::size_t h = g; h < m.size(); ++h)
          for (std::size_t i : m[h]) gradient[i] -= k * force[i] / champ;
        for (std::size_t i : m[g]) {
          gradient[i] += 1;
          champ -= force[i];
        }
      }
    }
    for (std::size_t i = 0; i < bots; ++i)
      EXPECT_NEAR(gradient[i], 0, 1e-7) << bots << " bots, bot " << i;
  }
}

TEST(PlackettLuce, EgalitesCompletesNeComptentPas) {
  std::vector<classement::Arrivee> matchs = {{{0}, {1}, {2}}, {{1}, {0}, {2}}, {{0}, {2}, {1}}};
  const auto avant = classement::notes_plackett_luce(3, matchs);
  for (int i = 0; i < 5; ++i) matchs.push_back({{0, 1, 2}});
  const auto apres = classement::notes_plackett_luce(3, matchs);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(avant[i], apres[i], 1e-6);
  // A shared first place weighs like a win for each against the bot behind.
  const auto partage = classement::notes_plackett_luce(3, {{{0, 1}, {2}}, {{0, 1}, {2}}});
  EXPECT_NEAR(partage[0], partage[1], 1e-6);
  EXPECT_GT(partage[0], partage[2] + 100);
}

// Bot 0 always wins; the others finish in random order.
std::vector<classement::Arrivee> tournoi_domine(int matchs, std::uint64_t graine) {
  std::mt19937_64 alea(graine);
  std::vector<classement::Arrivee> arrivees;
  for (int m = 0; m < matchs; ++m) {
    std::vector<std::size_t> autres = {1, 2, 3};
    std::shuffle(autres.begin(), autres.end(), alea);
    arrivees.push_back({{0}, {autres[0]}, {autres[1]}, {autres[2]}});
  }
  return arrivees;
}

double largeur_moyenne(const classement::NotesIntervalles& n) {
  double somme = 0;
  for (const auto& i : n.intervalles) somme += i.haut - i.bas;
  return somme / static_cast<double>(n.intervalles.size());
}

TEST(PlackettLuce, DominantPremierEtIntervallesQuiSeResserrent) {
  const classement::NotesIntervalles peu =
      classement::notes_bootstrap(4, tournoi_domine(12, 7), 400, 1);
  const classement::NotesIntervalles beaucoup =
      classement::notes_bootstrap(4, tournoi_domine(300, 7), 400, 1);
  for (const classement::NotesIntervalles* n : {&peu, &beaucoup}) {
    ASSERT_EQ(n->notes.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
      EXPECT_GT(n->notes[0], n->notes[i]);
      EXPECT_LE(n->intervalles[i].bas, n->notes[i]);
      EXPECT_GE(n->intervalles[i].haut, n->notes[i]);
    }
  }
  // With enough matches the winner stands apart from every other interval.
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_GT(beaucoup.intervalles[0].bas, beaucoup.intervalles[i].haut);
  EXPECT_LT(largeur_moyenne(beaucoup), largeur_moyenne(peu) / 2);
  // The same seed gives the same intervals.
  const classement::NotesIntervalles encore =
      classement::notes_bootstrap(4, tournoi_domine(12, 7), 400, 1);
  EXPECT_EQ(encore.intervalles[2].bas, peu.intervalles[2].bas);
}

}  // namespace
