#include "geometry/segments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "simulation/monde_de_test.h"
#include "simulation/oracle.h"

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The reference tick's own tests answer every case too: it derives them
// another way, and the differential test trusts it on the game's inputs.
oracle::point o(geometry::point p) { return {p.x, p.y}; }

struct CasLeft {
  geometry::point a, b, p;
  int attendu;
};

TEST(Left, SideOfTheDirectedLineWithAnAreaTolerance) {
  const CasLeft cas[] = {
      {{0, 0}, {10, 0}, {5, 1}, 1},
      {{0, 0}, {10, 0}, {5, -1}, -1},
      {{0, 0}, {10, 0}, {5, 0.004}, 0},  // cross product 0.04, within 0.05
      {{0, 0}, {10, 0}, {5, -0.004}, 0},
      {{0, 0}, {10, 0}, {5, 0.006}, 1},  // 0.06, beyond
      {{0, 0}, {10, 0}, {5, -0.006}, -1},
      {{0, 0}, {1, 0}, {0.5, 0.05}, 0},  // exactly epsilon: bounds of the tolerance included
      {{0, 0}, {1, 0}, {0.5, -0.05}, 0},
      {{0, 0}, {10, 0}, {50, 0}, 0},   // on the line, outside the span
      {{10, 0}, {0, 0}, {5, 1}, -1},   // reversed direction flips the side
      {{0, 0}, {0, 10}, {-1, 5}, 1},   // left of an upward line is smaller x
      {{0, 0}, {10, 0}, {5, nan}, 0},  // not a number is neither side
  };
  for (const CasLeft& c : cas) {
    SCOPED_TRACE(::testing::Message() << "a=(" << c.a.x << "," << c.a.y << ") b=(" << c.b.x << ","
                                      << c.b.y << ") p=(" << c.p.x << "," << c.p.y << ")");
    EXPECT_EQ(geometry::left(c.a, c.b, c.p), c.attendu);
    EXPECT_EQ(oracle::left(o(c.a), o(c.b), o(c.p)), c.attendu) << "reference";
  }
}

struct CasBetween {
  geometry::point a, b, p;
  bool attendu;
};

TEST(Between, ComparesOnlyOneCoordinateWithInclusiveBounds) {
  const CasBetween cas[] = {
      {{0, 0}, {10, 0}, {10, 3}, true},  // only x for a non-vertical segment
      {{0, 0}, {10, 0}, {0, 0}, true},
      {{0, 0}, {10, 0}, {10.001, 0}, false},
      {{0, 0}, {10, 0}, {-0.001, 0}, false},
      {{10, 0}, {0, 0}, {3, 0}, true},  // either direction
      {{0, 0}, {10, 5}, {5, 100}, true},
      {{2, 0}, {2, 10}, {7, 5}, true},  // only y for a vertical one
      {{2, 0}, {2, 10}, {2, 10}, true},
      {{2, 0}, {2, 10}, {2, 10.001}, false},
      {{2, 10}, {2, 0}, {2, -0.001}, false},
  };
  for (const CasBetween& c : cas) {
    SCOPED_TRACE(::testing::Message() << "a=(" << c.a.x << "," << c.a.y << ") b=(" << c.b.x << ","
                                      << c.b.y << ") p=(" << c.p.x << "," << c.p.y << ")");
    EXPECT_EQ(geometry::between(c.a, c.b, c.p), c.attendu);
    EXPECT_EQ(oracle::between(o(c.a), o(c.b), o(c.p)), c.attendu) << "reference";
  }
}

struct CasIntersection {
  const char* nom;
  geometry::point p1, p2, p3, p4;
  bool attendu;
};

TEST(IntersectSegment, CrossingTouchingOverlappingAndDisjointSegments) {
  const CasIntersection cas[] = {
      {"crossing", {0, 0}, {10, 10}, {0, 10}, {10, 0}, true},
      {"end to end", {0, 0}, {5, 0}, {5, 0}, {9, 3}, true},
      {"T-junction", {0, 0}, {10, 0}, {5, 0}, {5, 7}, true},
      {"T-junction reversed", {5, 0}, {5, 7}, {0, 0}, {10, 0}, true},
      {"collinear overlapping", {0, 0}, {10, 0}, {5, 0}, {15, 0}, true},
      {"collinear disjoint", {0, 0}, {4, 0}, {5, 0}, {9, 0}, false},
      {"parallel 0.001 apart", {0, 0}, {10, 0}, {2, 0.001}, {8, 0.001}, true},
      {"parallel 0.1 apart", {0, 0}, {10, 0}, {2, 0.1}, {8, 0.1}, false},
      {"lines cross beyond an end", {0, 0}, {1, 1}, {0, 10}, {10, 0}, false},
      {"perpendicular, stopping short", {0, 0}, {10, 0}, {5, 1}, {5, 7}, false},
      {"perpendicular, reaching past", {0, 0}, {10, 0}, {5, -1}, {5, 7}, true},
      // Each end in turn is the only one on the other segment.
      {"slanting, ending on the other", {0, 0}, {10, 0}, {12, 7}, {5, 0}, true},
      // Within the tolerance of the other's line, but past its end.
      {"starting just past an end", {0, 0}, {10, 0}, {10.001, 0.001}, {2000, 1000}, false},
  };
  for (const CasIntersection& c : cas) {
    EXPECT_EQ(geometry::intersect_segment(c.p1, c.p2, c.p3, c.p4), c.attendu) << c.nom;
    // The answer does not depend on which segment comes first.
    EXPECT_EQ(geometry::intersect_segment(c.p3, c.p4, c.p1, c.p2), c.attendu)
        << c.nom << ", swapped";
    EXPECT_EQ(oracle::intersect_segment(o(c.p1), o(c.p2), o(c.p3), o(c.p4)), c.attendu)
        << c.nom << ", reference";
    EXPECT_EQ(oracle::intersect_segment(o(c.p3), o(c.p4), o(c.p1), o(c.p2)), c.attendu)
        << c.nom << ", reference swapped";
  }
}

