// Products past the whole table's bound (blocks of products of one field), the kernel
// widths and thread counts that must give the same integers, coefficients wider than 32
// bits, sums that double precision cannot decide, and indices from blocks of products.
#include <algorithm>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "runtime/Terminal.h"

using namespace modular_test;

namespace {

class ModularFusionBlocksTest : public ModularTestBase {};

// The whole table of the current theory as N_ijk for every triple, and its kept-aside list.
std::vector<int> wholeTable() {
  const int n = *TotalPrimaries;
  std::vector<int> values;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) values.push_back(MOD_fusionTableValue(i, j, k));
  return values;
}

// SU(3) Dynkin labels (a, b) of a field.
struct Su3 {
  long long a, b;
};
Su3 su3Labels(const SpectrumData* sd, int field) {
  return {labelsOf(sd, field)[0], labelsOf(sd, field)[1]};
}
// Weyl's dimension formula for SU(3).
long long su3Dimension(Su3 l) {
  return (l.a + 1) * (l.b + 1) * (l.a + l.b + 2) / 2;
}
// 3 (lambda, lambda + 2 rho) for SU(3): the quadratic Casimir times 3.
long long su3Casimir3(Su3 l) {
  return l.a * l.a + l.b * l.b + l.a * l.b + 3 * l.a + 3 * l.b;
}

}  // namespace

TEST_F(ModularFusionBlocksTest, ProductsPastTheBoundReadAsTheWholeTable) {
  // SU(3) level 5: 21 fields, complex S, three charge classes.
  useTheory(1, 2, 5);
  const int n = *TotalPrimaries;
  ASSERT_EQ(n, 21);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  std::vector<std::string> fromTable;
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) {
      std::string text;
      fromTable.push_back(compF(text, i, j, 0));
    }
  // The same theory with a bound of 100 bytes: 1771 coefficients never fit.
  setFusionTableBytes(100);
  CFTChanged();
  std::size_t at = 0;
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) {
      std::string text;
      EXPECT_EQ(compF(text, i, j, 0), fromTable[at++]) << i << " " << j;
    }
  EXPECT_FALSE(MOD_fusionTableValid());
  EXPECT_GT(modularState().fusionTable.blocksBuilt, 0);
  // A whole row of products of one field comes from one block.
  const int built = modularState().fusionTable.blocksBuilt;
  for (int j = 3; j < n; ++j) {
    std::string text;
    compF(text, 2, j, 0);
  }
  EXPECT_LE(modularState().fusionTable.blocksBuilt, built + 1);
}

TEST_F(ModularFusionBlocksTest, SingleCoefficientsFromBlocksFollowTheA1Rule) {
  const int level = 12;
  SpectrumData* sd = useTheory(1, 1, level);
  setFusionTableBytes(100);
  CFTChanged();
  const int n = sd->n_primaries;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k)
        ASSERT_EQ(fusion(i, j, k, 0),
                  a1Fusion(level, a1Label(sd, i), a1Label(sd, j), a1Label(sd, k)))
            << i << " " << j << " " << k;
  EXPECT_FALSE(MOD_fusionTableValid());
  EXPECT_GT(modularState().fusionTable.blocksBuilt, 0);
}

TEST_F(ModularFusionBlocksTest, EveryKernelWidthAndThreadCountGivesTheSameIntegers) {
  // SU(3) level 7 (complex S, fixed points none) and SO(7) level 2 (real S).
  const int theories[][3] = {{1, 2, 7}, {2, 3, 2}};
  for (const auto& t : theories) {
    useTheory(t[0], t[1], t[2]);
    setFusionKernel(FusionKernel::Sse2);
    setIntPar("Fusion threads", 1);
    ASSERT_EQ(MOD_computeFusionTable(true, true, nullptr), 0);
    const std::vector<int> reference = wholeTable();
    const std::size_t referenceAside = modularState().fusionTable.failures.size();
    for (FusionKernel kernel : {FusionKernel::Sse2, FusionKernel::Avx2, FusionKernel::Avx2Fma}) {
      if (!fusionKernelSupported(kernel)) continue;
      for (int threads : {1, 2, 5}) {
        setFusionKernel(kernel);
        setIntPar("Fusion threads", threads);
        MOD_forgetFusionTable();
        FusionTableReport report;
        ASSERT_EQ(MOD_computeFusionTable(true, true, &report), 0);
        EXPECT_EQ(report.failures, 0);
        EXPECT_EQ(modularState().fusionTable.failures.size(), referenceAside);
        EXPECT_EQ(wholeTable(), reference) << fusionKernelName(kernel) << " " << threads;
      }
    }
  }
}

