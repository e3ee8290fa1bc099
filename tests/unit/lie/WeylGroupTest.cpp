// The finite Weyl group: orders, the parent structure, products, orbits of dominant
// weights, stabilisers of affine weights, parity orbits and sign classes.
#include <gtest/gtest.h>

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
  EXPECT_EQ(g->row(0)[0], 1);
  EXPECT_EQ(g->row(0)[1], 1);
  EXPECT_EQ(g->parent(0), -1);
  EXPECT_EQ(g->reflection(0), -1);
  std::set<std::vector<int>> labels;
  for (int k = 0; k < 6; ++k) {
    labels.insert({g->row(k)[0], g->row(k)[1]});
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
  EXPECT_TRUE(contains(capture.diagnostics, "Element not found"));
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
