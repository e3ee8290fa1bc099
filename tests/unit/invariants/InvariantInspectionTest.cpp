// Inspection of bulk invariants: the pairing conditions of simple-current invariants, left
// orbits, right partners and kernels, the "browse bulk_invariant" report, and the products
// of stored invariants.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"

namespace {

using modular_test::a1Field;
using modular_test::contains;
using modular_test::useTheory;

class InvariantInspectionTest : public ZoqTest {
 protected:
  void TearDown() override {
    resetBulk();
    ZoqTest::TearDown();
  }
};

// A simple-current description over the group with the given factors: element g is the
// field g (true for the centres used here, whose currents are the first fields in element
// order), X given row-major, R zero.
void describe(SimpleCurrentData* md, std::vector<int> factors, std::vector<int> x) {
  md->group = DG_find(factors.data(), static_cast<int>(factors.size()));
  ASSERT_NE(md->group, nullptr);
  const int n = static_cast<int>(factors.size());
  md->map.assign(static_cast<size_t>(md->group->order), 0);
  for (int g = 0; g < md->group->order; ++g) md->map[static_cast<size_t>(g)] = g;
  md->monodromies.assign(static_cast<size_t>(2 * n * n), 0);
  std::copy(x.begin(), x.end(), md->monodromies.begin() + n * n);
  md->n_generators = 0;
}

// Sets row i of a record sized with allocBulkInvariantData(bi, n, cap), at offset *used.
void setRow(BulkInvariant* bi, int i, int mult, std::vector<int> partners, int* used) {
  int* area = bi->algebra + bi->n_rows + *used;
  std::copy(partners.begin(), partners.end(), area);
  bi->orbits[i] = area;
  bi->count[i] = static_cast<int>(partners.size());
  bi->mult[i] = mult;
  *used += bi->count[i];
}

// The simple-current invariant of A1 level 4 for J (l = 4, h = 1) with X = 0: the D-type
// invariant |chi_0 + chi_4|^2 + 2 |chi_2|^2, written as the builder writes it.
std::unique_ptr<BulkInvariant> dTypeRecord(const SpectrumData* sd) {
  auto bi = allocNewBulkInvariant(nullptr);
  describe(bi->MD.get(), {2}, {0});
  allocBulkInvariantData(bi.get(), 5, 12);
  int used = 0;
  const int vacuumOrbit[] = {0, a1Field(sd, 4)};
  setRow(bi.get(), 0, 1, {vacuumOrbit[0], vacuumOrbit[1]}, &used);
  setRow(bi.get(), 1, 1, {vacuumOrbit[0], vacuumOrbit[1]}, &used);
  setRow(bi.get(), a1Field(sd, 2), 2, {a1Field(sd, 2)}, &used);
  bi->algebra[0] = 0;
  bi->algebra[1] = 1;
  bi->algebra_count = 2;
  bi->vacuum_row = bi->orbits[0];
  bi->diagonal = 0;
  bi->simple_current = 1;
  bi->symmetric = 1;
  bi->ishibashi_count = LabelCount(bi.get());
  return bi;
}

TEST_F(InvariantInspectionTest, PairingConditionsOfAnAsymmetricX) {
  // Z2 x Z2 with X = ((0,1),(0,0)): for the vacuum the direct condition asks g_1 even, the
  // mirror one g_0 even.
  SimpleCurrentData md;
  describe(&md, {2, 2}, {0, 1, 0, 0});
  const int g01[] = {0, 1};
  const int g10[] = {1, 0};
  EXPECT_EQ(checkDeltaArgument(&md, 0, g01), 0);
  EXPECT_EQ(checkDeltaArgument(&md, 0, g10), 1);
  EXPECT_EQ(checkDeltaArgumentMirror(&md, 0, g01), 1);
  EXPECT_EQ(checkDeltaArgumentMirror(&md, 0, g10), 0);
  // Integer charges: q_0 + g_1 must be even.
  const int q10[] = {1, 0};
  const int q00[] = {0, 0};
  EXPECT_EQ(checkDeltaArgumentForCharges(&md, q10, g01), 1);
  EXPECT_EQ(checkDeltaArgumentForCharges(&md, q00, g01), 0);
  // Left kernel: elements (0,0), (1,0), i.e. fields 0, 1; right kernel (0,0), (0,1): 0, 2.
  getXKernels(&md);
  EXPECT_EQ(md.kernel_size, 2);
  ASSERT_EQ(md.kernels.size(), 8u);
  EXPECT_EQ(std::vector<int>(md.kernels.begin(), md.kernels.begin() + 2), (std::vector<int>{0, 1}));
  EXPECT_EQ(std::vector<int>(md.kernels.begin() + 4, md.kernels.begin() + 6),
            (std::vector<int>{0, 2}));
  EXPECT_TRUE(silent());
  // Z4 x Z2 with the same X: the left kernel has g_1 = 0 (4 elements), the right g_0 = 0 (2).
  describe(&md, {4, 2}, {0, 1, 0, 0});
  getXKernels(&md);
  EXPECT_EQ(md.kernel_size, 4);
  EXPECT_TRUE(alerted("Different sizes for left- and right chiral algebras"));
}

TEST_F(InvariantInspectionTest, OrbitsAndPartnersOfTheDTypeInvariantOfA1Level4) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(a1Field(sd, 4), 1);
  const int l1 = a1Field(sd, 1);
  const int l2 = a1Field(sd, 2);
  const int l3 = a1Field(sd, 3);
  SimpleCurrentData md;
  describe(&md, {2}, {0});
  getXKernels(&md);
  // Q_J(l) = l/2: the vacuum admits both elements, so both currents are in the kernel.
  EXPECT_EQ(md.kernel_size, 2);
  std::vector<int> out;
  EXPECT_EQ(getLeftOrbit(&md, out, 0), 1);
  EXPECT_EQ(out, (std::vector<int>{0, 1}));
  EXPECT_EQ(getLeftOrbit(&md, out, 1), -1);
  EXPECT_EQ(getRightOrbit(&md, out, 1), 1);
  // l = 2 is fixed by J: stabiliser order 2.
  EXPECT_EQ(getLeftOrbit(&md, out, l2), 2);
  EXPECT_EQ(out, (std::vector<int>{l2}));
  EXPECT_EQ(getRightOrbit(&md, out, l2), 2);
  // h(l=1) - h(l=3) = 1/8 - 5/8 is no integer: an empty row.
  EXPECT_EQ(getLeftOrbit(&md, out, l1), 0);
  int count = -1, stab = -1;
  const int* fields = getRightFields(&md, 0, &count, &stab);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(fields[0], 0);
  EXPECT_EQ(fields[1], 1);
  ASSERT_EQ(stab, 1);
  EXPECT_EQ(fields[2], 0);  // slot |G| = 2
  fields = getRightFields(&md, l2, &count, &stab);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(fields[0], l2);
  ASSERT_EQ(stab, 2);
  EXPECT_EQ(fields[2], 0);
  EXPECT_EQ(fields[3], 1);
  getRightFields(&md, l3, &count, &stab);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(checkInvolution(&md), 0);
  // X = 1: the vacuum admits only the identity, the odd fields pair with J times
  // themselves (l = 1 <-> l = 3), and the partner map is an involution.
  describe(&md, {2}, {1});
  getXKernels(&md);
  EXPECT_EQ(md.kernel_size, 1);
  fields = getRightFields(&md, l1, &count, &stab);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(fields[0], l3);
  EXPECT_EQ(stab, 0);
  EXPECT_EQ(checkInvolution(&md), 1);
}

