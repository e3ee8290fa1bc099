// The set-up of the N=2 minimal models: the gravitino action and the conjugates of every
// field (each an orbit-local look-up), the largest level whose field data fit, and a
// build that the stop signal breaks off, which leaves no record behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "TestSupport.h"

namespace {

class StoremanagerMinimalBuild : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { setStopSignal(0); }
};

using Label = std::tuple<int, int, int>;

Label standardLabel(int k, int l, int m, int s) {
  SM_mapMinimal2(k, &l, &m, &s);
  return {l, m, s};
}

int listedRecords(int type, int level) {
  int count = 0;
  for (SpectrumData* sd = SM_getFirstAlgebra(); sd != nullptr; sd = SM_nextAlgebra(sd)) {
    const bool fixedPointTheory = std::string(sd->name).find("FCFT minimal") == 0;
    count += sd->level == level && (sd->type == type || fixedPointTheory) ? 1 : 0;
  }
  return count;
}

// J = (0, 1, 1) takes (l, m, s) to (l, m + 1, s + 1), and the conjugate of (l, m, s) is
// (l, -m, -s), both in standard form; the labels of a model are all different.
TEST_F(StoremanagerMinimalBuild, GravitinoActionAndConjugatesFollowTheLabels) {
  for (int k = 1; k <= 40; ++k) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr) << k;
    ASSERT_EQ(sd->n_primaries, 2 * (k + 1) * (k + 2)) << k;
    std::map<Label, int> field;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
      field.emplace(Label{x[0], x[1], x[2]}, a);
    }
    ASSERT_EQ(field.size(), static_cast<std::size_t>(sd->n_primaries)) << k;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
      EXPECT_EQ(sd->gravitino_action[a], field.at(standardLabel(k, x[0], x[1] + 1, x[2] + 1)))
          << k << " " << a;
      EXPECT_EQ(sd->conjugates[a], field.at(standardLabel(k, x[0], -x[1], -x[2]))) << k << " " << a;
    }
    EXPECT_EQ(capture.diagnostics, "") << k;
  }
}

// 2(k+1)(k+2) fields with 7 ints of orbit data each (even k) must stay below
// 2,100,000,001 / 4 ints: k = 6124 needs 525,140,000, k = 6123 (odd, 5 a field) 375,100,000.
TEST_F(StoremanagerMinimalBuild, TheLargestLevelIsTheLastWhoseFieldDataFit) {
  EXPECT_EQ(kLargestMinimalLevel, 6123);
  EXPECT_TRUE(minimalModelFits(6122));
  EXPECT_TRUE(minimalModelFits(6123));
  EXPECT_FALSE(minimalModelFits(6124));
  EXPECT_TRUE(minimalModelFits(7243));  // odd levels have more room
  EXPECT_FALSE(minimalModelFits(7245));
}

TEST_F(StoremanagerMinimalBuild, AStoppedBuildLeavesNoRecord) {
  OutputCapture capture;
  ASSERT_NE(SM_getData(1, 1, 3), nullptr);
  SpectrumData* head = SM_getFirstAlgebra();
  setStopSignal(1);
  EXPECT_EQ(SM_getData(27, 2, 30), nullptr);
  EXPECT_EQ(listedRecords(27, 30), 0);
  EXPECT_EQ(SM_getFirstAlgebra(), head);
  setStopSignal(0);
  SpectrumData* sd = SM_getData(27, 2, 30);
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(sd->n_primaries, 2 * 31 * 32);
  // The model and its fixed-point theory (level 30 is even), once each.
  EXPECT_EQ(listedRecords(27, 30), 2);
  EXPECT_NE(sd->fcft, nullptr);
}

}  // namespace
