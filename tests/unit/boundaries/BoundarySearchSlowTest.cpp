// The boundary search on the E6 invariant of SU(2) level 10: six boundaries whose annulus
// for the spin-1/2 field is the adjacency matrix of the E6 Dynkin diagram.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::useTheory;

class BoundarySearchSlowTest : public ZoqTest {};

TEST_F(BoundarySearchSlowTest, E6InvariantGetsTheE6Diagram) {
  SpectrumData* sd = useTheory(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(buildExceptionalInvariant(getExceptionalInvariantLabel(sd, 1)), 1);
  capture.clear();
  attemptBoundaries(3);
  EXPECT_NE(capture.printed.find("Complete boundary set nr. 0 stored\n"), std::string::npos)
      << capture.printed;
  ASSERT_EQ(boundarySearchState().completeBS.size(), 1u);
  ASSERT_EQ(TotalBoundaries(), 6);
  // The spin-1/2 field is (1,9), primary 2. E6: a tree on 6 nodes, one node of degree 3
  // with arms of lengths 1, 2 and 2.
  std::vector<std::vector<int>> A(6, std::vector<int>(6));
  for (int a = 0; a < 6; ++a)
    for (int b = 0; b < 6; ++b) A[static_cast<size_t>(a)][static_cast<size_t>(b)] = getOrientedAnnulus(2, a, b);
  std::vector<int> degree(6, 0);
  int edges = 0;
  for (size_t a = 0; a < 6; ++a)
    for (size_t b = 0; b < 6; ++b) {
      EXPECT_EQ(A[a][b], A[b][a]);
      EXPECT_TRUE(A[a][b] == 0 || A[a][b] == 1);
      degree[a] += A[a][b];
      edges += A[a][b];
    }
  EXPECT_EQ(edges, 2 * 5);
  std::vector<int> sorted = degree;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{1, 1, 1, 2, 2, 3}));
  const size_t fork = static_cast<size_t>(std::find(degree.begin(), degree.end(), 3) - degree.begin());
  ASSERT_LT(fork, 6u);
  int leavesAtFork = 0;
  for (size_t b = 0; b < 6; ++b) leavesAtFork += A[fork][b] == 1 && degree[b] == 1 ? 1 : 0;
  EXPECT_EQ(leavesAtFork, 1);
}

}  // namespace
