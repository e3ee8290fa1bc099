// The whole fusion table from dense products: the A1 rule in closed form, agreement with an
// independent Verlinde sum over all fields (complex S, fixed points, with and without orbit
// tables, any number of threads), products read from the table, the full check, and the
// accuracy rules of single sums (relative zeros, relative tolerance, printing of small S).
#include <algorithm>
#include <filesystem>

#include "ModularTestSupport.h"
#include "runtime/Directories.h"
#include "runtime/Terminal.h"

using namespace modular_test;

namespace {

class ModularFusionTableTest : public ModularTestBase {};

struct Algebra {
  int type, rank, level;
};

// N_ij^k by the Verlinde sum over all fields from the store's own S.
int verlinde(int i, int j, int k) {
  const int n = *TotalPrimaries;
  Complex sum = 0.0;
  for (int m = 0; m < n; ++m) {
    double re[4], im[4];
    SM_getS(currentSD, i, m, &re[0], &im[0]);
    SM_getS(currentSD, j, m, &re[1], &im[1]);
    SM_getS(currentSD, k, m, &re[2], &im[2]);
    SM_getS(currentSD, 0, m, &re[3], &im[3]);
    sum += Complex(re[0], im[0]) * Complex(re[1], im[1]) * std::conj(Complex(re[2], im[2])) / re[3];
  }
  return static_cast<int>(std::lround(sum.real()));
}

void expectTableMatchesVerlinde() {
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  ASSERT_TRUE(MOD_fusionTableValid());
  const int n = *TotalPrimaries;
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      for (int k = 0; k < n; ++k) {
        ASSERT_EQ(MOD_fusionTableValue(i, j, getConjugate(k)), verlinde(i, j, k))
            << currentSD->name << " " << i << " " << j << " " << k;
      }
    }
  }
}

}  // namespace

TEST_F(ModularFusionTableTest, A1FollowsTheTruncatedClebschGordanRule) {
  const int level = 9;
  SpectrumData* sd = useTheory(1, 1, level);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = sd->n_primaries;
  ASSERT_EQ(n, level + 1);
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      for (int c = 0; c < n; ++c) {
        EXPECT_EQ(MOD_fusionTableValue(a, b, c),
                  a1Fusion(level, a1Label(sd, a), a1Label(sd, b), a1Label(sd, c)))
            << a << " " << b << " " << c;
      }
    }
  }
  EXPECT_EQ(MOD_fusionTableSize(n), 220);
}

TEST_F(ModularFusionTableTest, AgreesWithTheVerlindeSumOverAllFields) {
  // SU(3) level 3 (complex S, a fixed point), SO(7) level 2, SU(4) level 2, G2 level 3.
  const Algebra algebras[] = {{1, 2, 3}, {2, 3, 2}, {1, 3, 2}, {5, 2, 3}};
  for (const Algebra& a : algebras) {
    useTheory(a.type, a.rank, a.level);
    expectTableMatchesVerlinde();
  }
}

TEST_F(ModularFusionTableTest, TheSameWithoutOrbitTablesAndOnAnyNumberOfThreads) {
  useTheory(1, 2, 4);
  setIntPar("Fusion threads", 1);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = *TotalPrimaries;
  std::vector<int> single;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) single.push_back(MOD_fusionTableValue(i, j, k));
  setIntPar("Fusion threads", 3);
  setIntPar("Use_orbits", 0);
  useTheory(1, 2, 4);
  EXPECT_EQ(getNumberOfOrbits(), 0);
  FusionTableReport report;
  ASSERT_EQ(MOD_computeFusionTable(true, false, &report), 0);
  EXPECT_EQ(report.threads, 3);
  std::size_t at = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) EXPECT_EQ(MOD_fusionTableValue(i, j, k), single[at++]);
}

TEST_F(ModularFusionTableTest, ProductsFromTheTableReadAsTheSinglePath) {
  useTheory(1, 2, 5);
  const int n = *TotalPrimaries;
  std::vector<std::string> single;
  // One product per theory change stays on the single path.
  for (int j = 0; j < n; ++j) {
    CFTChanged();
    std::string text;
    single.push_back(compF(text, 4, j, 0));
    ASSERT_FALSE(MOD_fusionTableValid());
  }
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  for (int j = 0; j < n; ++j) {
    std::string text;
    EXPECT_EQ(compF(text, 4, j, 0), single[static_cast<std::size_t>(j)]);
  }
  std::string vacuum;
  EXPECT_EQ(compF(vacuum, 0, 7, 0), "(0) x (7) =  (7) \n\n");
}

