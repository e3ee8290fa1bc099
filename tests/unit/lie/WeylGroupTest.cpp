// The finite Weyl group: orders, the parent structure, products, orbits of dominant
// weights, stabilisers of affine weights, parity orbits and sign classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "lie/LieAlgebra.h"
#include "lie/WeylGroup.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

class WeylGroupTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST_F(WeylGroupTest, GroupOfA2) {
  const WeylGroupCollection* g = initWeylGroup(1, 2);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->count(), 6);
  int first[2] = {0, 0};
  g->labels(0, first);
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(first[1], 1);
  EXPECT_EQ(g->parent(0), -1);
  EXPECT_EQ(g->reflection(0), -1);
  std::set<std::vector<int>> labels;
  for (int k = 0; k < 6; ++k) {
    std::vector<int> row(2);
    g->labels(k, row.data());
    labels.insert(row);
    if (k > 0) {
      EXPECT_LT(g->parent(k), k);
    }
  }
  EXPECT_EQ(labels.size(), 6u);
  // w_0 rho = -rho: the longest element maps rho to (-1, -1).
  EXPECT_EQ(labels.count({-1, -1}), 1u);
}

TEST_F(WeylGroupTest, OrdersOfTheGroups) {
  struct Case {
    int type, rank, order;
  };
  // (r+1)!, 2^r r!, 2^(r-1) r!, G2 12, F4 1152, E6 51840.
  const Case cases[] = {{1, 1, 2},  {1, 3, 24},  {1, 5, 720},  {2, 2, 8},      {2, 4, 384},
                        {3, 3, 48}, {4, 4, 192}, {4, 5, 1920}, {5, 2, 12},     {5, 4, 1152},
                        {5, 6, 51840}};
  for (const Case& c : cases) {
    OutputCapture capture;
    const WeylGroupCollection* g = initWeylGroup(c.type, c.rank);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->count(), c.order) << c.type << " " << c.rank;
    EXPECT_EQ(capture.stdoutText, c.order >= 10001 ? "Initialization finished\n" : "");
  }
}

TEST_F(WeylGroupTest, E7IsTheLargestGroupBuiltAndE8IsRefused) {
  {
    OutputCapture capture;
    const WeylGroupCollection* g = initWeylGroup(5, 7);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->count(), 2903040);
    EXPECT_EQ(capture.stdoutText, "Initialization finished\n");
  }
  OutputCapture capture;
  EXPECT_EQ(initWeylGroup(5, 8), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Weyl group size too large (size 696729600, maximum 3000000) "));
  EXPECT_EQ(WeylReflections(5, 8, std::vector<int>(8, 1).data()), nullptr);
}

TEST_F(WeylGroupTest, B1HasTheGroupOfOrderTwo) {
  const WeylGroupCollection* g = initWeylGroup(2, 1);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->count(), 2);
  EXPECT_EQ(WeylMultiply(2, 1, 1, 1), 0);
}

// The numbering of the elements: breadth first over the rows in order of creation and the
// reflections in increasing order, a repeat of known labels dropped.
std::vector<std::vector<int>> breadthFirstLabels(int type, int rank) {
  Cartan(type, rank);
  const LieData& lie = Zoq_lieData();
  std::vector<int> cm(lie.CM.begin(), lie.CM.end());
  std::vector<std::vector<int>> rows{std::vector<int>(rank, 1)};
  std::vector<int> reflection{-1};
  std::set<std::vector<int>> seen(rows.begin(), rows.end());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    for (int i = 0; i < rank; ++i) {
      if (i == reflection[k]) continue;
      std::vector<int> image(rank);
      for (int j = 0; j < rank; ++j) image[j] = rows[k][j] - cm[i * (rank + 1) + j] * rows[k][i];
      if (seen.insert(image).second) rows.push_back(image), reflection.push_back(i);
    }
  }
  return rows;
}

