// The current theory: the range of field numbers it allows.
#include "store/CurrentTheory.h"

#include <gtest/gtest.h>

#include "program/Boot.h"
#include "TestSupport.h"

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

TEST_F(CurrentTheoryTest, TheCountOfAProductWithoutSpectrumCountsNoFields) {
  OutputCapture capture;
  ASSERT_EQ(primaryCountKnown(), 1);
  const int start = knownPrimaryCount();
  EXPECT_EQ(start, *TotalPrimaries);
  EXPECT_TRUE(requireSpectrum("test"));
  pointPrimariesAtMaximum();
  // The field conversions still read the largest count ...
  EXPECT_EQ(*TotalPrimaries, 2000000000);
  // ... but nothing that sizes by the count sees it.
  EXPECT_EQ(primaryCountKnown(), 0);
  EXPECT_EQ(knownPrimaryCount(), 0);
  EXPECT_EQ(capture.all, "");
  EXPECT_FALSE(requireSpectrum("test"));
  EXPECT_NE(capture.all.find("No spectrum computed; type \"compute spectrum\" first"), std::string::npos)
      << capture.all;
  initializeAlgebra();
  EXPECT_EQ(knownPrimaryCount(), start);
}

}  // namespace