TEST_F(ModularFusionTableTest, ACoefficientWhoseOnlyFaultIsItsImaginaryPartReadsAsTheSinglePath) {
  useTheory(1, 2, 3);
  ASSERT_EQ(MOD_computeFusionTable(true, true, nullptr), 0);
  // The full check keeps aside a coefficient whose real part is an integer but whose
  // imaginary part is not zero; a single sum of N_01^1 reads the real part alone.
  int labels[3] = {0, 1, MOD_fusionTableConjugate(1)};
  std::sort(labels, labels + 3);
  modularState().fusionTable.failures = {
      {labels[0], labels[1], labels[2], 1.0, 1e-3, fusionTolerance(1.0)}};
  OutputCapture capture;
  EXPECT_EQ(fusion(0, 1, 1, 0), 1);
  EXPECT_EQ(capture.all.find("inaccuracy"), std::string::npos) << capture.all;
}

TEST_F(ModularFusionTableTest, ManyProductsBuildTheTable) {
  useTheory(1, 2, 6);
  const int n = *TotalPrimaries;
  for (int i = 0; i < n && !MOD_fusionTableValid(); ++i) {
    std::string text;
    compF(text, i, i, 0);
  }
  EXPECT_TRUE(MOD_fusionTableValid());
  std::string text;
  compF(text, 3, 5, 0);
  EXPECT_TRUE(MOD_fusionTableValid());
}

TEST_F(ModularFusionTableTest, TheFullCheckCountsEveryCoefficientOnce) {
  useTheory(1, 2, 3);
  OutputCapture capture;
  EXPECT_EQ(CheckFusion(0), 0);
  // 10 fields: 10 x 11 x 12 / 6 coefficients.
  EXPECT_NE(capture.printed.find("Total number of fusion coefficients to be checked: 220\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Cases checked: 220 out of 220 ("), std::string::npos);
}

namespace {

bool onTerminal() {
  return true;
}

// A wall clock that moves 1000 s on every reading.
double advancingWallClock() {
  static double now = 0.0;
  now += 1000.0;
  return now;
}

}  // namespace

TEST_F(ModularFusionTableTest, AFullCheckPredictedBeyondAMinuteAsksWhetherToGoOn) {
  // A1 level 40: 41 fields, 41 x 42 x 43 / 6 = 12341 coefficients (a shown progress line).
  useTheory(1, 1, 40);
  setInteractive(1);
  setProgressInfo(1);
  setStandardOutputTerminalQuery(onTerminal);
  startModal();
  ScriptedAnswers answers({"no"});
  setWallClockSource(advancingWallClock);
  OutputCapture capture;
  CheckFusion(0);
  setWallClockSource(nullptr);
  stopModal();
  setInteractive(0);
  // Whatever was done by the first report, its estimate is at least 1000 s: asked once,
  // and the answer "No" stops the check.
  EXPECT_EQ(ScriptedAnswers::left(), 0u);
  EXPECT_NE(capture.all.find("Process: Checking fusion coefficients; Expected total time"),
            std::string::npos)
      << capture.all;
  EXPECT_EQ(getStopSignal(), 1);
  EXPECT_NE(capture.printed.find("Cases checked: 0 out of 12341 ("), std::string::npos)
      << capture.printed;
  setStopSignal(0);
}

TEST_F(ModularFusionTableTest, MoreSamplesThanCoefficientsCheckEachOnce) {
  // E8 at level 1 has one field and one coefficient.
  useTheory(5, 8, 1);
  ASSERT_EQ(*TotalPrimaries, 1);
  OutputCapture capture;
  EXPECT_EQ(CheckFusion(3), 0);
  EXPECT_NE(capture.printed.find("Cases checked: 1 out of 1 ("), std::string::npos)
      << capture.printed;
}

