// The unitarity and (ST)^3 = S^2 checks of the current theory and their reports.
#include <gtest/gtest.h>

#include <string>

#include "ModularTestSupport.h"
#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "runtime/Terminal.h"
#include "store/StoremanagerQueries.h"

namespace {

using modular_test::useTheory;

class ModularChecksTest : public ZoqTest {
 protected:
  void TearDown() override { setStopSignal(0); }

  static void makeCurrent(SpectrumData* sd) {
    setCosetMode(0);
    currentSD = sd;
    TotalPrimaries = &sd->n_primaries;
    CFTChanged();
  }
  // The trivial theory: one field, c = 0, S = 1 and T = 1 exactly.
  static SpectrumData* trivialTheory() {
    SpectrumData* sd = allocateSpectrumData("Trivial");
    sd->type = kStoreTypeComplement;
    sd->rank = 0;
    sd->level = 0;
    sd->n_primaries = 1;
    sd->rep_size = 1;
    sd->validity = 3;
    sd->c = 0.0;
    sd->weight_den = 1;
    sd->scgroup = DG_trivial();
    SM_allocFieldInfo_Dynkin(sd);
    SM_allocFieldInfo_Weights(sd);
    SM_allocFieldInfo_Orbits(sd);
    sd->exact[0] = 1;
    sd->n_orbits = 1;
    SM_allocSBase(sd);
    sd->sbase.set(0, 1.0);
    sd->sbase.set(1, 0.0);
    return sd;
  }
  static std::size_t count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
      ++n;
    return n;
  }
};

TEST_F(ModularChecksTest, AffineTheoriesPass) {
  for (int level : {1, 3, 10}) {
    ASSERT_NE(useTheory(1, 1, level), nullptr);
    std::string report;
    UnitarityCheck(report, 10000);
    EXPECT_NE(report.find("Unitarity test OK\n"), std::string::npos) << report;
    EXPECT_LT(getCheckAccuracy(), 1e-7);
    report.clear();
    STcheck(report, 10000);
    EXPECT_EQ(report.rfind("ST^3 = S^2 test OK\nMaximal deviation: ", 0), 0u) << report;
    EXPECT_LT(getCheckAccuracy(), 1e-7);
  }
  double re = 1.0, im = 1.0;
  EXPECT_EQ(Unitarity_check(0, 0, 1, &re, &im), 1);
  EXPECT_NEAR(re, 0.0, 1e-12);
  EXPECT_NEAR(im, 0.0, 1e-12);
  EXPECT_EQ(Unitarity_check(0, 2, 2, &re, &im), 1);
  EXPECT_TRUE(silent());
}

TEST_F(ModularChecksTest, OneFieldTheoryHasNoDeviation) {
  makeCurrent(trivialTheory());
  std::string report;
  UnitarityCheck(report, 10000);
  EXPECT_EQ(report, "Unitarity test OK\nMaximal deviation: " + std::string(14, ' ') + "0\n");
  report.clear();
  STcheck(report, 10000);
  EXPECT_EQ(report, "ST^3 = S^2 test OK\nMaximal deviation: " + std::string(14, ' ') + "0\n");
  EXPECT_EQ(getCheckAccuracy(), 0.0);
}

TEST_F(ModularChecksTest, ConstantPhaseFailureOfSTCubed) {
  // A central charge off by 1 multiplies T by exp(-2 pi i/24): S T S by that phase,
  // T^-1 S T^-1 by its inverse square, so every ratio is exp(2 pi i 3/24), angle 1/8.
  SpectrumData* a1 = SM_getData(1, 1, 1);
  a1->c += 1.0;
  makeCurrent(a1);
  std::string report;
  STcheck(report, 10000);
  EXPECT_TRUE(alerted("ST^3 = S^2 test failed"));
  EXPECT_EQ(count(report, "Angle:  0.1250\n"), 3u) << report;
  EXPECT_NE(
      report.find("(ST)^3=S^2 failure for (0,1):  Ratio ( 0.7071, 0.7071);  Angle:  0.1250\n"),
      std::string::npos)
      << report;
  EXPECT_NE(report.find("Total number of (ST)^3=S^2 failures: 3\n"), std::string::npos);
  // No pair passed: the failure is an overall phase, and no note says otherwise.
  EXPECT_EQ(report.find("non-trivial successful checks"), std::string::npos);
  a1->c -= 1.0;
}

TEST_F(ModularChecksTest, FullReportEndsWithTheClosingLines) {
  // Wrong weights break S T S = T^-1 S T^-1 on many pairs; a short report keeps room for
  // its last lines.
  SpectrumData* a1 = SM_getData(1, 1, 10);
  for (int a = 1; a < a1->n_primaries; ++a) a1->weight_num[a] += a1->weight_den / 8 + a;
  makeCurrent(a1);
  std::string report;
  STcheck(report, 300);
  EXPECT_TRUE(alerted("ST^3 = S^2 test failed"));
  EXPECT_NE(report.find("Further failures ignored\nMaximal deviation: "), std::string::npos)
      << report;
  EXPECT_NE(report.find("Total number of (ST)^3=S^2 failures: "), std::string::npos);
  EXPECT_LT(count(report, "failure for"), 5u);
}

TEST_F(ModularChecksTest, StopsAreReportedNotPassed) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  setStopSignal(1);
  double re = 0.0, im = 0.0;
  EXPECT_EQ(Unitarity_check(0, 0, 0, &re, &im), kUnitarityStopped);
  std::string report;
  UnitarityCheck(report, 10000);
  EXPECT_EQ(report, "");
  COM_check_unit(nullptr, 0);
  EXPECT_NE(capture.printed.find("Unitarity test interrupted\n"), std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.printed.find("Unitarity test OK"), std::string::npos);
}

}  // namespace
