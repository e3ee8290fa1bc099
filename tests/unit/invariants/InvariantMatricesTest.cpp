// Invariant matrices: the table column text, redundancy removal, label counts, explicit
// invariants, the conjugation invariant, transposes, conjugates and products.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "TestSupport.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::useTheory;

class InvariantMatricesTest : public ZoqTest {
 protected:
  void TearDown() override {
    resetInvariantMatrices();
    ZoqTest::TearDown();
  }
};

std::string column(int i) {
  std::string cell;
  EXPECT_TRUE(getBulkInvariantString(cell, nullptr, i));
  return cell;
}

// A1 level 4 by Dynkin label: the matrix with entries m[l][l'] placed on the fields.
std::vector<int> a1Matrix(const SpectrumData* sd, const int (&m)[5][5]) {
  std::vector<int> M(25, 0);
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) M[a1Field(sd, a) * 5 + a1Field(sd, b)] = m[a][b];
  }
  return M;
}

constexpr int kDType[5][5] = {{1, 0, 0, 0, 1}, {0, 0, 0, 0, 0}, {0, 0, 2, 0, 0},
                              {0, 0, 0, 0, 0}, {1, 0, 0, 0, 1}};

// Z S = S Z and Z T = T Z for A1 level 4, with S and T in closed form.
void expectModularInvariant(const SpectrumData* sd, const BulkInvariant* bi) {
  const int k = 4;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      double zs = 0.0, sz = 0.0;
      for (int m = 0; m < 5; ++m) {
        zs += bulkEntry(bi, i, m) * modular_test::a1S(k, a1Label(sd, m), a1Label(sd, j));
        sz += modular_test::a1S(k, a1Label(sd, i), a1Label(sd, m)) * bulkEntry(bi, m, j);
      }
      EXPECT_NEAR(zs, sz, 1e-7) << i << "," << j;
      if (bulkEntry(bi, i, j) != 0) {
        const double dh = modular_test::a1Weight(k, a1Label(sd, i)) -
                          modular_test::a1Weight(k, a1Label(sd, j));
        EXPECT_NEAR(dh, std::round(dh), 1e-7) << i << "," << j;
      }
    }
  }
}

TEST_F(InvariantMatricesTest, ColumnTextsOfDiagonalEmptyAndMultipleRows) {
  useTheory(1, 1, 4);
  EXPECT_EQ(column(3), "(3)");
  // Row 0 empty, row 1 with partners 3, 3, 5 and multiplicity 2 (a record of six rows).
  auto bi = allocNewBulkInvariant(nullptr);
  allocBulkInvariantData(bi.get(), 6, 4);
  int* partners = bi->algebra + 6;
  partners[0] = 3;
  partners[1] = 3;
  partners[2] = 5;
  partners[3] = 4;
  bi->orbits[1] = partners;
  bi->count[1] = 3;
  bi->mult[1] = 2;
  bi->orbits[2] = partners + 3;
  bi->count[2] = 1;
  bi->mult[2] = 1;
  bi->diagonal = 0;
  setCurrentBulkInvariant(bi.get());
  EXPECT_EQ(column(0), " - ");
  EXPECT_EQ(column(1), "2*(2*3+5)");
  EXPECT_EQ(column(2), "(4)");
  resetBulk();
}

TEST_F(InvariantMatricesTest, RemoveRedundancyDividesByTheGcdOfTheCounts) {
  int list[] = {5, 2, 2, 5, 2, 2, 9, 9};  // counts 4, 2, 2: gcd 2
  int g = -1;
  const int n = removeRedundancy(list, 8, &g);
  EXPECT_EQ(g, 2);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(std::vector<int>(list, list + 4), (std::vector<int>{2, 2, 5, 9}));
  EXPECT_EQ(buildRepString(list, 4), "(2*2+5+9)");
  int none[1] = {0};
  EXPECT_EQ(removeRedundancy(none, 0, &g), 0);
  EXPECT_EQ(g, 0);
}

