// The current theory: the range of field numbers it allows.
#include "store/CurrentTheory.h"

#include <gtest/gtest.h>

#include "program/Boot.h"

namespace {

class CurrentTheoryTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { resetAll(); }
};

TEST_F(CurrentTheoryTest, FieldLimitsFollowTheCurrentTheory) {
  ASSERT_NE(TotalPrimaries, nullptr);
  int saved = *TotalPrimaries;
  *TotalPrimaries = 7;
  EXPECT_EQ(checkFieldLimits(-3), 0);
  EXPECT_EQ(checkFieldLimits(4), 4);
  EXPECT_EQ(checkFieldLimits(7), 6);
  EXPECT_EQ(checkFieldLimits(1000), 6);
  *TotalPrimaries = saved;
}

}  // namespace