TEST_F(InvariantInspectionTest, ReportOfAHandBuiltSimpleCurrentInvariant) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(a1Field(sd, 2), 4);
  auto bi = dTypeRecord(sd);
  // Ishibashi labels: Z_00 + Z_11 + Z_44 = 1 + 1 + 2.
  EXPECT_EQ(bi->ishibashi_count, 4);
  SimpleCurrentData& md = *bi->MD;
  md.mipf_number = 1;
  md.subgroup_label = 1;
  md.selection_count = -1;
  md.sel_symmetric = 0;
  md.sel_automorphism = 0;
  md.sel_extension = 0;
  md.sel_reject_permutations = 1;
  setCurrentBulkInvariant(bi.get());
  capture.clear();
  EXPECT_EQ(browseBulk(nullptr, 200000, 1), 0);
  EXPECT_EQ(capture.printed,
            "MIPF identifier: 1\n"
            "Subgroup label: 1\n"
            "This MIPF identifier depends on the following selection criteria:\n"
            "Reject permutations: YES\n"
            "Bulk invariant is a simple current invariant\n"
            "Simple currents:   (1)\n"
            "Group structure: \n"
            "Orders:   (2)\n"
            "Monodromy: \n"
            "           (0)\n"
            "Matrix X: \n"
            "           (0)\n"
            "Chiral algebra:  (0+1)\n"
            "Symmetric invariant\n"
            "Invariant:\n"
            "\n   (0+1)^2 + 2*(4)^2\n"
            "\n"
            "Number of primaries: 5\n"
            "Total nr. of Ishibashi labels: 4\n"
            "NOTE: in applications to boundary CFT, all invariants\n"
            "      are implicitly charge conjugated\n");
  // Without selection flags, and as "browse MIPF" shows it: no group, no partition function.
  md.sel_reject_permutations = 0;
  md.subgroup_label = -1;
  md.selection_count = 3;
  md.truncated = 1;
  capture.clear();
  EXPECT_EQ(browseBulk(nullptr, 0, 1), 0);
  EXPECT_TRUE(contains(capture.printed, "MIPF identifier: 1\nNo selection criteria imposed\n"));
  EXPECT_FALSE(contains(capture.printed, "Subgroup label"));
  EXPECT_FALSE(contains(capture.printed, "Group structure"));
  EXPECT_FALSE(contains(capture.printed, "Invariant:"));
  EXPECT_TRUE(contains(capture.printed, "Autoselect number 3 in subgroup\n"));
  EXPECT_TRUE(
      contains(capture.printed, "WARNING: MIPF is truncated because of primary selection\n"));
  // Quiet at info level 0 without verbose: the kind only.
  capture.clear();
  browseBulk(nullptr, 0, 0);
  EXPECT_FALSE(contains(capture.printed, "Simple currents"));
  EXPECT_FALSE(contains(capture.printed, "Chiral algebra"));
  resetBulk();
}

