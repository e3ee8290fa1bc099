// Tensor products, cosets and simple-current extensions: the extended spectrum against
// known conformal embeddings and the unitary minimal models, the refusals of currents,
// names and codes, the Calabi-Yau table, the grade map and the output file names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "runtime/Directories.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerGrading.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetTest : public TensorTest {
 protected:
  // Exact weights of every field as fractions (reduced mod 1 for cosets), in field order.
  static std::vector<std::pair<long long, long long>> weights() {
    std::vector<std::pair<long long, long long>> out;
    for (int f = 0; f < currentTensor->NumberOfPrimaries; ++f) {
      Rat h;
      TensorRatWeight(currentTensor, TensorField(currentTensor, f), &h);
      out.emplace_back(h.num, h.den);
    }
    return out;
  }

  static std::vector<int> dimensions() {
    std::vector<int> out;
    for (int f = 0; f < currentTensor->NumberOfPrimaries; ++f) out.push_back(CT_getDimension(currentTensor, f));
    return out;
  }
};

using Fraction = std::pair<long long, long long>;

Fraction reduced(long long num, long long den) {
  long long g = std::gcd(num < 0 ? -num : num, den);
  if (g == 0) g = 1;
  num /= g;
  den /= g;
  num %= den;
  if (num < 0) num += den;
  if (num == 0) den = 1;
  return {num, den};
}

TEST_F(CosetTest, SU2LevelFourExtendedByItsCurrentIsSU3LevelOne) {
  // The conformal embedding SU(2)_4 in SU(3)_1: the vacuum and the fixed point j = 1
  // (weight 1/3, dimension 3) resolved in two.
  OutputCapture out;
  runAll({"tensor", "g a 1 4", "current 1", "compute spectrum"});
  EXPECT_NE(out.printed.find("CFT {A1:4}; 3 primaries\n"), std::string::npos) << out.printed;
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 3);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 1);
  EXPECT_EQ(weights(), (std::vector<Fraction>{{0, 1}, {1, 3}, {1, 3}}));
  EXPECT_EQ(dimensions(), (std::vector<int>{1, 3, 3}));
  // The two resolved fields differ only in their resolution label; |S| = |U| = 2.
  EXPECT_EQ(StabilizerOrder(currentTensor, 1), 2);
  EXPECT_EQ(UntwistedStabilizerOrder(currentTensor, 1), 2);
  EXPECT_EQ(currentTensor->Stabilizers[1]->sqrtSU, 1);
}

TEST_F(CosetTest, TwoSU2LevelTwoFactorsGiveSO6LevelOne) {
  // SU(2)_2 x SU(2)_2 = SO(4)_2 in SO(6)_1: weights 0, 1/2 (vector, 3+3) and the spinors
  // 3/16 + 3/16 = 3/8 of dimension 2 x 2.
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"});
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 4);
  EXPECT_EQ(weights(), (std::vector<Fraction>{{0, 1}, {1, 2}, {3, 8}, {3, 8}}));
  EXPECT_EQ(dimensions(), (std::vector<int>{1, 6, 4, 4}));
  EXPECT_DOUBLE_EQ(cosetCentralCharge(currentTensor), 3.0);
}

TEST_F(CosetTest, IsingCosetHasThreeFieldsTwoCurrentsAndNoDimensions) {
  OutputCapture out;
  runAll({"tensor", "g a 1 1", "g a 1 1", "h a 1 2", "current 1 1 1", "compute spectrum"});
  EXPECT_NE(out.printed.find("CFT {A1:1_A1:1_A1:2}; 3 primaries (2 simple currents)\n"), std::string::npos)
      << out.printed;
  EXPECT_EQ(weights(), (std::vector<Fraction>{{0, 1}, {1, 2}, {1, 16}}));
  EXPECT_EQ(DimComputable(currentTensor), 0);
  EXPECT_EQ(currentTensor->CosetFlag, 1);
  EXPECT_NEAR(cosetCentralCharge(currentTensor), 0.5, 1e-12);
}