TEST_F(WeylGroupTest, ElementsAreNumberedBreadthFirst) {
  const std::pair<int, int> algebras[] = {{1, 4}, {2, 3}, {3, 4}, {4, 5}, {5, 2}, {5, 4}};
  for (const auto& [type, rank] : algebras) {
    const auto want = breadthFirstLabels(type, rank);
    const WeylGroupCollection* g = initWeylGroup(type, rank);
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(static_cast<std::size_t>(g->count()), want.size());
    std::vector<int> labels(rank);
    for (int k = 0; k < g->count(); ++k) {
      g->labels(k, labels.data());
      ASSERT_EQ(labels, want[static_cast<std::size_t>(k)]) << type << " " << rank << " element " << k;
    }
  }
}

TEST_F(WeylGroupTest, TableAndActionGiveTheSameProducts) {
  // F4 (1152 elements) multiplies by its table; the group law is checked against the
  // action of the words on rho, which is what larger groups use.
  const WeylGroupCollection* g = initWeylGroup(5, 4);
  ASSERT_NE(g, nullptr);
  const int n = g->count();
  std::vector<int> b(4), image(4), product(4);
  Cartan(5, 4);
  const std::vector<int> cm(Zoq_lieData().CM.begin(), Zoq_lieData().CM.end());
  for (int x = 0; x < n; x += 37) {
    for (int y = 0; y < n; y += 41) {
      g->labels(y, b.data());
      // The word of x, outermost reflection first; applied innermost first.
      std::vector<int> word;
      for (int k = x; k > 0; k = g->parent(k)) word.push_back(g->reflection(k));
      image = b;
      for (auto it = word.rbegin(); it != word.rend(); ++it) {
        std::vector<int> next(4);
        for (int j = 0; j < 4; ++j) next[j] = image[j] - cm[*it * 5 + j] * image[*it];
        image = next;
      }
      g->labels(WeylMultiply(5, 4, x, y), product.data());
      EXPECT_EQ(product, image) << x << " " << y;
    }
  }
}

TEST_F(WeylGroupTest, DynkinParityOrbitsInTheOrderOfThePasses) {
  // Passes over the reflections, each over every element found so far, while the orbit grows.
  const std::pair<int, int> algebras[] = {{1, 4}, {4, 5}, {5, 6}, {3, 3}};
  for (const auto& [type, rank] : algebras) {
    Cartan(type, rank);
    const std::vector<int> cm(Zoq_lieData().CM.begin(), Zoq_lieData().CM.end());
    for (int start = 0; start < (1 << rank); start += 3) {
      std::vector<std::vector<int>> want{std::vector<int>(rank)};
      for (int i = 0; i < rank; ++i) want[0][i] = (start >> i) & 1;
      std::set<std::vector<int>> seen(want.begin(), want.end());
      for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < rank; ++i) {
          for (std::size_t e = 0; e < want.size(); ++e) {
            std::vector<int> image(rank);
            for (int j = 0; j < rank; ++j) image[j] = ((want[e][j] - cm[i * (rank + 1) + j] * want[e][i]) % 2 + 2) % 2;
            if (seen.insert(image).second) want.push_back(image), grew = true;
          }
        }
      }
      int count = 0;
      const int* orbit = DynkinWeylParityOrbit(type, rank, want[0].data(), &count);
      ASSERT_EQ(static_cast<std::size_t>(count), want.size());
      for (int e = 0; e < count; ++e)
        EXPECT_EQ(std::vector<int>(orbit + e * rank, orbit + (e + 1) * rank), want[static_cast<std::size_t>(e)]);
    }
  }
}

