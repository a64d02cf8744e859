#include "world/liste_balles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t nb_couleurs = 5;

std::size_t compte(const std::deque<world::balle>& modele, std::int64_t id) {
  std::size_t n = 0;
  for (const world::balle& b : modele) n += b.id == id;
  return n;
}

// Against a plain model, a deque head first with counts found by scanning it,
// through rounds of additions and of removal passes that also move the
// bullets, as a flight does; enough rounds for the freed room to be reused.
TEST(ListeBalles, FollowsAPlainNewestFirstListAndItsCountsPerColour) {
  std::mt19937_64 alea(3);
  std::uniform_int_distribution<std::int64_t> couleur(1, nb_couleurs);
  std::uniform_int_distribution<int> ajouts(0, 60);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  world::ListeBalles balles;
  std::deque<world::balle> modele;
  double serie = 0.0;  // tells the bullets apart
  for (int tour = 0; tour < 400; ++tour) {
    for (int k = ajouts(alea); k > 0; --k) {
      const world::balle b{serie++, 0.0, u(alea), couleur(alea)};
      balles.ajoute_en_tete(b);
      modele.push_front(b);
    }
    const double proportion = u(alea);
    std::vector<double> visites;
    std::vector<bool> retirees;
    balles.retire_si([&](world::balle& b) {
      visites.push_back(b.x);
      b.y = b.y + 1.0;
      retirees.push_back(u(alea) < proportion);
      return retirees.back();
    });
    ASSERT_EQ(visites.size(), modele.size()) << "round " << tour;
    std::deque<world::balle> restent;
    for (std::size_t k = 0; k < modele.size(); ++k) {
      ASSERT_EQ(visites[k], modele[k].x) << "round " << tour << ": visited out of list order";
      modele[k].y = modele[k].y + 1.0;
      if (!retirees[k]) restent.push_back(modele[k]);
    }
    modele = restent;
    ASSERT_EQ(std::vector<world::balle>(balles.begin(), balles.end()),
              std::vector<world::balle>(modele.begin(), modele.end()))
        << "round " << tour;
    ASSERT_EQ(balles.taille(), modele.size());
    if (!modele.empty()) {
      EXPECT_EQ(balles[0], modele.front());
      EXPECT_EQ(balles[modele.size() - 1], modele.back());
    }
    for (std::int64_t id = 0; id <= nb_couleurs + 1; ++id)
      ASSERT_EQ(balles.en_vol(id), compte(modele, id)) << "round " << tour << ", colour " << id;
  }
  balles.vide_tout();
  EXPECT_TRUE(balles.vide());
  for (std::int64_t id = 1; id <= nb_couleurs; ++id) EXPECT_EQ(balles.en_vol(id), 0u);
}

}  // namespace
