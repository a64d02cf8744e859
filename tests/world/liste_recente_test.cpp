#include "world/liste_recente.h"

#include <gtest/gtest.h>

#include <vector>

#include "world/elements.h"

namespace {

std::vector<int> contenu(const world::ListeRecente<int>& liste) {
  return {liste.begin(), liste.end()};
}

world::ListeRecente<int> liste_de(std::initializer_list<int> du_plus_ancien) {
  world::ListeRecente<int> liste;
  for (int e : du_plus_ancien) liste.ajoute_en_tete(e);
  return liste;
}

TEST(ListeRecente, ListsTheNewestFirst) {
  const auto liste = liste_de({1, 2, 3});
  EXPECT_EQ(contenu(liste), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(liste[0], 3);
  EXPECT_EQ(liste[2], 1);
  EXPECT_EQ(liste.taille(), 3u);
}

TEST(ListeRecente, RemovalKeepsTheOrderAndVisitsHeadFirst) {
  auto liste = liste_de({1, 2, 3, 4, 5, 6});
  std::vector<int> visites;
  liste.retire_si([&](int e) {
    visites.push_back(e);
    return e % 2 == 0;
  });
  EXPECT_EQ(visites, (std::vector<int>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(contenu(liste), (std::vector<int>{5, 3, 1}));
  liste.retire_si([](int) { return true; });
  EXPECT_TRUE(liste.vide());
}

TEST(ListeRecente, RemovingFromTheMiddleKeepsTheOthersInOrder) {
  auto liste = liste_de({1, 2, 3, 4});
  liste.retire_si([](int e) { return e == 3; });
  EXPECT_EQ(contenu(liste), (std::vector<int>{4, 2, 1}));
}

TEST(ListeRecente, RemoveFirstTakesOnlyTheFirstMatchFromTheHead) {
  world::ListeRecente<world::vaisseau> vaisseaux;
  vaisseaux.ajoute_en_tete(world::vaisseau{1, 0, 0, 0, 5, 7});
  vaisseaux.ajoute_en_tete(world::vaisseau{2, 0, 0, 0, 5, 8});
  vaisseaux.ajoute_en_tete(world::vaisseau{3, 0, 0, 0, 5, 7});
  EXPECT_TRUE(vaisseaux.retire_premier([](const world::vaisseau& v) { return v.id == 7; }));
  ASSERT_EQ(vaisseaux.taille(), 2u);
  EXPECT_EQ(vaisseaux[0].x, 2);
  EXPECT_EQ(vaisseaux[1].x, 1);
  EXPECT_FALSE(vaisseaux.retire_premier([](const world::vaisseau& v) { return v.id == 99; }));
  EXPECT_EQ(vaisseaux.taille(), 2u);
}

}  // namespace