TEST_F(WeylGroupTest, InvalidTypesAreReported) {
  OutputCapture capture;
  EXPECT_EQ(initWeylGroup(13, 2), nullptr);
  EXPECT_EQ(initWeylGroup(1, 0), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid input\nType=13, Rank=2, Level=1\nRoutine: initWeylGroup"));
}

TEST_F(WeylGroupTest, ProductsFormTheGroup) {
  const WeylGroupCollection* g = initWeylGroup(2, 3);
  ASSERT_NE(g, nullptr);
  const int n = g->count();
  for (int b = 0; b < n; ++b) EXPECT_EQ(WeylMultiply(2, 3, 0, b), b);
  // Every element has an inverse, and the product is associative.
  for (int a = 0; a < n; a += 5) {
    int inverses = 0;
    for (int b = 0; b < n; ++b) inverses += WeylMultiply(2, 3, a, b) == 0;
    EXPECT_EQ(inverses, 1);
    for (int b = 1; b < n; b += 7) {
      const int c = (a * 13 + b) % n;
      EXPECT_EQ(WeylMultiply(2, 3, WeylMultiply(2, 3, a, b), c), WeylMultiply(2, 3, a, WeylMultiply(2, 3, b, c)));
    }
  }
  OutputCapture capture;
  EXPECT_EQ(WeylMultiply(2, 3, n, 0), -1);
  EXPECT_EQ(WeylMultiply(2, 3, 0, -1), -1);
  EXPECT_TRUE(
      contains(capture.diagnostics, "Element 48 out of range: the Weyl group has 48 elements, numbered 0 to 47"));
  EXPECT_TRUE(contains(capture.diagnostics, "Element -1 out of range"));
}

TEST_F(WeylGroupTest, OrbitsOfDominantWeights) {
  struct Case {
    int type, rank;
    std::vector<int> weight;
    std::size_t size;
  };
  // |W| / |stabiliser|: the 3 and 6 weights of A2 and A3's (0,1,0); the 6 vector weights of
  // B3 and C3; the 8 vector weights of D4; the 27 weights of E6's minuscule 27; the 72 roots
  // of E6, the 24 long and 24 short roots of F4, the 6 long and 6 short roots of G2.
  const Case cases[] = {{1, 2, {1, 0}, 3},
                        {1, 3, {0, 1, 0}, 6},
                        {2, 3, {1, 0, 0}, 6},
                        {3, 3, {1, 0, 0}, 6},
                        {4, 4, {1, 0, 0, 0}, 8},
                        {5, 6, {1, 0, 0, 0, 0, 0}, 27},
                        {5, 6, {0, 0, 0, 0, 0, 1}, 72},
                        {5, 4, {1, 0, 0, 0}, 24},
                        {5, 4, {0, 0, 0, 1}, 24},
                        {5, 2, {1, 0}, 6},
                        {5, 2, {0, 1}, 6},
                        {1, 2, {1, 1}, 6}};
  for (const Case& c : cases) {
    OutputCapture capture;
    const WeylOrbitList* orbit = WeylReflections(c.type, c.rank, c.weight.data());
    ASSERT_NE(orbit, nullptr);
    EXPECT_EQ(orbit->count, WeylGroupOrder(c.type, c.rank));
    std::set<std::vector<int>> distinct;
    for (int k = 0; k < orbit->count; ++k) distinct.insert(std::vector<int>(orbit->row(k), orbit->row(k) + c.rank));
    EXPECT_EQ(distinct.size(), c.size) << c.type << " " << c.rank;
    EXPECT_EQ(std::vector<int>(orbit->row(0), orbit->row(0) + c.rank), c.weight);
  }
}

// The distinct images of the whole-group orbit list in the order they first appear.
std::vector<std::vector<int>> firstAppearances(int type, int rank, const std::vector<int>& weight) {
  const WeylOrbitList* images = WeylReflections(type, rank, weight.data());
  std::vector<std::vector<int>> rows;
  if (images == nullptr) return rows;
  std::set<std::vector<int>> seen;
  for (int k = 0; k < images->count; ++k) {
    std::vector<int> row(images->row(k), images->row(k) + rank);
    if (seen.insert(row).second) rows.push_back(row);
  }
  return rows;
}

std::vector<std::vector<int>> walkedOrbit(int type, int rank, const std::vector<int>& weight) {
  const WeylOrbitList* orbit = WeylOrbit(type, rank, weight.data());
  std::vector<std::vector<int>> rows;
  if (orbit == nullptr) return rows;
  EXPECT_EQ(orbit->rowLength, rank);
  for (int k = 0; k < orbit->count; ++k) rows.emplace_back(orbit->row(k), orbit->row(k) + rank);
  return rows;
}

TEST_F(WeylGroupTest, WalkedOrbitsListTheWholeGroupsImagesInTheSameOrder) {
  struct Case {
    int type, rank, largest;
  };
  // Every dominant weight with labels up to `largest`, zero labels (stabilisers) included.
  const Case cases[] = {{1, 1, 3}, {1, 2, 2}, {1, 3, 2}, {1, 4, 1}, {2, 2, 2}, {2, 3, 2}, {2, 4, 1},
                        {3, 3, 2}, {3, 4, 1}, {4, 4, 1}, {4, 5, 1}, {5, 2, 3}, {5, 4, 1}};
  for (const Case& c : cases) {
    std::vector<int> weight(c.rank, 0);
    for (;;) {
      ASSERT_EQ(walkedOrbit(c.type, c.rank, weight), firstAppearances(c.type, c.rank, weight))
          << c.type << " " << c.rank << " weight " << ::testing::PrintToString(weight);
      int i = 0;
      while (i < c.rank && weight[i] == c.largest) weight[i++] = 0;
      if (i == c.rank) break;
      ++weight[i];
    }
  }
  // E6: the 27, the adjoint and rho (the whole group, 51,840 weights).
  OutputCapture capture;
  for (const std::vector<int>& weight : {std::vector<int>{1, 0, 0, 0, 0, 0}, std::vector<int>{0, 0, 0, 0, 0, 1},
                                         std::vector<int>{0, 1, 0, 0, 1, 0}, std::vector<int>(6, 1)})
    ASSERT_EQ(walkedOrbit(5, 6, weight), firstAppearances(5, 6, weight)) << ::testing::PrintToString(weight);
}

TEST_F(WeylGroupTest, WalkedOrbitSizesNormsAndTheDominantWeight) {
  struct Case {
    int type, rank;
    std::vector<int> weight;
    int size;
  };
  // |W| / |stabiliser|: E7's 56 (label 1 on the node of comark 1); E6's rho, regular, so
  // |W(E6)|; A2's (1,0) the 3; A3's rho |W(A3)| = 24; B2's (1,0) the 4 short weights
  // +-e_1, +-e_2.
  const Case cases[] = {{5, 7, {0, 0, 0, 0, 0, 1, 0}, 56},
                        {5, 6, {1, 1, 1, 1, 1, 1}, 51840},
                        {1, 2, {1, 0}, 3},
                        {1, 3, {1, 1, 1}, 24},
                        {2, 2, {1, 0}, 4}};
  for (const Case& c : cases) {
    OutputCapture capture;
    const std::vector<std::vector<int>> orbit = walkedOrbit(c.type, c.rank, c.weight);
    ASSERT_EQ(static_cast<int>(orbit.size()), c.size) << c.type << " " << c.rank;
    // Nothing of the group is built for a dominant weight.
    EXPECT_EQ(capture.stdoutText, "");
    EXPECT_EQ(orbit[0], c.weight);
    // (mu, mu) = mu^T ICM mu / MetricNorm ((omega_i, omega_j) = ICM_ij / MetricNorm): the
    // same for every weight of the orbit, compared as the integer mu^T ICM mu.
    ASSERT_GT(InverseCartan(c.type, c.rank), 0);
    const LieData& lie = Zoq_lieData();
    auto norm = [&](const std::vector<int>& mu) {
      long long sum = 0;
      for (int i = 0; i < c.rank; ++i) {
        for (int j = 0; j < c.rank; ++j)
          sum += static_cast<long long>(mu[i]) * lie.ICM[static_cast<std::size_t>(i) * c.rank + j] * mu[j];
      }
      return sum;
    };
    const long long first = norm(orbit[0]);
    int dominant = 0;
    std::set<std::vector<int>> distinct;
    for (const std::vector<int>& mu : orbit) {
      ASSERT_EQ(norm(mu), first) << ::testing::PrintToString(mu);
      if (std::all_of(mu.begin(), mu.end(), [](int v) { return v >= 0; })) ++dominant;
      distinct.insert(mu);
    }
    EXPECT_EQ(dominant, 1);
    EXPECT_EQ(distinct.size(), orbit.size());
  }
}

TEST_F(WeylGroupTest, WalkedOrbitsOfOtherWeightsAndRefusedGroups) {
  // A weight with a negative label goes through the whole group: the same list.
  const std::vector<int> weight{-1, 2, 0};
  EXPECT_EQ(walkedOrbit(1, 3, weight), firstAppearances(1, 3, weight));
  // s_1 (-1, 2, 0) = (1, 1, 0), whose stabiliser is {1, s_3}: 24 / 2 weights.
  EXPECT_EQ(walkedOrbit(1, 3, weight).size(), 12u);
  // E8's group is above the maximum: refused as the group is, for every weight.
  OutputCapture capture;
  EXPECT_EQ(WeylOrbit(5, 8, std::vector<int>(8, 0).data()), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Weyl group size too large (size 696729600, maximum 3000000) "));
  OutputCapture invalid;
  EXPECT_EQ(WeylOrbit(5, 5, std::vector<int>(5, 1).data()), nullptr);
  EXPECT_TRUE(contains(invalid.diagnostics, "Invalid input"));
}

TEST_F(WeylGroupTest, OrbitTimesStabiliserIsTheGroupOrder) {
  struct Case {
    int type, rank;
  };
  const Case cases[] = {{1, 3}, {2, 3}, {3, 3}, {4, 4}, {5, 2}, {5, 4}};
  for (const Case& c : cases) {
    // Every dominant weight with labels in {0, 1}; a non-zero affine label leaves the
    // stabiliser to the zero finite labels.
    for (int mask = 0; mask < (1 << c.rank); ++mask) {
      std::vector<int> weight(c.rank + 1, 1);
      for (int i = 0; i < c.rank; ++i) weight[i] = (mask >> i) & 1;
      const WeylOrbitList* orbit = WeylReflections(c.type, c.rank, weight.data());
      ASSERT_NE(orbit, nullptr);
      std::set<std::vector<int>> distinct;
      for (int k = 0; k < orbit->count; ++k) distinct.insert(std::vector<int>(orbit->row(k), orbit->row(k) + c.rank));
      const int stabiliser = WeylBoundaryMultiplicity(weight.data(), c.type, c.rank);
      EXPECT_EQ(static_cast<long long>(distinct.size()) * stabiliser, WeylGroupOrder(c.type, c.rank))
          << c.type << " " << c.rank << " " << mask;
    }
  }
}

TEST_F(WeylGroupTest, StabilisersOfAffineWeights) {
  const std::vector<int> regular = {1, 2, 1};
  EXPECT_EQ(WeylBoundaryMultiplicity(regular.data(), 1, 2), 1);
  // Vacuum of A_r at level k > 0: the finite Weyl group, (r+1)!.
  for (int r = 1; r <= 5; ++r) {
    std::vector<int> vacuum(r + 1, 0);
    vacuum[r] = 3;
    int factorial = 1;
    for (int i = 2; i <= r + 1; ++i) factorial *= i;
    EXPECT_EQ(WeylBoundaryMultiplicity(vacuum.data(), 1, r), factorial) << r;
  }
  // E8 vacuum: the whole finite Weyl group.
  std::vector<int> e8(9, 0);
  e8[8] = 1;
  EXPECT_EQ(WeylBoundaryMultiplicity(e8.data(), 5, 8), 696729600);
  // A3 with labels (0, 1, 0 | 0): nodes 0, 2 and the affine node form A3 (order 24).
  const std::vector<int> a3 = {0, 1, 0, 0};
  EXPECT_EQ(WeylBoundaryMultiplicity(a3.data(), 1, 3), 24);
  // D4 with only node 1 non-zero: four isolated nodes, 2^4.
  const std::vector<int> d4 = {0, 1, 0, 0, 0};
  EXPECT_EQ(WeylBoundaryMultiplicity(d4.data(), 4, 4), 16);
  // G2 with node 1 non-zero: nodes 0 and the affine node, A2 (6).
  const std::vector<int> g2 = {0, 1, 0};
  EXPECT_EQ(WeylBoundaryMultiplicity(g2.data(), 5, 2), 6);
  // B3 vacuum: B3 = 48; C3 vacuum: C3 = 48; F4 vacuum 1152.
  EXPECT_EQ(WeylBoundaryMultiplicity(std::vector<int>{0, 0, 0, 1}.data(), 2, 3), 48);
  EXPECT_EQ(WeylBoundaryMultiplicity(std::vector<int>{0, 0, 0, 1}.data(), 3, 3), 48);
  EXPECT_EQ(WeylBoundaryMultiplicity(std::vector<int>{0, 0, 0, 0, 1}.data(), 5, 4), 1152);
}

TEST_F(WeylGroupTest, WholeAffineDiagramIsNotRecognised) {
  OutputCapture capture;
  const std::vector<int> zero = {0, 0, 0};
  EXPECT_EQ(WeylBoundaryMultiplicity(zero.data(), 1, 2), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Unrecognized Cartan matrix"));
  EXPECT_TRUE(contains(capture.all, "n6=3; n3=0; n2=0; c1=0; c2=3; c3=0; con[0]=-1; con[1]=-1; con[2]=-1\n"));
}

TEST_F(WeylGroupTest, ConjugacyClassVectors) {
  auto vec = [](int type, int rank, int J) {
    const int* v = conjugacyClassVector(type, rank, J);
    return std::vector<int>(v, v + rank);
  };
  EXPECT_EQ(vec(1, 3, 1), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(vec(1, 3, 2), (std::vector<int>{2, 0, 2}));
  EXPECT_EQ(vec(2, 3, 1), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(vec(3, 4, 1), (std::vector<int>{1, 0, 1, 0}));
  EXPECT_EQ(vec(4, 4, 2), (std::vector<int>{0, 0, 2, 2}));
  EXPECT_EQ(vec(4, 4, 1), (std::vector<int>{2, 0, 2, 0}));  // m = 5 mod 4 = 1
  EXPECT_EQ(vec(4, 4, 3), (std::vector<int>{2, 0, 0, 2}));  // m = 7 mod 4 = 3
  EXPECT_EQ(vec(4, 5, 1), (std::vector<int>{2, 0, 2, 1, 3}));  // m = (4 + 1) mod 4 = 1
  EXPECT_EQ(vec(4, 5, 3), (std::vector<int>{2, 0, 2, 3, 1}));  // m = 7 mod 4 = 3
  EXPECT_EQ(vec(5, 6, 1), (std::vector<int>{1, 2, 0, 1, 2, 0}));
  EXPECT_EQ(vec(5, 7, 1), (std::vector<int>{0, 0, 0, 1, 0, 1, 1}));
  EXPECT_EQ(vec(5, 8, 1), (std::vector<int>(8, 0)));
}

TEST_F(WeylGroupTest, ParityOrbitsAndSignClasses) {
  int count = 0;
  // A2 weight (1, 0) modulo 2: {(1,0), (1,1), (0,1)}.
  const std::vector<int> w = {1, 0};
  DynkinWeylParityOrbit(1, 2, w.data(), &count);
  EXPECT_EQ(count, 3);
  const int* classes = DynkinSignClasses(1, 2, &count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(std::vector<int>(classes, classes + 4), (std::vector<int>{0, 0, 0, 1}));
  // The six roots of A2 stay distinct modulo 10: more than 2^rank + 1 elements are held.
  OutputCapture capture;
  const std::vector<int> alpha = {1, 0};
  const int* orbit = WeylParityOrbit(1, 2, alpha.data(), &count, 5);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(capture.diagnostics, "");
  std::set<std::vector<int>> distinct;
  for (int e = 0; e < count; ++e) {
    distinct.insert({orbit[2 * e], orbit[2 * e + 1]});
    EXPECT_GE(orbit[2 * e], 0);
    EXPECT_LT(orbit[2 * e], 10);
  }
  EXPECT_EQ(distinct.size(), 6u);
  // A1: beta and -beta agree modulo 2, so the classes are {0} and {1}.
  const int* a1 = SignClasses(1, 1, &count, 0);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(a1[0], 0);
  EXPECT_EQ(a1[1], 1);
}

}  // namespace
