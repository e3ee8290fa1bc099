// The NIM-representation search on the E6 invariant of SU(2) level 10: among the NIMreps found
// is one whose annulus matrix for the field of Dynkin label 1 (quantum dimension
// sin(2 pi/12) / sin(pi/12) = 2 cos(pi/12)) is the adjacency matrix of the E6 Dynkin diagram.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::useTheory;

class NimrepSlowTest : public ZoqTest {};

// E6: a tree on six nodes (symmetric 0/1, no loops, five edges) with one node of degree 3
// whose arms have lengths 1, 2 and 2, i.e. exactly one leaf next to the fork.
bool isE6Adjacency(const std::vector<std::vector<int>>& A) {
  if (A.size() != 6) return false;
  std::vector<int> degree(6, 0);
  int edges = 0;
  for (size_t a = 0; a < 6; ++a)
    for (size_t b = 0; b < 6; ++b) {
      if (A[a][b] != A[b][a] || (A[a][b] != 0 && A[a][b] != 1) || (a == b && A[a][b] != 0)) return false;
      degree[a] += A[a][b];
      edges += A[a][b];
    }
  std::vector<int> sorted = degree;
  std::sort(sorted.begin(), sorted.end());
  if (edges != 10 || sorted != std::vector<int>{1, 1, 1, 2, 2, 3}) return false;
  const size_t fork = static_cast<size_t>(std::find(degree.begin(), degree.end(), 3) - degree.begin());
  int leavesAtFork = 0;
  for (size_t b = 0; b < 6; ++b) leavesAtFork += A[fork][b] == 1 && degree[b] == 1 ? 1 : 0;
  // Five edges on six nodes with every node reached from the fork in at most two steps.
  std::vector<int> reached(6, 0);
  reached[fork] = 1;
  for (int step = 0; step < 2; ++step)
    for (size_t a = 0; a < 6; ++a)
      if (reached[a] == step + 1)
        for (size_t b = 0; b < 6; ++b)
          if (A[a][b] == 1 && reached[b] == 0) reached[b] = step + 2;
  return leavesAtFork == 1 && std::count(reached.begin(), reached.end(), 0) == 0;
}

TEST_F(NimrepSlowTest, E6InvariantHasTheE6DiagramAmongItsNimreps) {
  SpectrumData* sd = useTheory(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(buildExceptionalInvariant(getExceptionalInvariantLabel(sd, 1)), 1);
  capture.clear();
  attemptNIMrep(3);
  ASSERT_GE(nimrepCounts().nimreps, 1);
  const NimrepStore& s = nimrepStore();
  ASSERT_EQ(s.N, 11);
  const BoundarySearchState& bs = boundarySearchState();
  int spinHalf = -1;
  // Of the two fields of that quantum dimension, l = 1 has h = 1 x 3 / (4 x 12) = 1/16 and
  // l = 9 has h = 9 x 11 / 48.
  for (int m = 1; m < 11; ++m)
    if (std::fabs(bs.S0[static_cast<size_t>(m)] / bs.S0[0] - 2.0 * std::cos(M_PI / 12.0)) < 1e-9 &&
        std::fabs(MOD_realWeight(m) - 1.0 / 16.0) < 1e-9)
      spinHalf = m;
  ASSERT_NE(spinHalf, -1);
  bool found = false;
  for (const std::vector<int>& M : foundNIMreps()) {
    ASSERT_EQ(M.size(), 36u);
    EXPECT_EQ(checkNIMrep(M, 6), 1);
    std::vector<std::vector<int>> A(6, std::vector<int>(6));
    for (size_t a = 0; a < 6; ++a)
      for (size_t b = 0; b < 6; ++b)
        A[a][b] = s.Annuli[static_cast<size_t>(M[a * 6 + b]) * 11 + static_cast<size_t>(spinHalf)];
    if (isE6Adjacency(A)) found = true;
  }
  EXPECT_TRUE(found);
  // The Moebius analysis finds K^l = 1 or (-1)^l: K^0 = 1 on every solution.
  ASSERT_GE(unorientedNIMreps().size(), 1u);
  for (const std::vector<int>& row : unorientedNIMreps()) EXPECT_EQ(row[kUnimKlein], 1);
}

}  // namespace