TEST_F(InvariantInspectionTest, KindsOfInvariantsInTheReport) {
  ASSERT_NE(useTheory(1, 2, 1), nullptr);
  capture.clear();
  EXPECT_EQ(browseBulk(nullptr, 100, 1), 0);
  EXPECT_TRUE(contains(capture.printed,
                       "Bulk invariant is trivial (Cardy case in BCFT)\n"
                       "Symmetric invariant\nNumber of primaries: 3\n"));
  makeExceptional(*getCurrentBulk());
  capture.clear();
  browseBulk(nullptr, 100, 1);
  EXPECT_TRUE(contains(capture.printed, "(Cardy case in BCFT)\n(Treated as exceptional)\n"));
  setConjugationInvariant();
  capture.clear();
  browseBulk(nullptr, 100, 1);
  EXPECT_TRUE(contains(capture.printed,
                       "Bulk invariant is the conjugation invariant (diagonal in BCFT)\n"
                       "Symmetric invariant\nInvariant:\n\n   (0)^2 + (1)*(2) + (2)*(1)\n\n"
                       "Number of primaries: 3\nTotal nr. of Ishibashi labels: 1\n"));
  // The same matrix given explicitly is an exceptional permutation invariant.
  const int C[9] = {1, 0, 0, 0, 0, 1, 0, 1, 0};
  auto bi = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(C, bi.get(), 0, 0);
  bi->symmetric = 2;
  setCurrentBulkInvariant(bi.get());
  capture.clear();
  browseBulk(nullptr, 0, 1);
  EXPECT_EQ(capture.printed.substr(0, 60),
            "Bulk invariant is an exceptional invariant\nSymmetry unknown\n");
  setIntPar("Invariant info_level", 2);
  capture.clear();
  browseBulk(nullptr, 0, 1);
  EXPECT_TRUE(
      contains(capture.printed, "exceptional invariant\nThis is an automorphism invariant\n"));
  setIntPar("Invariant info_level", 0);
  resetBulk();
  // A name not stored.
  EXPECT_EQ(browseBulk("Nowhere", 0, 1), 1);
  EXPECT_TRUE(alerted("Invariant Nowhere not found"));
}

