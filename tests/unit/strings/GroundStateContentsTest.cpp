// The ground-state contents of the fields of a string theory built on a covariant lattice:
// the search by weight through the chiral algebra (the reading's way) against the first way
// of finding each field's distinct images, every image compared with every one seen before.
// Both must give every field the same four class counts. And a Ctrl-C during the reading
// stops it and leaves no half-built block: the next request builds it again, whole.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <string>
#include <vector>

#include "GepnerProductsTestSupport.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "lie/Branching.h"
#include "runtime/Terminal.h"
#include "strings/StringTheory.h"
#include "strings/StringTheoryInternal.h"
#include "tensor/Coset.h"

namespace {

using gepner_products_test::buildOnTheD6Lattice;
using gepner_products_test::expectSameContents;
using gepner_products_test::kK3Levels;

class GroundStateContentsTest : public ZoqTest {
 protected:
  // From start-up: the D6 lattice (graded by its vector or not) times N = 2 minimal models of
  // the levels, extended by the spectral flow, "Graded" on.
  static void buildSixDimensional(const std::vector<int>& levels, bool gradeLattice) {
    resetAll();
    buildOnTheD6Lattice(levels, gradeLattice);
  }
};

TEST_F(GroundStateContentsTest, EveryK3GepnerProductHasTheSameContentsBothWays) {
  // Every product of N = 2 minimal models with c = 6 that is a K3 (three to six factors).
  for (const std::vector<int>& product : kK3Levels) {
    std::string name;
    for (int k : product) name += std::to_string(k);
    SCOPED_TRACE(name);
    ASSERT_NO_FATAL_FAILURE(buildSixDimensional(product, true));
    EXPECT_GT(expectSameContents(), 0);
  }
}

TEST_F(GroundStateContentsTest, AnUngradedLatticeLeavesOutTheSameMisalignedRowsBothWays) {
  // The internal sectors are tied to each other but not to the lattice's: rows whose
  // lattice sector disagrees are left out, by both ways alike.
  ASSERT_NO_FATAL_FAILURE(buildSixDimensional({2, 2, 2, 2}, false));
  EXPECT_GT(expectSameContents(), 0);
}

TEST_F(GroundStateContentsTest, TheQuinticVacuumIsTheSpaceTimeSinglet) {
  ASSERT_EQ(run("build cy 33333"), 0);
  // The vacuum's one ground state is the D5 singlet.
  std::vector<int> contents;
  ASSERT_TRUE(tensorLatticeContents(currentTensor, false, &contents));
  EXPECT_EQ(std::vector<int>(contents.begin(), contents.begin() + 4),
            (std::vector<int>{1, 0, 0, 0}));
}

TEST_F(GroundStateContentsTest, AProductWithoutALatticeHasNoContents) {
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 2"), 0);
  ASSERT_EQ(run("g a 1 2"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  std::vector<int> contents{7};
  EXPECT_FALSE(tensorLatticeContents(currentTensor, false, &contents));
  EXPECT_TRUE(contents.empty());
}

TEST_F(GroundStateContentsTest, CtrlCDuringTheReadingStopsItAndTheNextRequestBuildsTheBlockWhole) {
  ASSERT_EQ(run("build cy 33333"), 0);
  // The block as an uninterrupted reading makes it.
  const StringBlock* block = getStringData();
  ASSERT_NE(block, nullptr);
  const std::vector<int> whole = stringState().tensorContents;
  const int type = block->spaceTime->type;
  const int rank = block->spaceTime->rank;
  // A Dimension cap of the lattice's own dimension changes nothing but the block's key:
  // the next request reads the theory again.
  ASSERT_EQ(run("set Dimension 10"), 0);
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(getStringData(), StopRequest);
  removeInterruptHandler();
  EXPECT_FALSE(stringState().tensorBuilt);
  // Nothing half-built is taken for the block: the next request builds it again, whole.
  block = getStringData();
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(stringState().tensorBuilt);
  EXPECT_EQ(block->spaceTime->type, type);
  EXPECT_EQ(block->spaceTime->rank, rank);
  EXPECT_EQ(stringState().tensorContents, whole);
  EXPECT_EQ(getRepInfo(0), (std::array<int, 4>{1, 0, 0, 0}));
}

}  // namespace