TEST_F(InvariantMatricesTest, ExplicitDTypeInvariantOfA1Level4) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  const std::vector<int> M = a1Matrix(sd, kDType);
  auto bi = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) EXPECT_EQ(bulkEntry(bi.get(), i, j), M[i * 5 + j]);
  }
  EXPECT_EQ(bi->symmetric, 1);
  EXPECT_EQ(bi->simple_current, 0);
  // Ishibashi labels: Z_00 + Z_44 + Z_22 = 1 + 1 + 2.
  EXPECT_EQ(bi->ishibashi_count, 4);
  EXPECT_EQ(LabelCount(bi.get()), 4);
  // The algebra: fields with Z_i0 > 0, the vacuum and l = 4.
  ASSERT_EQ(bi->algebra_count, 2);
  // The transpose of a symmetric invariant is the record itself.
  EXPECT_EQ(reflectBulkInvariant(bi.get()), bi.get());
  expectModularInvariant(sd, bi.get());
}

TEST_F(InvariantMatricesTest, TransposeOfANonSymmetricMatrix) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  std::vector<int> M(25, 0);
  M[0 * 5 + 0] = 1;
  M[1 * 5 + 2] = 2;
  M[1 * 5 + 3] = 4;
  M[3 * 5 + 2] = 1;
  auto bi = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), bi.get(), 0, 0);
  EXPECT_EQ(bi->symmetric, 0);
  EXPECT_EQ(bi->mult[1], 2);
  BulkInvariant* t = reflectBulkInvariant(bi.get());
  ASSERT_NE(t, nullptr);
  ASSERT_NE(t, bi.get());
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) EXPECT_EQ(bulkEntry(t, i, j), M[j * 5 + i]) << i << "," << j;
  }
  // Column 2 holds 2 x field 1 and 1 x field 3: no common factor.
  EXPECT_EQ(t->mult[2], 1);
  EXPECT_EQ(t->mult[3], 4);
}

TEST_F(InvariantMatricesTest, ConjugationInvariantOfA2Level1SquaresToTheDiagonal) {
  const SpectrumData* sd = useTheory(1, 2, 1);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, 3);
  setConjugationInvariant();
  BulkInvariant* c = *getCurrentBulk();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->conjugation, 1);
  EXPECT_EQ(c->diagonal, 0);
  // Fields 1 and 2 are conjugate: C_00 = C_12 = C_21 = 1; one Ishibashi label.
  EXPECT_EQ(bulkEntry(c, 0, 0), 1);
  EXPECT_EQ(bulkEntry(c, 1, 2), 1);
  EXPECT_EQ(bulkEntry(c, 2, 1), 1);
  EXPECT_EQ(bulkEntry(c, 1, 1), 0);
  EXPECT_EQ(c->ishibashi_count, 1);
  EXPECT_EQ(column(1), "(2)");
  // C times C is the identity.
  int status = 5;
  auto cc = multiplyBulkInvariantRecords(c, c, &status);
  EXPECT_EQ(status, 0);
  ASSERT_NE(cc, nullptr);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(bulkEntry(cc.get(), i, j), i == j ? 1 : 0);
  }
  EXPECT_EQ(cc->symmetric, 1);
  EXPECT_EQ(cc->ishibashi_count, 3);
  // Conjugating C in place gives the diagonal invariant, and conjugating that gives C.
  conjugateBulkInvariant(c);
  EXPECT_EQ(c->diagonal, 1);
  EXPECT_EQ(c->conjugation, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bulkEntry(c, i, i), 1);
  conjugateBulkInvariant(c);
  EXPECT_EQ(c->conjugation, 1);
  EXPECT_EQ(c->simple_current, 0);
  EXPECT_EQ(bulkEntry(c, 1, 2), 1);
  // Its rows hold one partner each: a copy reads no more than that and is equal.
  auto copy = allocNewBulkInvariant(nullptr);
  copyBulkInvariant(copy.get(), c);
  EXPECT_EQ(compareBulkInvariants(copy.get(), c), 0);
  resetBulk();
}

TEST_F(InvariantMatricesTest, ProductsOfA1Level4InvariantsAreModularInvariant) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  const std::vector<int> M = a1Matrix(sd, kDType);
  auto d = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), d.get(), 0, 0);
  BulkInvariant* diagonal = *getCurrentBulk();
  ASSERT_EQ(diagonal->diagonal, 1);
  int status = 5;
  // Diagonal times D is D.
  auto p = multiplyBulkInvariantRecords(diagonal, d.get(), &status);
  EXPECT_EQ(status, 0);
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(bulkEntry(p.get(), i / 5, i % 5), M[i]);
  EXPECT_EQ(p->diagonal, 0);
  expectModularInvariant(sd, p.get());
  // D times D = 2 D (entries of D^2: (0,0) = 2, (2,2) = 4); the common factor 2 is divided
  // out, leaving a vacuum row with multiplicity 1 and one vacuum entry: D again.
  auto q = multiplyBulkInvariantRecords(d.get(), d.get(), &status);
  EXPECT_EQ(status, 0);
  ASSERT_NE(q, nullptr);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(bulkEntry(q.get(), i / 5, i % 5), M[i]);
  expectModularInvariant(sd, q.get());
}