TEST_F(CosetTest, MinimalModelCosetsMatchTheKacTable) {
  // A1_k x A1_1 / A1_(k+1) with the current (J, J, J) is the minimal model M(m, m+1),
  // m = k + 2: m(m-1)/2 fields of weights h(r,s) = (((m+1)r - ms)^2 - 1) / (4m(m+1)).
  for (int k = 1; k <= 8; ++k) {
    resetAll();
    setCosetMode(0);
    disableCoset();
    const std::string g = "g a 1 " + std::to_string(k);
    const std::string h = "h a 1 " + std::to_string(k + 1);
    runAll({"tensor", g.c_str(), "g a 1 1", h.c_str(), "current 1 1 1", "compute spectrum"});
    const long long m = k + 2;
    ASSERT_EQ(currentTensor->NumberOfPrimaries, (k + 1) * (k + 2) / 2) << "k=" << k;
    EXPECT_NEAR(cosetCentralCharge(currentTensor), 1.0 - 6.0 / static_cast<double>(m * (m + 1)), 1e-9);
    std::map<Fraction, int> expected;
    for (long long r = 1; r <= m - 1; ++r) {
      for (long long s = 1; s <= r; ++s) {
        const long long x = (m + 1) * r - m * s;
        ++expected[reduced(x * x - 1, 4 * m * (m + 1))];
      }
    }
    std::map<Fraction, int> found;
    for (const Fraction& w : weights()) ++found[reduced(w.first, w.second)];
    EXPECT_EQ(found, expected) << "k=" << k;
  }
}

TEST_F(CosetTest, WithoutCurrentsTheSpectrumIsTheFullProductWithCurrentsFirst) {
  runAll({"tensor", "g a 1 1", "g a 1 2", "compute spectrum"});
  // 2 x 3 fields; the simple currents are the 2 x 2 products of the factors' currents.
  ASSERT_EQ(currentTensor->NumberOfPrimaries, 6);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 4);
  EXPECT_EQ(currentTensor->ChiralAlgebraOrder, 1);
  for (int f = 0; f < 6; ++f) {
    const int* row = TensorField(currentTensor, f);
    const bool current = row[0] < 2 && row[1] < 2;
    EXPECT_EQ(current, f < 4) << "field " << f;
    EXPECT_EQ(StabilizerOrder(currentTensor, f), 1);
  }
  EXPECT_EQ(currentTensor->CurrentGroup->order, 4);
}

// The order of a current of the extension is its order in the group of the extension's
// currents: the number of products with itself that lead back to the identity.
TEST_F(CosetTest, CurrentOrdersAreTheOrdersInTheExtendedGroup) {
  // SU(4)_2: J^2 has h = 2*2*2/8 = 1; extended by it, J (h = 3/4, charge 1 w.r.t. J^2) has
  // order 2, half the order 4 of its label: the currents are Z4 / Z2. With SU(2)_2
  // alongside, extended by (J^2, 0): Z2 x Z2.
  SpectrumData* su4 = SM_getData(1, 3, 2);
  ASSERT_NE(su4, nullptr);
  int square = -1;
  for (int a = 1; a < su4->scgroup->order; ++a) {
    Rat h;
    SM_getRatWeight(su4, a, &h);
    if (h.num == h.den) square = a;
  }
  ASSERT_GT(square, 0);
  const std::string current = "current " + std::to_string(square);
  for (bool withSU2 : {false, true}) {
    resetAll();
    setCosetMode(0);
    disableCoset();
    runAll({"tensor", "g a 3 2"});
    if (withSU2) runAll({"g a 1 2"});
    ASSERT_EQ(run((current + (withSU2 ? " 0" : "")).c_str()), 0);
    runAll({"compute spectrum"});
    TensorProduct* TP = currentTensor;
    const int N = withSU2 ? 4 : 2;
    ASSERT_EQ(TP->NumberOfSimpleCurrents, N);
    EXPECT_EQ(TP->CurrentGroup->order, N);
    int largest = 0;
    for (int i = 0; i < N; ++i) {
      int expected = 1;
      for (int p = i; p != 0; p = CT_simpleCurrentProduct(p, i, TP)) ++expected;
      EXPECT_EQ(getSimpleCurrentOrder(TP, i), expected) << i;
      largest = std::max(largest, getSimpleCurrentOrder(TP, i));
    }
    EXPECT_EQ(largest, 2);
  }
}