// Faces as ((x, y), (x, y)) pairs, in list order.
using FacesAttendues = std::vector<std::vector<double>>;

std::string decrit(const geometry::Faces& faces) {
  std::string texte;
  for (const geometry::segment& f : faces)
    texte += "(" + std::to_string(f.debut.x) + "," + std::to_string(f.debut.y) + ")-(" +
             std::to_string(f.fin.x) + "," + std::to_string(f.fin.y) + ") ";
  return texte;
}

struct CasFaces {
  const char* nom;
  std::vector<Case> cubes;
  geometry::point p;
  FacesAttendues attendues;
};

TEST(GetCubeInterSegments, GathersTheExposedFacingFacesInOrder) {
  const CasFaces cas[] = {
      {"no cube", {}, {120, 120}, {}},
      {"cube in the column before",
       {{4, 5}},
       {120, 120},
       {{88, 110, 109, 110}, {88, 131, 109, 131}, {109, 110, 109, 131}}},
      {"cube in the point's cell",
       {{5, 5}},
       {120, 120},
       {{110, 110, 131, 110}, {110, 131, 131, 131}, {110, 110, 110, 131}, {131, 110, 131, 131}}},
      {"shared face returned by neither cube",
       {{4, 5}, {5, 5}},
       {120, 120},
       {{110, 110, 131, 110},
        {110, 131, 131, 131},
        {131, 110, 131, 131},
        {88, 110, 109, 110},
        {88, 131, 109, 131}}},
      {"diagonal cube shows its two facing sides",
       {{6, 6}},
       {120, 120},
       {{132, 132, 153, 132}, {132, 132, 132, 153}}},
      {"cube two cells away is ignored", {{7, 5}}, {120, 120}, {}},
      {"cell surrounded on every side",
       {{4, 4}, {4, 5}, {4, 6}, {5, 4}, {5, 5}, {5, 6}, {6, 4}, {6, 5}, {6, 6}},
       {120, 120},
       {}},
      {"first column looks at the border ring",
       {{0, 5}},
       {5, 120},
       {{0, 110, 21, 110}, {0, 131, 21, 131}, {0, 110, 0, 131}, {21, 110, 21, 131}}},
      {"last cell of the board",
       {{63, 63}},
       {1407.99, 1407.99},
       {{1386, 1386, 1407, 1386},
        {1386, 1407, 1407, 1407},
        {1386, 1386, 1386, 1407},
        {1407, 1386, 1407, 1407}}},
  };
  for (const CasFaces& c : cas) {
    world::Monde monde(1);
    for (Case k : c.cubes) place_cube(monde, k);
    const geometry::Faces faces = geometry::get_cube_inter_segments(monde.grille, c.p.x, c.p.y);
    ASSERT_EQ(faces.taille(), c.attendues.size()) << c.nom << ": " << decrit(faces);
    for (std::size_t k = 0; k < faces.taille(); ++k) {
      const geometry::segment& f = faces[k];
      const std::vector<double> obtenue{f.debut.x, f.debut.y, f.fin.x, f.fin.y};
      EXPECT_EQ(obtenue, c.attendues[k]) << c.nom << ", face " << k << ": " << decrit(faces);
    }
  }
}

TEST(GetCubeInterSegments, APointOffTheBoardGetsNoFaces) {
  // Cubes all along the board's rim, so that a point clamped onto the board
  // instead of refused would find faces.
  world::Monde monde(1);
  for (int k = 0; k < 64; ++k) place_cubes(monde, {{k, 0}, {k, 63}, {0, k}, {63, k}});
  const geometry::point hors_plateau[] = {
      {1408.0, 700.0}, {1500.0, 700.0}, {700.0, 1408.0},
      {700.0, 1450.0}, {-0.5, 700.0},   {-30.0, 700.0},
      {700.0, -30.0},  {1e300, 1e300},  {-1e300, 5.0},
      {nan, 700.0},    {700.0, nan},    {std::numeric_limits<double>::infinity(), 700.0},
  };
  for (geometry::point p : hors_plateau)
    EXPECT_TRUE(geometry::get_cube_inter_segments(monde.grille, p.x, p.y).vide())
        << p.x << ", " << p.y;
  // The same cubes are found from just inside the board.
  EXPECT_FALSE(geometry::get_cube_inter_segments(monde.grille, 1407.9, 700.0).vide());
  EXPECT_FALSE(geometry::get_cube_inter_segments(monde.grille, 0.0, 700.0).vide());
}

}  // namespace
