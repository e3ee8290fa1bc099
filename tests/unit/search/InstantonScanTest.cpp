// Instanton requirements and the pieces of the instanton scan: forming the four zero-mode
// numbers from what the user gives, the parity sum, the per-stack entries, the group-type
// prefixes, the requirement print, and the scans' handling of a missing model file.
#include <gtest/gtest.h>

#include <complex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "search/Axions.h"
#include "search/InstantonScan.h"
#include "search/ModelScan.h"

namespace {

class InstantonScanTest : public ZoqTest {};

void expectModes(const int z[4], int a, int b, int c, int d) {
  EXPECT_EQ(z[0], a);
  EXPECT_EQ(z[1], b);
  EXPECT_EQ(z[2], c);
  EXPECT_EQ(z[3], d);
}

TEST_F(InstantonScanTest, RequirementsStartEmptyAndTypeUnset) {
  for (char c = 'a'; c <= 'z'; ++c) {
    const InstantonRequirement r = getInstantonRequirement(c);
    EXPECT_EQ(r.preference, -1) << c;
    expectModes(r.zeroModes, 0, 0, 0, 0);
  }
  EXPECT_EQ(getInstantonType(), 0);
}

TEST_F(InstantonScanTest, RealInstantonTakesOneNumberForARealStackAndTwoForAComplexOne) {
  int z[4] = {};
  const int one[1] = {2};
  ASSERT_EQ(formInstantonZeroModes(1, 1, one, 1, z), 1);
  expectModes(z, 2, 2, 2, 2);
  const int two[2] = {3, -1};
  ASSERT_EQ(formInstantonZeroModes(-1, 0, two, 2, z), 1);
  expectModes(z, 3, -1, 3, -1);
  // A fourth value (two numbers for a real stack) is refused.
  EXPECT_EQ(formInstantonZeroModes(1, 1, two, 2, z), 0);
  EXPECT_EQ(formInstantonZeroModes(1, 0, one, 1, z), 0);
}

TEST_F(InstantonScanTest, UnsetTypeTakesTwoNumbersForARealStackAndFourForAComplexOne) {
  int z[4] = {};
  const int two[2] = {1, 4};
  ASSERT_EQ(formInstantonZeroModes(0, 1, two, 2, z), 1);
  expectModes(z, 1, 1, 4, 4);
  const int four[4] = {1, 2, 3, 4};
  ASSERT_EQ(formInstantonZeroModes(0, 0, four, 4, z), 1);
  expectModes(z, 1, 2, 3, 4);
  EXPECT_EQ(formInstantonZeroModes(0, 1, four, 3, z), 0);
  EXPECT_EQ(formInstantonZeroModes(0, 0, two, 2, z), 0);
}

TEST_F(InstantonScanTest, RealityOutsideZeroAndOneFormsNothing) {
  int z[4] = {7, 7, 7, 7};
  const int one[1] = {2};
  EXPECT_EQ(formInstantonZeroModes(1, 5, one, 1, z), 0);
  expectModes(z, 7, 7, 7, 7);
}

TEST_F(InstantonScanTest, RequirementsAreKeptPerLetter) {
  const int z[4] = {2, 2, 2, 2};
  setInstanton('c', z, 1);
  setInstantonType(-1);
  EXPECT_EQ(getInstantonRequirement('c').preference, 1);
  expectModes(getInstantonRequirement('c').zeroModes, 2, 2, 2, 2);
  EXPECT_EQ(getInstantonRequirement('b').preference, -1);
  EXPECT_EQ(getInstantonType(), -1);
  EXPECT_EQ(InstantonCheck(2, 2, 2, 2, 2), 1);
  EXPECT_EQ(InstantonCheck(2, 2, 2, 2, 1), 0);
  // No requirement: anything passes.
  EXPECT_EQ(InstantonCheck(1, 9, 9, 9, 9), 1);
  resetInstantonScan();
  EXPECT_EQ(getInstantonRequirement('c').preference, -1);
  EXPECT_EQ(getInstantonType(), 0);
}

TEST_F(InstantonScanTest, WithoutRequirementsEveryStackSaysSo) {
  const int labels[4] = {3, 5, 8, 9};
  for (int i = 0; i < 4; ++i) InstantonRequirementCheck(i, 0, labels);
  EXPECT_EQ(capture.printed,
            "No instanton interections required for stack a\n"
            "No instanton interections required for stack b\n"
            "No instanton interections required for stack c\n"
            "No instanton interections required for stack d\n");
}

TEST_F(InstantonScanTest, ParitySumCountsStackDOnlyWhenPresent) {
  // I(m,a*) - I(m,a) = 1 - 0; with d: + I(m,d) - I(m,d*) = 2 - 1.
  EXPECT_EQ(instantonParitySum(1, 0, 2, 1, true), 2);
  EXPECT_EQ(instantonParitySum(1, 0, 2, 1, false), 1);
  EXPECT_EQ(instantonParitySum(0, 3, 0, 0, false) % 2 != 0, true);
}

TEST_F(InstantonScanTest, StackEntriesHaveTheShortFormForARealInstanton) {
  const int v[4] = {1, -2, 3, 0};
  EXPECT_EQ(instantonStackEntry('a', true, v), "a:  1 -2       | ");
  EXPECT_EQ(instantonStackEntry('b', false, v), "b:  1 -2  3  0 | ");
}

TEST_F(InstantonScanTest, GroupTypePrefixes) {
  EXPECT_STREQ(instantonTypePrefix(-1), "O1: ");
  EXPECT_STREQ(instantonTypePrefix(0), "U1: ");
  EXPECT_STREQ(instantonTypePrefix(1), "S2: ");
  EXPECT_STREQ(instantonTypePrefix(2), "");
}

TEST_F(InstantonScanTest, MissingModelFileIsReportedAndAnswersZero) {
  TemporaryFolder folder;
  const std::string missing = folder.path("none.models");
  EXPECT_EQ(InstantonScan(missing.c_str(), -1), 0);
  EXPECT_NE(capture.printed.find("Scanning file " + missing + "\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Could not open input file " + missing), std::string::npos);
  EXPECT_EQ(getInstantonLabel(), -1);
  capture.clear();
  EXPECT_EQ(SpectrumScan(missing.c_str(), 7), 0);
  EXPECT_NE(capture.printed.find("Scanning file " + missing + " for models of type 7\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Could not open input file"), std::string::npos);
}

TEST_F(InstantonScanTest, EmptyModelFileScansNothing) {
  TemporaryFolder folder;
  const std::string file = folder.write("empty.models", "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_EQ(InstantonScan(file.c_str(), -1), 0);
  EXPECT_EQ(capture.printed.find("Scanning raw input configuration"), std::string::npos);
  EXPECT_EQ(getInstantonLabel(), -1);
}

// The charge check of the spectrum scan: a boundary's couplings against the charges
// times the couplings of the basis boundaries (with the signs of their rows).
TEST_F(InstantonScanTest, ChargeCheckAcceptsCouplingsTheChargesReproduce) {
  using C = std::complex<double>;
  const std::vector<std::vector<C>> basis = {{C(1, 0), C(0, 0.5)}, {C(0, 0), C(1, 0)}};
  const std::vector<int> signs = {1, -1};
  const std::vector<int> charges = {2, 1};
  // 2 (1, i/2) - (0, 1) = (2, -1 + i).
  EXPECT_EQ(AX_firstChargeMismatch({C(2, 0), C(-1, 1)}, charges, signs, basis), -1);
  // Differences below 1e-7 (real plus imaginary part) are rounding.
  EXPECT_EQ(AX_firstChargeMismatch({C(2, 0), C(-1 + 4e-8, 1 + 4e-8)}, charges, signs, basis), -1);
}

TEST_F(InstantonScanTest, ChargeCheckNamesTheFirstAxionThatDiffers) {
  using C = std::complex<double>;
  const std::vector<std::vector<C>> basis = {{C(1, 0), C(0, 0.5)}, {C(0, 0), C(1, 0)}};
  const std::vector<int> signs = {1, -1};
  const std::vector<int> charges = {2, 1};
  // Without the sign of the second row the sum would be (2, 1 + i).
  EXPECT_EQ(AX_firstChargeMismatch({C(2, 0), C(1, 1)}, charges, signs, basis), 1);
  EXPECT_EQ(AX_firstChargeMismatch({C(2, 1e-6), C(-1, 1)}, charges, signs, basis), 0);
}

// A made-up orientifold of four boundaries: 0 and 1 a conjugate pair, 2 and 3 real. The
// full intersection is I(a, b) = a - b, its chirality result a * b (so that the parity sum
// differs from the printed numbers); getDiagonalInfo gives x = 2m + 4, y = 2, z = m + 5.
struct FakeOrientifold {
  static std::string& file() {
    static std::string name;
    return name;
  }
  static int& rebuilt() {
    static int count = 0;
    return count;
  }
  static int rebuild() { return ++rebuilt(), 1; }
  static int failRebuild() { return 0; }
  static int count() { return 4; }
  static int conjugate(int m) { return m == 0 ? 1 : m == 1 ? 0 : m; }
  static int intersection(int a, int b, int* chirality) {
    *chirality = a * b;
    return a - b;
  }
  static void diagonal(int, int m, int* x, int* y, int* z) {
    *x = 2 * m + 4;
    *y = 2;
    *z = m + 5;
  }
  static int groupType(int m) { return m == 2 ? -1 : m == 3 ? 1 : 0; }
  static std::string output(const char*) { return file(); }
};

class InstantonScanFileTest : public InstantonScanTest {
 protected:
  void SetUp() override {
    InstantonScanTest::SetUp();
    FakeOrientifold::file() = folder.path("case.instantons");
    FakeOrientifold::rebuilt() = 0;
    services.rebuildCase = FakeOrientifold::rebuild;
    services.boundaryCount = FakeOrientifold::count;
    services.conjugate = FakeOrientifold::conjugate;
    services.intersection = FakeOrientifold::intersection;
    services.diagonalInfo = FakeOrientifold::diagonal;
    services.groupType = FakeOrientifold::groupType;
    services.outputFile = FakeOrientifold::output;
    setInstantonScanServices(&services);
  }
  void TearDown() override { setInstantonScanServices(nullptr); }

  TemporaryFolder folder;
  InstantonScanServices services;
};

// Stacks a = 0 (complex, a* = 1), b = 2, c = 3: I(a,b*) = I(0,2), I(a*,b*) = I(1,2),
// I(a,b) = I(0,2), I(a*,b) = I(1,2).
const char* const kHeader =
    "      Brane a-b intersection: I(a,b)=-2, I(a*,b)=-1, I(a,b*)=-2, I(a*,b*)=-1\n"
    "      (To be compared to O1/S2(U1): I_(a,m) I(a*,m) I(a,m*) I(a*,m*) below)\n"
    "###################### Starting Instanton Search ###############\n";

// The three instanton lines of tensor 100, MIPF mipf, orientifold 1, scanned type `type`.
// m = 0 (complex, m* = 1): z of m* = 6, (x+y)/2, (x-y)/2 = 3, 1 for m and 4, 2 for m*;
// per stack I(m,x*), I(m,x), I(m*,x*), I(m*,x). m = 2 and 3 (real): z, (x+y)/2, (x-y)/2
// and I(m,x*), I(m,x). Boundary 1 is 0's conjugate and gets no line.
std::string instantonLines(int mipf, const char* type) {
  const std::string head = std::string("       100     ") + std::to_string(mipf) + "     1";
  const std::string mid = std::string(" | ") + type + " |    0    2    3  | ";
  return head + "     0" + mid + "    0 | U1:  6  3  1  4  2 | a: -1  0  0  1 | b: -2 -2 -1 -1 | c: -3 -3 -2 -2 | \n" +
         head + "     2" + mid + "    2 | O1:  7  5  3       | a:  1  2       | b:  0  0       | c: -1 -1       | \n" +
         head + "     3" + mid + "    3 | S2:  8  6  4       | a:  2  3       | b:  1  1       | c:  0  0       | \n";
}

TEST_F(InstantonScanFileTest, ABoundaryAndItsConjugateGiveOneLineUnderTheSmallerLabel) {
  const std::string models = folder.write("case.models",
                                          "5 100 7 1 0 2 3 -1 3 2 1 0 name 0\n"
                                          "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_EQ(InstantonScan(models.c_str(), -1), 0);
  EXPECT_EQ(FakeOrientifold::rebuilt(), 1);
  EXPECT_EQ(readFile(FakeOrientifold::file()), std::string(kHeader) + instantonLines(7, "   -1"));
  EXPECT_NE(capture.printed.find("Output (if any) will be written to file " + FakeOrientifold::file() + "\n"),
            std::string::npos);
  for (char c : {'a', 'b', 'c'}) {
    EXPECT_NE(capture.printed.find(std::string("No instanton interections required for stack ") + c + "\n"),
              std::string::npos);
  }
  EXPECT_EQ(capture.printed.find("required for stack d"), std::string::npos);
  EXPECT_EQ(getInstantonLabel(), -1);
}

TEST_F(InstantonScanFileTest, OnlyAnOddParitySumIsAnRParityViolation) {
  // Without stack d the sum is chir(m,a*) - chir(m,a) = m * 1 - m * 0 = m: odd for m = 3 only.
  const std::string models = folder.write("case.models", "5 100 7 1 0 2 3 -1 3 2 1 0 name 0\n");
  EXPECT_EQ(InstantonScan(models.c_str(), -1), 0);
  const std::string lines = instantonLines(7, "   -1");
  const std::string third = lines.substr(lines.rfind("       100"));
  EXPECT_EQ(capture.stdoutText, "R-Parity violation\n" + third);
}

TEST_F(InstantonScanFileTest, TwoCandidatesOfOneScanBothRemainInTheFile) {
  const std::string models = folder.write("case.models",
                                          "5 100 7 1 0 2 3 -1 3 2 1 0 name 0\n"
                                          "6 100 8 1 0 2 3 -1 3 2 1 0 name 0\n"
                                          "5 100 9 1 0 2 3 -1 3 2 1 0 name 0\n");
  EXPECT_EQ(InstantonScan(models.c_str(), 5), 0);
  // The type-6 line is not scanned; each candidate appends its header and its lines.
  EXPECT_EQ(FakeOrientifold::rebuilt(), 2);
  EXPECT_EQ(readFile(FakeOrientifold::file()),
            std::string(kHeader) + instantonLines(7, "    5") + kHeader + instantonLines(9, "    5"));
  EXPECT_NE(capture.printed.find("Scanning raw input configuration nr. 2\n"), std::string::npos);
}

TEST_F(InstantonScanFileTest, ACaseThatCannotBeRebuiltEndsTheScanWithOne) {
  services.rebuildCase = FakeOrientifold::failRebuild;
  setInstantonScanServices(&services);
  const std::string models = folder.write("case.models",
                                          "5 100 7 1 0 2 3 -1 3 2 1 0 name 0\n"
                                          "5 100 8 1 0 2 3 -1 3 2 1 0 name 0\n");
  EXPECT_EQ(InstantonScan(models.c_str(), -1), 1);
  EXPECT_EQ(readFile(FakeOrientifold::file()), "");
  EXPECT_EQ(getInstantonLabel(), -1);
}

}  // namespace
