#include "geometry/collisions.h"

#include <gtest/gtest.h>

#include <vector>

#include "simulation/monde_de_test.h"

namespace {

geometry::Faces une_face(geometry::point debut, geometry::point fin) {
  geometry::Faces faces;
  faces.ajoute_en_tete({debut, fin});
  return faces;
}

struct CasDisque {
  const char* nom;
  double x, y;
  bool touche;
};

TEST(InterCubes, DiscAgainstTheLowXFaceOfCellFiveFive) {
  const geometry::Faces faces = une_face({110, 110}, {110, 131});
  const CasDisque cas[] = {
      {"9.0 from the low end", 110.0, 101.0, true},
      {"9.01 from the low end", 110.0, 100.99, false},
      {"9.0 from the high end", 110.0, 140.0, true},
      {"9.0 from the middle, probe ends on the face", 101.0, 120.0, true},
      {"8.5 from the middle, probe crosses", 101.5, 120.0, true},
      {"10.0 from the middle, probe stops short", 100.0, 120.0, false},
      {"9.0 from the middle on the other side", 119.0, 120.0, true},
      {"9.01 from the middle on the other side", 119.01, 120.0, false},
      {"on the face", 110.0, 125.0, true},
      {"8.49 diagonally from the high end", 104.0, 137.0, true},
      {"9.9 diagonally from the high end", 103.0, 138.0, false},
      {"level with the face, beyond its end", 105.0, 141.0, false},
  };
  for (const CasDisque& c : cas)
    EXPECT_EQ(geometry::inter_cubes(c.x, c.y, faces), c.touche) << c.nom;
}

TEST(InterCubes, DiscAgainstAConstantYFace) {
  const geometry::Faces faces = une_face({110, 110}, {131, 110});
  const CasDisque cas[] = {
      {"9.0 below the middle", 120.0, 101.0, true},
      {"10.0 below the middle", 120.0, 100.0, false},
      {"8.0 above the middle", 120.0, 118.0, true},
      {"9.0 beyond the far end", 140.0, 110.0, true},
      {"9.5 beyond the far end", 140.5, 110.0, false},
  };
  for (const CasDisque& c : cas)
    EXPECT_EQ(geometry::inter_cubes(c.x, c.y, faces), c.touche) << c.nom;
}

TEST(InterCubes, AnyTouchedFaceOfTheListCountsAndNoFaceMeansNoContact) {
  geometry::Faces faces;
  faces.ajoute_en_tete({{500, 500}, {500, 521}});
  faces.ajoute_en_tete({{110, 110}, {110, 131}});
  EXPECT_TRUE(geometry::inter_cubes(495.0, 510.0, faces));  // the second face in list order
  EXPECT_TRUE(geometry::inter_cubes(105.0, 120.0, faces));
  EXPECT_FALSE(geometry::inter_cubes(300.0, 300.0, faces));
  EXPECT_FALSE(geometry::inter_cubes(110.0, 120.0, geometry::Faces{}));
}

struct CasPlateau {
  double x, y;
  bool touche;
};

TEST(InterPlateau, LowEdgesMayBeTouchedHighEdgesAreOneUnitIn) {
  const CasPlateau cas[] = {
      {9.0, 700.0, false}, {8.999, 700.0, true},      {1397.9, 700.0, false}, {1398.0, 700.0, true},
      {700.0, 9.0, false}, {700.0, 8.999, true},      {700.0, 1397.9, false}, {700.0, 1398.0, true},
      {9.0, 9.0, false},   {1397.99, 1397.99, false}, {-50.0, 700.0, true},   {700.0, 5000.0, true},
  };
  for (const CasPlateau& c : cas)
    EXPECT_EQ(geometry::inter_plateau(c.x, c.y), c.touche) << c.x << ", " << c.y;
}

struct CasVaisseau {
  const char* nom;
  double x, y;
  std::int64_t id;
  bool touche;
};

TEST(InterVaisseau, OtherShipsCloserThanEighteenCollide) {
  world::Monde monde(1);
  ajoute_vaisseaux(monde, {vaisseau_en(500.0, 500.0, 1), vaisseau_en(800.0, 800.0, 2)});
  const CasVaisseau cas[] = {
      {"18.0 apart", 518.0, 500.0, 3, false},
      {"17.99 apart", 517.99, 500.0, 3, true},
      {"18.0 apart in y", 500.0, 482.0, 3, false},
      {"17.99 apart in y", 500.0, 482.01, 3, true},
      {"the second ship of the list", 800.0, 810.0, 3, true},
      {"its own centre, its own id", 500.0, 500.0, 1, false},
      {"near itself, near nobody else", 505.0, 500.0, 1, false},
      {"another ship's centre", 500.0, 500.0, 2, true},
  };
  world::IndexVaisseaux index;
  index.reconstruit(monde.vaisseaux);
  for (const CasVaisseau& c : cas)
    EXPECT_EQ(geometry::inter_vaisseau(c.x, c.y, c.id, index), c.touche) << c.nom;
  index.reconstruit(world::ListeRecente<world::vaisseau>{});
  EXPECT_FALSE(geometry::inter_vaisseau(500.0, 500.0, 1, index));
}

struct CasInside {
  const char* nom;
  double x, y;
  bool dedans;
};

TEST(InsideCube, ClosedSquareWidenedByTheToleranceWithinEachSpan) {
  world::Monde monde(1);
  place_cube(monde, {5, 5});  // [110, 132] x [110, 132]
  const CasInside cas[] = {
      {"centre", 121.0, 121.0, true},
      {"low corner", 110.0, 110.0, true},
      {"corner x_max y_min", 132.0, 110.0, true},
      {"high corner", 132.0, 132.0, true},
      {"corner x_min y_max", 110.0, 132.0, true},
      {"low-x side", 110.0, 125.0, true},
      {"high-x side", 132.0, 115.0, true},
      {"low-y side", 117.0, 110.0, true},
      {"high-y side", 129.0, 132.0, true},
      {"0.001 outside low-x", 109.999, 121.0, true},
      {"0.01 outside low-x", 109.99, 121.0, false},
      {"0.001 outside high-x", 132.001, 121.0, true},
      {"0.01 outside high-x", 132.01, 121.0, false},
      {"0.001 outside low-y", 121.0, 109.999, true},
      {"0.01 outside low-y", 121.0, 109.99, false},
      {"0.001 outside high-y", 121.0, 132.001, true},
      {"0.01 outside high-y", 121.0, 132.01, false},
      {"diagonal to the low corner", 110.001, 109.999, false},
      {"diagonal to the high corner", 132.001, 132.001, false},
      {"far away", 300.0, 300.0, false},
  };
  for (const CasInside& c : cas)
    EXPECT_EQ(geometry::inside_cube(c.x, c.y, monde.cubes), c.dedans) << c.nom;
}

TEST(InsideCube, ScansTheWholeListAndAnEmptyListHoldsNothing) {
  world::Monde monde(1);
  place_cubes(monde, {{5, 5}, {40, 12}, {63, 63}});
  EXPECT_TRUE(geometry::inside_cube(121.0, 121.0, monde.cubes));    // the last cube of the list
  EXPECT_TRUE(geometry::inside_cube(1397.0, 1400.0, monde.cubes));  // the head
  EXPECT_TRUE(geometry::inside_cube(885.0, 270.0, monde.cubes));
  EXPECT_FALSE(geometry::inside_cube(700.0, 700.0, monde.cubes));
  EXPECT_FALSE(geometry::inside_cube(121.0, 121.0, std::vector<world::cube>{}));
}

}  // namespace