TEST_F(ModularFusionBlocksTest, TheAutomaticKernelIsTheWidestThere) {
  setFusionKernel(FusionKernel::Automatic);
  const FusionKernel chosen = fusionKernelInUse();
  EXPECT_NE(chosen, FusionKernel::Automatic);
  EXPECT_TRUE(fusionKernelSupported(chosen));
  if (fusionKernelSupported(FusionKernel::Avx2Fma)) {
    EXPECT_EQ(chosen, FusionKernel::Avx2Fma);
  }
}

TEST_F(ModularFusionBlocksTest, CoefficientsPast32BitsAreCarriedWhole) {
  // 3e9 with a tolerance that decides it: an integer, not "beyond double precision".
  FusionCoefficient n = 0;
  EXPECT_EQ(classifyFusionSum(3000000000.0, 1e-7, &n), FusionSumKind::Integer);
  EXPECT_EQ(n, 3000000000LL);
  EXPECT_EQ(classifyFusionSum(-4294967296.0 - 1e-8, 1e-7, &n), FusionSumKind::Integer);
  EXPECT_EQ(n, -4294967296LL);
  // Past 2^52 neighbouring doubles differ by 1 or more: nothing is decided there.
  EXPECT_EQ(classifyFusionSum(0x1p53, 1e-7, &n), FusionSumKind::PrecisionExhausted);
  EXPECT_TRUE(fusionUndecided(n));
}

TEST_F(ModularFusionBlocksTest, AnUndecidedSumIsNeverZero) {
  // E8 level 20 gave value 9969264756.9999390, uncertainty 10.2649 for (633, 742, 1128).
  FusionCoefficient n = 0;
  EXPECT_EQ(classifyFusionSum(9969264756.9999390, 10.2649, &n), FusionSumKind::PrecisionExhausted);
  EXPECT_TRUE(fusionUndecided(n));
  EXPECT_FALSE(fusionInterrupted(n));
}

namespace {
// Accessors of a one-term sum 2000^3 / 1 = 8e9, whose terms add up to 8e9 in modulus.
void large(int, int, double* re, double* im) {
  *re = 2000.0;
  *im = 0.0;
}
void unit(int, int, double* re, double* im) {
  *re = 1.0;
  *im = 0.0;
}
}  // namespace

TEST_F(ModularFusionBlocksTest, TheGenericSumReportsAnUndecidedCoefficientAsSuch) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  const FusionCoefficient n = GenericVerlinde(0, 0, 0, 1, large, large, large, unit);
  EXPECT_TRUE(fusionUndecided(n));
  EXPECT_NE(n, 0);
  EXPECT_NE(capture.all.find("cannot be determined in double precision"), std::string::npos);
}

TEST_F(ModularFusionBlocksTest, AProductWithAnUndecidedOrWideTermSaysSo) {
  // SU(3) level 3 with its whole table; two coefficients of a square replaced by kept-aside
  // records: one undecided (the E8 value), one a 64-bit integer.
  useTheory(1, 2, 3);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = *TotalPrimaries;
  // The first field whose square has two terms at least (the adjoint's has several).
  int field = -1;
  std::vector<int> present;
  for (int i = 1; i < n && field < 0; ++i) {
    std::vector<int> row;
    fusionTableProduct(i, i, row);
    present.clear();
    for (int k = 0; k < n; ++k)
      if (row[static_cast<std::size_t>(k)] != 0) present.push_back(k);
    if (present.size() >= 2) field = i;
  }
  ASSERT_GE(field, 0);
  const int undecided = present[0], wide = present[1];
  auto record = [](int i, int j, int k, double value, double tolerance) {
    int labels[3] = {i, j, k};
    std::sort(labels, labels + 3);
    return FusionTableFailure{labels[0], labels[1], labels[2], value, 0.0, tolerance};
  };
  auto& aside = modularState().fusionTable.failures;
  aside = {record(field, field, MOD_fusionTableConjugate(undecided), 9969264756.9999390, 10.2649),
           record(field, field, MOD_fusionTableConjugate(wide), 3000000000.0, 1e-7)};
  std::sort(aside.begin(), aside.end(), [](const FusionTableFailure& a, const FusionTableFailure& b) {
    return std::tie(a.i, a.j, a.k) < std::tie(b.i, b.j, b.k);
  });
  OutputCapture capture;
  EXPECT_TRUE(fusionUndecided(fusion(field, field, undecided, 0)));
  EXPECT_EQ(fusion(field, field, wide, 0), 3000000000LL);
  std::string text;
  compF(text, field, field, 0);
  EXPECT_NE(text.find(formatText("? x (%d)", undecided)), std::string::npos) << text;
  EXPECT_NE(text.find(formatText("3000000000 x (%d)", wide)), std::string::npos) << text;
  EXPECT_NE(capture.all.find("cannot be determined in double precision"), std::string::npos);
}

