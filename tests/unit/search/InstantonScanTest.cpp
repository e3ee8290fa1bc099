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

}  // namespace