TEST_F(InvariantInspectionTest, ChiralAlgebrasOfExceptionalInvariants) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  setIntPar("Invariant info_level", 2);
  // The D-type matrix: left and right algebras are the vacuum and l = 4.
  std::vector<int> M(25, 0);
  M[0] = M[1] = M[5] = M[6] = 1;
  M[24] = 2;
  auto bi = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  setCurrentBulkInvariant(bi.get());
  capture.clear();
  browseBulk(nullptr, 0, 1);
  EXPECT_TRUE(contains(capture.printed, "exceptional invariant\nChiral algebra:  (0+1)\n"));
  EXPECT_TRUE(silent());
  // More fields pair with the right vacuum than the vacuum has partners.
  std::fill(M.begin(), M.end(), 0);
  M[0] = M[1] = M[5] = M[20] = 1;
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  capture.clear();
  browseBulk(nullptr, 0, 1);
  EXPECT_TRUE(
      contains(capture.printed, "Left chiral algebra:  (0+1+4)\nRight chiral algebra: (0+1)\n"));
  EXPECT_TRUE(alerted("Left chiral algebra larger than right one"));
  // Fewer.
  std::fill(M.begin(), M.end(), 0);
  M[0] = M[1] = 1;
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  capture.clear();
  browseBulk(nullptr, 0, 1);
  EXPECT_TRUE(
      contains(capture.printed, "Left chiral algebra:  (0)\nRight chiral algebra: (0+1)\n"));
  EXPECT_TRUE(alerted("right chiral algebra larger than left one"));
  setIntPar("Invariant info_level", 0);
  resetBulk();
}

TEST_F(InvariantInspectionTest, MonodromyAndXRowsOfTwoGenerators) {
  SimpleCurrentData md;
  describe(&md, {2, 4}, {0, 1, 3, 2});
  md.monodromies[1] = 1;
  md.monodromies[2] = 1;
  capture.clear();
  printMonodromy(&md);
  EXPECT_EQ(capture.printed,
            "Orders:   (2,4)\n"
            "Monodromy: \n           (0,1)\n           (1,0)\n"
            "Matrix X: \n           (0,1)\n           (3,2)\n");
  // Conjugating the conjugation invariant makes it the diagonal one, of the trivial group.
  auto bi = allocNewBulkInvariant(nullptr);
  describe(bi->MD.get(), {2, 4}, {0, 1, 3, 2});
  bi->conjugation = 1;
  bi->diagonal = 0;
  bi->simple_current = 0;
  conjugateBulkInvariant(bi.get());
  EXPECT_EQ(bi->diagonal, 1);
  capture.clear();
  printMonodromy(bi->MD.get());
  EXPECT_EQ(capture.printed, "Trivial (diagonal) invariant\n");
}

TEST_F(InvariantInspectionTest, MassMatrixIsTransposedRowMajor) {
  ASSERT_NE(useTheory(1, 1, 4), nullptr);
  std::vector<int> M(25, 0);
  M[0] = 1;
  M[1 * 5 + 2] = 2;
  M[1 * 5 + 3] = 4;
  M[3 * 5 + 2] = 1;
  auto bi = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  const std::vector<int> T = BulkInvariantToMatrix(bi.get());
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) EXPECT_EQ(T[j * 5 + i], M[i * 5 + j]) << i << "," << j;
  }
}

// ---------------------------------------------------------------------------------------
// Products

