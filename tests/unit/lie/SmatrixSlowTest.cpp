// Long sweeps of the modular relations beyond the default run (label "slow"): the
// classical algebras of ranks 6 to 8 and levels up to 4, and the exceptional algebras at
// levels 4 to 6.
#include <gtest/gtest.h>

#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixSlowTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(SmatrixSlowTest, ClassicalAlgebrasOfRanksSixToEight) {
  for (int level = 1; level <= 4; ++level) {
    for (int rank = 6; rank <= 8; ++rank) {
      for (int type = 1; type <= 4; ++type) expectModularData({type, rank, level});
    }
  }
}

TEST_F(SmatrixSlowTest, ExceptionalAlgebrasAtHigherLevels) {
  OutputCapture capture;
  for (int level = 4; level <= 6; ++level) {
    for (int rank : {2, 4, 6, 7, 8}) expectModularData({5, rank, level});
  }
}

}  // namespace