TEST_F(CosetTest, CurrentsAreRefusedForWeightAndCharge) {
  runAll({"tensor", "g a 1 1", "g a 1 1"});
  // h = 1/4 + 1/4.
  EXPECT_NE(run("current 1 1"), 0);
  EXPECT_TRUE(alerted("Non-integer conformal weight"));
  EXPECT_NE(run("current 1 1 1"), 0);
  EXPECT_TRUE(alerted("Too many current components"));
  EXPECT_NE(run("current 1"), 0);
  EXPECT_TRUE(alerted("Too few current components"));
  EXPECT_TRUE(currentTensor->CurrentList.empty());

  resetAll();
  setCosetMode(0);
  disableCoset();
  runAll({"tensor"});
  for (int i = 0; i < 8; ++i) runAll({"g a 1 1"});
  runAll({"current 1 1 1 1 0 0 0 0"});
  // One common factor: charge 1/2 w.r.t. the first current.
  EXPECT_NE(run("current 1 0 0 0 1 1 1 0"), 0);
  EXPECT_TRUE(alerted("Non-integer charge w.r.t. previous current"));
  EXPECT_EQ(currentTensor->CurrentList.size(), 1u);
  // Entered alone, the same current is fine; entered twice, it is not added again.
  resetCurrents(currentTensor);
  const int second[] = {1, 0, 0, 0, 1, 1, 1, 0};
  EXPECT_EQ(addNewCurrent(currentTensor, second), 0);
  EXPECT_EQ(addNewCurrent(currentTensor, second), 1);
  EXPECT_EQ(currentTensor->CurrentList.size(), 1u);
}

TEST_F(CosetTest, AddingAFactorEmptiesTheCurrentsAndMarksTheSpectrum) {
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->SpectrumChanged, 0);
  runAll({"g a 1 1"});
  EXPECT_TRUE(currentTensor->CurrentList.empty());
  EXPECT_EQ(currentTensor->SpectrumChanged, 1);
  EXPECT_EQ(currentTensor->ExtensionNumber, -1);
}

TEST_F(CosetTest, OrderOfACurrentAndCentralChargeOfATrivialCoset) {
  runAll({"tensor", "g a 1 3", "g a 1 5"});
  const int J[] = {1, 1};
  EXPECT_EQ(TensorOrbitLength(currentTensor, J), 2);
  resetCoset(currentTensor);
  runAll({"g a 2 1", "h a 2 1"});
  EXPECT_NEAR(cosetCentralCharge(currentTensor), 0.0, 1e-12);
}

TEST_F(CosetTest, TooManyPrimariesLeavesTheSpectrumToRecompute) {
  runAll({"tensor", "g a 1 4", "g a 1 4", "set max_primaries 10"});
  OutputCapture out;
  EXPECT_EQ(computeTensorSpectrum(currentTensor), -1);
  EXPECT_NE(out.printed.find("Too many primaries (maximum set at 10)\n"), std::string::npos);
  EXPECT_EQ(currentTensor->SpectrumChanged, 1);
}

TEST_F(CosetTest, ExtensionNumbersOutsideTheListAreRefused) {
  runAll({"tensor", "g a 1 2"});
  assignExtensionNumber(currentTensor, 3);
  EXPECT_EQ(SelectExtension(-1), 0);
  EXPECT_TRUE(alerted("Extension number -1 does not exist"));
  EXPECT_EQ(currentTensor->ExtensionNumber, -1);
  EXPECT_EQ(SelectExtension(5), 0);
  EXPECT_TRUE(alerted("Extension number 5 does not exist"));
}