TEST_F(InvariantInspectionTest, DTypeSquaredIsTwiceItselfAndNormalisesToItself) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  std::vector<int> M(25, 0);
  M[0] = M[1] = M[5] = M[6] = 1;
  M[a1Field(sd, 2) * 6] = 2;
  auto d = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), d.get(), 0, 0);
  ASSERT_NE(storeBulkInvariant("D", d.get(), 1, 0), nullptr);
  capture.clear();
  // Z_D^2 = 2 Z_D; the product is divided by the common factor 2 and is Z_D, stored already.
  EXPECT_EQ(multiplyBulkInvariants("D", "D", "Square", 1), 0);
  EXPECT_EQ(capture.printed, "\n   (0+1)^2 + 2*(4)^2\n");
  EXPECT_EQ(findNamedBulkInvariant("Square"), nullptr);
  EXPECT_EQ(storedInvariantCount(), 1);
  // A missing factor.
  EXPECT_EQ(multiplyBulkInvariants("D", "Nothing", nullptr, 0), 1);
  EXPECT_TRUE(alerted("Invariant Nothing not found"));
}

TEST_F(InvariantInspectionTest, ProductsThatAreNotNormalizableOrVanish) {
  ASSERT_NE(useTheory(1, 1, 2), nullptr);
  // Rows 0: (0+1), 1: (0), 2 empty. Its square has row 0 = (2*0+1): the vacuum twice.
  std::vector<int> M = {1, 1, 0, 1, 0, 0, 0, 0, 0};
  auto a = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), a.get(), 0, 0);
  ASSERT_NE(storeBulkInvariant("A", a.get(), 1, 0), nullptr);
  capture.clear();
  EXPECT_EQ(multiplyBulkInvariants("A", "A", "AA", 0), 1);
  EXPECT_EQ(capture.printed, "Invariant not normalizable\n\n   (0)*(2*0+1) + (1)*(0+1)\n");
  EXPECT_EQ(findNamedBulkInvariant("AA"), nullptr);
  // A zero matrix has no multiplicity to divide by.
  std::fill(M.begin(), M.end(), 0);
  auto z = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), z.get(), 0, 0);
  ASSERT_NE(storeBulkInvariant("Zero", z.get(), 1, 0), nullptr);
  EXPECT_EQ(multiplyBulkInvariants("Zero", "A", nullptr, 0), -1);
  EXPECT_TRUE(alerted("Vanishing multiplicity in modular invariant data"));
}

// D4 at level 1: its four fields are the simple currents, and every permutation of the
// three non-trivial ones is an automorphism invariant; a 3-cycle P generates {1, P, P^2}.
TEST_F(InvariantInspectionTest, ClosureUnderMultiplicationAddsTheMissingPowers) {
  ASSERT_NE(useTheory(4, 4, 1), nullptr);
  ASSERT_EQ(storedInvariantCount(), 0);
  resetBulk();
  ASSERT_NE(storeBulkInvariant(nullptr, *getCurrentBulk(), 1, 0), nullptr);
  std::vector<int> P(16, 0);
  P[0] = 1;
  P[1 * 4 + 2] = P[2 * 4 + 3] = P[3 * 4 + 1] = 1;
  auto p = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(P.data(), p.get(), 0, 0);
  ASSERT_NE(storeBulkInvariant(nullptr, p.get(), 1, 0), nullptr);
  capture.clear();
  closeBulkInvariantsUnderMultiplication(0);
  EXPECT_EQ(storedInvariantCount(), 3);
  // P^2 joins the store at 1 x 1, after the row of 0 has ended at 0 x 1.
  EXPECT_EQ(capture.printed,
            "Computing 0 x 0 \nComputing 0 x 1 \n"
            "Computing 1 x 0 \nComputing 1 x 1 \nModular invariant stored as \"Invariant_2\"\n"
            "Computing 1 x 2 \n"
            "Computing 2 x 0 \nComputing 2 x 1 \nComputing 2 x 2 \n");
  const BulkInvariant* square = storedBulkInvariantAt(2);
  ASSERT_NE(square, nullptr);
  EXPECT_EQ(square->name, "Invariant_2");
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      // P^2 = P^T.
      EXPECT_EQ(bulkEntry(square, i, j), P[j * 4 + i]) << i << "," << j;
    }
  }
  EXPECT_EQ(storedBulkInvariantAt(3), nullptr);
}

}  // namespace