TEST_F(ModularFusionTableTest, ToleranceGrowsWithTheSummedTerms) {
  FusionCoefficient n = 0;
  EXPECT_EQ(classifyFusionSum(3.0 + 5e-8, fusionTolerance(1.0), &n), FusionSumKind::Integer);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(classifyFusionSum(3.0 + 5e-7, fusionTolerance(1.0), &n), FusionSumKind::NotInteger);
  // Terms of modulus 1e5: an error of 1e-5 is within double precision of S.
  EXPECT_EQ(classifyFusionSum(7.0 + 1e-5, fusionTolerance(1e5), &n), FusionSumKind::Integer);
  // Terms of 1e9: no integer can be told apart.
  EXPECT_EQ(classifyFusionSum(449.37, fusionTolerance(1e9), &n), FusionSumKind::PrecisionExhausted);
  EXPECT_EQ(classifyFusionSum(std::nan(""), fusionTolerance(1.0), &n),
            FusionSumKind::PrecisionExhausted);
  // Undecided is no coefficient: never 0.
  EXPECT_TRUE(fusionUndecided(n));
}

TEST_F(ModularFusionTableTest, OnlyARelativeZeroIsRefusedAsDenominator) {
  EXPECT_FALSE(denominatorIsZero(2.5e-8, 0.0, 0.1));
  EXPECT_FALSE(denominatorIsZero(1e-19, 0.0, 1e-3));
  EXPECT_TRUE(denominatorIsZero(0.0, 0.0, 0.1));
  EXPECT_TRUE(denominatorIsZero(std::nan(""), 0.0, 0.1));
}

namespace {
void zeroDenominator(int, int, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
}
}  // namespace

TEST_F(ModularFusionTableTest, AZeroDenominatorIsRefusedNotDivided) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  EXPECT_TRUE(fusionInterrupted(GenericVerlinde(1, 1, 0, 3, compS, compS, compS, zeroDenominator)));
  EXPECT_NE(capture.all.find("Zero S element S(0,0) in the denominator row"), std::string::npos);
  EXPECT_EQ(capture.all.find("nan"), std::string::npos);
}

TEST_F(ModularFusionTableTest, SmallElementsPrintTheirTrueValue) {
  setIntPar("High_precision", 1);
  std::string text;
  printModMatElt(text, 2.539173e-8, 0.0);
  EXPECT_NE(text.find(" 0.0000000253917"), std::string::npos) << text;
  text.clear();
  printModMatElt(text, -1e-40, 0.0);
  EXPECT_EQ(text.find('-'), std::string::npos) << text;
  setIntPar("High_precision", 0);
  text.clear();
  printModMatElt(text, -1e-12, 0.0);
  EXPECT_EQ(text, "=      0.00000000 \n");
}

TEST_F(ModularFusionTableTest, AProductThroughTheRowCacheFollowsTheA1Rule) {
  // A1 at level 10 in 6 orbits, the orbit S base behind the bounded row cache.
  setModularDiskRowThreshold(6);
  setIntPar("S_matrix maxsize", 2);
  SpectrumData* sd = useTheory(1, 1, 10);
  initSMATRIX();
  ASSERT_EQ(modularState().compute_s_base, &compSBaseFromDisk);
  const int a = a1Field(sd, 3), b = a1Field(sd, 4);
  std::string text;
  compF(text, a, b, 0);
  // 3 x 4 = 1 + 3 + 5 + 7 (labels), truncated at 2k - 3 - 4 = 13: all four.
  std::string expected = formatText("(%d) x (%d) = ", a, b);
  bool first = true;
  for (int k = 0; k < sd->n_primaries; ++k) {
    if (a1Fusion(10, 3, 4, a1Label(sd, k)) == 0) continue;
    expected += formatText(first ? " (%d) " : " + (%d) ", k);
    first = false;
  }
  EXPECT_EQ(text, expected + "\n\n");
  setModularDiskRowThreshold(0);
  std::error_code ignored;
  std::filesystem::remove_all(getWorkDir() + "SA1_level_10.sdir", ignored);
}

TEST_F(ModularFusionTableTest, AStoppedTableIsNotKept) {
  useTheory(1, 2, 4);
  setStopSignal(1);
  FusionTableReport report;
  EXPECT_EQ(MOD_computeFusionTable(true, false, &report), 1);
  EXPECT_TRUE(report.stopped);
  EXPECT_FALSE(MOD_fusionTableValid());
  setStopSignal(0);
  EXPECT_EQ(MOD_computeFusionTable(true, false, &report), 0);
  EXPECT_FALSE(report.stopped);
  EXPECT_TRUE(MOD_fusionTableValid());
}