TEST_F(CosetTest, TheCalabiYauTableHas168Entries) {
  const std::vector<std::int64_t>& codes = getMinimalTensorCodes();
  ASSERT_EQ(codes.size(), 168u);
  std::map<int, int> perCount;
  for (int k = 1; k <= 168; ++k) {
    std::vector<int> levels;
    ++perCount[interpretMinimalTensor(k, &levels)];
    // Central charge 9: sum 3k/(k+2) over the levels.
    double c = 0.0;
    for (int level : levels) c += 3.0 * level / (level + 2.0);
    EXPECT_NEAR(c, 9.0, 1e-9) << "entry " << k;
  }
  EXPECT_EQ(perCount, (std::map<int, int>{{4, 108}, {5, 39}, {6, 14}, {7, 4}, {8, 2}, {9, 1}}));
  std::vector<int> levels;
  EXPECT_EQ(interpretMinimalTensor(1, &levels), 4);
  EXPECT_EQ(levels, (std::vector<int>{1, 5, 41, 1804}));
  EXPECT_EQ(interpretMinimalTensor(147, &levels), 5);
  EXPECT_EQ(levels, (std::vector<int>{3, 3, 3, 3, 3}));
  EXPECT_EQ(interpretMinimalTensor(111111111, &levels), 9);
  EXPECT_EQ(levels, std::vector<int>(9, 1));
  EXPECT_EQ(interpretMinimalTensor(4444, &levels), -1);
  EXPECT_TRUE(alerted("invalid CY code 4444"));
  std::vector<std::int64_t> sorted = codes;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  EXPECT_GT(sorted.front(), 168);
}

TEST_F(CosetTest, CodesOfMinimalModelProducts) {
  runAll({"set super on", "set heterotic factors 0", "tensor"});
  for (int i = 0; i < 4; ++i) runAll({"g minimal 2 3"});
  EXPECT_EQ(getTensorCode(currentTensor), "{3333}");
  EXPECT_EQ(getNumericalTensorCode(currentTensor), 3333);
  runAll({"set super off"});
  EXPECT_EQ(getNumericalTensorCode(currentTensor), 777777);
  const int levels[] = {1, 5, 41};
  EXPECT_EQ(convertFactorList(3, levels), 1541);
  // Twenty digits do not fit 63 bits: refused, never wrapped.
  const int large[] = {1000000000, 1000000000, 10};
  EXPECT_EQ(convertFactorList(3, large), -1);
}

TEST_F(CosetTest, FileIdentifierJoinsTheLevelsAfterTheFirst) {
  runAll({"tensor", "g a 1 1", "g a 1 12", "g a 1 4"});
  EXPECT_EQ(fileIdentifier(), 124);
  resetCoset(currentTensor);
  runAll({"g a 1 1", "g a 1 3", "g a 1 3", "g a 1 3"});
  EXPECT_EQ(fileIdentifier(), 333);
  resetCoset(currentTensor);
  runAll({"g a 1 7"});
  EXPECT_EQ(fileIdentifier(), 0);
  // Five more factors of level 5000: 5000 followed by four groups of four digits and more
  // does not fit 63 bits; refused, never wrapped.
  SpectrumData* large = SM_getData(1, 1, 5000);
  ASSERT_NE(large, nullptr);
  for (int i = 0; i < 5; ++i) addTensorFactor(currentTensor, large, 0);
  EXPECT_EQ(fileIdentifier(), -1);
  EXPECT_TRUE(alerted("Tensor file identifier too large"));
}

TEST_F(CosetTest, FilterCodeOfTooManyFactorsIsRefusedWithoutEnding) {
  runAll({"tensor"});
  SpectrumData* sd = SM_getData(1, 1, 1);
  for (int i = 0; i < 49; ++i) addTensorFactor(currentTensor, sd, 0);
  EXPECT_EQ(getTensorMIPFcode(currentTensor), "");
  EXPECT_TRUE(alerted("Too many tensor factors"));
}

TEST_F(CosetTest, UngradedRecordHasIdentityGradeBlocks) {
  SpectrumData* sd = SM_getData(1, 1, 2);
  const int n = sd->n_primaries;
  std::vector<int> map(static_cast<std::size_t>(2 * n), -1);
  int nsStart = 0, rStart = 0, nNS = 0, nR = 0, pass = 0;
  EXPECT_EQ(SM_makeGradeMap(sd, map.data(), &nsStart, &rStart, &nNS, &nR, &pass), 0);
  for (int a = 0; a < n; ++a) {
    EXPECT_EQ(map[static_cast<std::size_t>(a)], a);
    EXPECT_EQ(map[static_cast<std::size_t>(n + a)], a);
  }
  EXPECT_EQ(nsStart, 2);
  EXPECT_EQ(rStart, 2);
  EXPECT_EQ(nNS, n);
  EXPECT_EQ(nR, n);
  EXPECT_EQ(SM_makeNSCurrents(sd, 1), 2);
}

