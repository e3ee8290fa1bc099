// The set-up of the N=2 minimal models: the gravitino action and the conjugates of every
// field (each an orbit-local look-up), the largest level whose field data fit, and a
// build that the stop signal breaks off, which leaves no record behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "groups/Discrete.h"
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
      EXPECT_EQ(SM_getGravitinoImage(sd, a), field.at(standardLabel(k, x[0], x[1] + 1, x[2] + 1)))
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

namespace {

// J = (lJ, mJ, sJ) acts on (l, m, s) as (l or k - l, m + mJ, s + sJ) in standard form, with
// k - l when lJ is not 0 (the current (k, 0, 2) reflects l).
Label actedLabel(int k, const int* J, const int* a) {
  return standardLabel(k, J[0] != 0 ? k - a[0] : a[0], a[1] + J[1], a[2] + J[2]);
}

}  // namespace

// The flat kernel of the orbit numbering answers every current on every field it covers
// as SM_SimpleAction does, and that is the label rule; it leaves only the fixed orbit of
// even levels (first label k/2) to the general route.
TEST_F(StoremanagerMinimalBuild, EveryCurrentActsOnEveryFieldByItsLabels) {
  for (int k : {1, 2, 3, 4, 7, 8, 10}) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr) << k;
    const MinimalActionKernel kernel = SM_minimalActionKernel(sd);
    ASSERT_TRUE(kernel.usable()) << k;
    std::map<Label, int> field;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
      field.emplace(Label{x[0], x[1], x[2]}, a);
    }
    for (int J = 0; J < sd->scgroup->order; ++J) {
      const int* j = sd->labels + 3 * static_cast<std::size_t>(J);
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
        const int expected = field.at(actedLabel(k, j, x));
        ASSERT_EQ(SM_SimpleAction(sd, J, a), expected) << k << " " << J << " " << a;
        const bool fixedOrbit = k % 2 == 0 && 2 * x[0] == k;
        EXPECT_EQ(kernel.onFixedOrbit(a), fixedOrbit) << k << " " << a;
        EXPECT_EQ(kernel.apply(J, a), fixedOrbit ? -1 : expected) << k << " " << J << " " << a;
      }
    }
    EXPECT_EQ(capture.diagnostics, "") << k;
  }
  // Not an N=2 minimal model: no kernel.
  EXPECT_FALSE(SM_minimalActionKernel(SM_getData(1, 1, 2)).usable());
}

// The grade current (0, 0, 2) has charge s/2 modulo 1 on (l, m, s): NS fields are those of
// even s, and each field's partner is (l, m, s + 2).
TEST_F(StoremanagerMinimalBuild, GradesAndPartnersFollowTheSLabel) {
  for (int k = 1; k <= 24; ++k) {
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr) << k;
    ASSERT_EQ(sd->graded, 1) << k;
    std::map<Label, int> field;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
      field.emplace(Label{x[0], x[1], x[2]}, a);
    }
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int* x = sd->labels + 3 * static_cast<std::size_t>(a);
      EXPECT_EQ(sd->grading[a], x[2] % 2 == 0 ? 'N' : 'R') << k << " " << a;
      EXPECT_EQ(sd->n2_multiplets[a], field.at(standardLabel(k, x[0], x[1], x[2] + 2))) << k << " " << a;
    }
  }
}