TEST_F(ModularFusionBlocksTest, IndicesFromBlocksFollowWeylsFormulas) {
  // SU(3) level 6 (28 fields), the table's bound lowered so that blocks serve the products.
  SpectrumData* sd = useTheory(1, 2, 6);
  setFusionTableBytes(100);
  CFTChanged();
  OutputCapture capture;
  ASSERT_EQ(computeIndices(), 0) << capture.all;
  EXPECT_FALSE(MOD_fusionTableValid());
  const int fundamental = [&] {
    for (int a = 0; a < sd->n_primaries; ++a) {
      const Su3 l = su3Labels(sd, a);
      if (l.a == 1 && l.b == 0) return a;
    }
    return -1;
  }();
  ASSERT_GE(fundamental, 0);
  std::string fundamentalText;
  ASSERT_EQ(computeIndicesSingle(fundamental, &fundamentalText), 0);
  const std::size_t at = fundamentalText.find("Index[2] = ");
  ASSERT_NE(at, std::string::npos) << fundamentalText;
  const long long fundamentalIndex = std::stoll(fundamentalText.substr(at + 11));
  for (int a = 0; a < sd->n_primaries; ++a) {
    const Su3 l = su3Labels(sd, a);
    std::string text;
    ASSERT_EQ(computeIndicesSingle(a, &text), 0) << a;
    EXPECT_NE(text.find(formatText("Dimension = %lld\n", su3Dimension(l))), std::string::npos)
        << text;
    // I_2 is proportional to dim x Casimir; the fundamental (dim 3, 3 C = 4) fixes the unit.
    const long long scaled = fundamentalIndex * su3Dimension(l) * su3Casimir3(l);
    ASSERT_EQ(scaled % 12, 0);
    EXPECT_NE(text.find(formatText("Index[2] = %lld\n", scaled / 12)), std::string::npos) << text;
  }
}

TEST_F(ModularFusionBlocksTest, TheTableTakesTheNarrowestWidthThatHoldsIt) {
  // A1 level 400: max over l, m of |S_lm / S_0m| = 1 / sin(pi / 402) = 127.96, so the
  // bound on the coefficients passes 127 and the table takes two bytes each; with room for
  // one byte each only it takes one, the coefficients (0 or 1) being the same.
  const int level = 400;
  SpectrumData* sd = useTheory(1, 1, level);
  const int n = sd->n_primaries;
  ASSERT_EQ(n, level + 1);
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) setFusionTableBytes(static_cast<std::uint64_t>(MOD_fusionTableSize(n)));
    MOD_forgetFusionTable();
    ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
    ASSERT_TRUE(MOD_fusionTableValid());
    EXPECT_EQ(modularState().fusionTable.width, pass == 0 ? 2 : 1);
    for (int i = 0; i < n; i += 17)
      for (int j = 0; j < n; j += 13)
        for (int k = 0; k < n; ++k)
          ASSERT_EQ(MOD_fusionTableValue(i, j, getConjugate(k)),
                    a1Fusion(level, a1Label(sd, i), a1Label(sd, j), a1Label(sd, k)))
              << pass << " " << i << " " << j << " " << k;
  }
}