TEST_F(CosetTest, OutputFileNamesFollowThePrefix) {
  runAll({"tensor", "g a 1 4", "current 1"});
  const std::string dir = getOutputDir();
  std::string name = getCurrentOutputFileName(".cases");
  // The search is supersymmetric by default; a non-supersymmetric one names another folder.
  EXPECT_EQ(name, dir + "N_Tensor{A1:4}/SusyMIPF{A1:4}.cases");
  setSusySearchSource([] { return 0; });
  EXPECT_EQ(getCurrentOutputFileName(".cases"), dir + "N_Tensor{A1:4}/NonSusyMIPF{A1:4}.cases");
  setSusySearchSource([] { return 1; });
  EXPECT_TRUE(std::filesystem::is_directory(dir + "N_Tensor{A1:4}"));
  assignExtensionNumber(currentTensor, 2);
  EXPECT_EQ(getCurrentOutputFileName(".x"), dir + "N_Tensor{A1:4}/Ext2.x");
  runAll({"set outputfileprefix run/case"});
  EXPECT_EQ(getCurrentOutputFileName(".x"), dir + "run/case.x");
}

TEST_F(CosetTest, UncreatableFolderFallsBackToAPrivateTemporaryFolder) {
  TemporaryFolder folder;
  const std::string blocker = folder.write("blocker", "a file where a folder should be");
  const std::string line = "set outputfileprefix blocker/inside/case";
  runAll({"tensor", "g a 1 4"});
  const std::string saved = getOutputDir();
  runAll({("set outputdir " + folder.path()).c_str(), line.c_str()});
  const std::string name = getCurrentOutputFileName(".x");
  EXPECT_TRUE(alerted("Failed to create directory"));
  EXPECT_EQ(name.rfind("/tmp/zoq", 0), 0u) << name;
  EXPECT_NE(name, "/tmp/case.x");
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(name).parent_path()));
  std::filesystem::remove_all(std::filesystem::path(name).parent_path());
}

TEST_F(CosetTest, PrintEntryWidensForLongLabels) {
  EXPECT_EQ(PrintEntry(2, 3), std::string("From Z(2,3): ") + std::string(10, ' '));
  const std::string wide = PrintEntry(2147483647, 2147483647);
  EXPECT_EQ(wide, "From Z(2147483647,2147483647): ");
}

TEST_F(CosetTest, TeXNameAndCodeOfAnEmptyProduct) {
  runAll({"tensor"});
  EXPECT_EQ(getTensorCode(currentTensor), "{}");
  EXPECT_EQ(getTensorTeXString(currentTensor), "$()$");
  runAll({"set tensorname MyModel"});
  EXPECT_EQ(getTensorCode(currentTensor), "MyModel");
}

}  // namespace

namespace {

TEST_F(CosetTest, SecondPassWithoutSimpleCurrentsFailsWithoutEndingTheRun) {
  runAll({"tensor", "g a 1 2"});
  currentTensor->NumberOfSimpleCurrents = 0;
  EXPECT_EQ(computeFullTensorSpectrum(currentTensor, 0), -1);
  EXPECT_TRUE(alerted("Simple currents not available"));
  EXPECT_EQ(currentTensor->SpectrumChanged, 1);
}

TEST_F(CosetTest, OdometerBeyondSixtyTwoBitsIsRefusedBeforeTheLoop) {
  // 63 factors with two currents each: 2^63 combinations of simple-current labels.
  runAll({"tensor"});
  SpectrumData* sd = SM_getData(1, 1, 1);
  for (int i = 0; i < 63; ++i) addTensorFactor(currentTensor, sd, 0);
  // Without currents the 2^63 combinations are all fields: the size is refused first.
  EXPECT_EQ(computeTensorSpectrum(currentTensor), -1);
  EXPECT_TRUE(alerted("The tensor spectrum would need"));
  // The first pass on its own refuses the odometer.
  EXPECT_EQ(computeStandardTensorSpectrum(currentTensor, 0), -1);
  EXPECT_TRUE(alerted("Too many combinations to enumerate"));
}

}  // namespace