TEST_F(InvariantMatricesTest, AProductOfTwoMIPFNumbersKeepsBothOperands) {
  // "Autostore" OFF: a number is built by the enumeration, MIPF 0 the diagonal A and MIPF 1
  // the D type. D x A = D, whichever look-up comes last.
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(*getIntParPointer("Autostore"), 0);
  const std::vector<int> D = a1Matrix(sd, kDType);
  BulkInvariant* before = *getCurrentBulk();
  ASSERT_EQ(before->diagonal, 1);
  ASSERT_EQ(multiplyBulkInvariants("1", "0", "DA", 0), 0);
  BulkInvariant* product = findNamedBulkInvariant("DA");
  ASSERT_NE(product, nullptr);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(bulkEntry(product, i / 5, i % 5), D[i]) << i;
  // Reading the operands leaves the current invariant as it was.
  EXPECT_EQ(*getCurrentBulk(), before);
  EXPECT_EQ(before->diagonal, 1);
}

TEST_F(InvariantMatricesTest, AProductLeavesACurrentMIPFNumberInForce) {
  // The current invariant is MIPF 1 (D), built into the enumeration's scratch record; the
  // look-ups of A x A rebuild that record, and the product puts D back, number and all.
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  BulkInvariant* current = getBulkInvariantByNumber(1);
  ASSERT_NE(current, nullptr);
  ASSERT_EQ(*getCurrentBulk(), current);
  const std::vector<int> D = a1Matrix(sd, kDType);
  EXPECT_EQ(multiplyBulkInvariants("0", "0", "AA", 0), 0);
  ASSERT_EQ(*getCurrentBulk(), current);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(bulkEntry(current, i / 5, i % 5), D[i]) << i;
  EXPECT_EQ(current->MD->mipf_number, 1);
}

TEST_F(InvariantMatricesTest, AProductWithTwoVacuaInRowZeroIsNotNormalizable) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  // Z_00 = 2 with every other row of multiplicity 1: no common factor, two vacua.
  constexpr int kTwice[5][5] = {{2, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                                {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}};
  const std::vector<int> M = a1Matrix(sd, kTwice);
  auto a = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), a.get(), 0, 0);
  int status = 5;
  auto p = multiplyBulkInvariantRecords(*getCurrentBulk(), a.get(), &status);
  EXPECT_EQ(status, 1);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->symmetric, -1);
  EXPECT_EQ(bulkEntry(p.get(), 0, 0), 2);
}

TEST_F(InvariantMatricesTest, NamedTransposeAndConjugateStoreNewRecords) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  std::vector<int> M(25, 0);
  M[0] = 1;
  M[1 * 5 + 2] = 1;
  M[2 * 5 + 3] = 3;
  auto a = allocNewBulkInvariant(nullptr);
  makeExceptionalBulkInvariant(M.data(), a.get(), 0, 0);
  ASSERT_NE(storeBulkInvariant("A", a.get(), 1, 0), nullptr);
  EXPECT_EQ(transposeNamedBulkInvariant("A", "At"), 0);
  BulkInvariant* at = findNamedBulkInvariant("At");
  ASSERT_NE(at, nullptr);
  // A second transpose rebuilds the scratch record; the stored one keeps its entries.
  EXPECT_EQ(transposeNamedBulkInvariant("At", "Att"), 0);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) EXPECT_EQ(bulkEntry(at, i, j), M[j * 5 + i]) << i << "," << j;
  }
  // The transpose of the transpose is A itself: nothing new under "Att".
  EXPECT_EQ(findNamedBulkInvariant("Att"), nullptr);
  // A1 fields are self-conjugate: the conjugate of A equals A and is not stored again.
  const int before = storedInvariantCount();
  EXPECT_EQ(conjugateNamedBulkInvariant("A", "Ac"), 0);
  EXPECT_EQ(storedInvariantCount(), before);
  // An unknown source is refused.
  EXPECT_EQ(transposeNamedBulkInvariant("Nowhere", "X"), 1);
}

}  // namespace
