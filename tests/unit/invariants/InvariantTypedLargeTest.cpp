// Typed invariants held by their entries: a few terms on a theory of 46,001 fields hold a
// few entries, the invariance test reads S element by element and stops at its failures
// with the values of S, a correct invariant of many terms is accepted and built, the two
// forms of a matrix build the same record, and what would not fit is refused with the
// session going on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "store/CurrentTheory.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::a1S;
using modular_test::useTheory;

class InvariantTypedLargeTest : public ZoqTest {};

constexpr int kLevel = 46000;

// The deviation printed after "Invariance failure for i,j\nDeviations: ", as a number; NaN
// when that failure was not reported.
double reportedDeviation(const std::string& text, int i, int j) {
  const std::string head =
      "Invariance failure for " + std::to_string(i) + "," + std::to_string(j) + "\nDeviations:";
  const std::size_t at = text.find(head);
  if (at == std::string::npos) return std::nan("");
  return std::strtod(text.c_str() + at + head.size(), nullptr);
}

TEST_F(InvariantTypedLargeTest, ATypedTextOnFortySixThousandFieldsHoldsItsEntriesOnly) {
  SpectrumData* sd = useTheory(1, 1, kLevel);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, kLevel + 1);
  const SparseMassMatrix* M = buildMatrix("(0)^2");
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->n, kLevel + 1);
  EXPECT_EQ(M->entries.size(), 1u);
  EXPECT_EQ(M->at(0, 0), 1);
  // A permutation: the identity with the exchange of 1 and 2, one entry a field.
  M = buildMatrix("<1,2>");
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->entries.size(), static_cast<std::size_t>(kLevel + 1));
  EXPECT_EQ(M->at(1, 2), 1);
  EXPECT_EQ(M->at(2, 1), 1);
  EXPECT_EQ(M->at(1, 1), 0);
  EXPECT_EQ(M->at(2, 2), 0);
  EXPECT_EQ(M->at(kLevel, kLevel), 1);
  // Inner and outer multiplicities multiply: 3*(0+2*5)(7) gives (0,7) = 3 and (5,7) = 6.
  M = buildMatrix("+3*(0+2*5)(7)");
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->entries.size(), 2u);
  EXPECT_EQ(M->at(0, 7), 3);
  EXPECT_EQ(M->at(5, 7), 6);
}

TEST_F(InvariantTypedLargeTest, TheInvarianceTestStopsAtItsFailuresWithTheValuesOfS) {
  SpectrumData* sd = useTheory(1, 1, kLevel);
  ASSERT_NE(sd, nullptr);
  capture.clear();
  // (0)^2: (MS - SM)(0, j) = S(0, j) for j != 0, beyond 1e-7 from j = 1 on (S(0, 0) =
  // 4.5e-7 is the smallest of the vacuum row). Ten failures are reported, the eleventh
  // ends the test.
  EXPECT_EQ(buildInvariant("(0)^2", 0), 0);
  const std::string text = capture.diagnostics;
  for (int j = 1; j <= 11; ++j) {
    const double expected = a1S(kLevel, 0, a1Label(sd, j));
    EXPECT_NEAR(reportedDeviation(text, 0, j), expected, 1e-14) << j;
  }
  EXPECT_TRUE(std::isnan(reportedDeviation(text, 0, 12)));
  EXPECT_NE(capture.printed.find("Not modular invariant\n"), std::string::npos);
  // The exchange of the labels k (field 1) and 1 (field 2): (MS - SM)(0, 1) =
  // S(0, 1) - S(0, 2) in fields.
  capture.clear();
  EXPECT_EQ(buildInvariant("<1,2>", 0), 0);
  EXPECT_NEAR(reportedDeviation(capture.diagnostics, 0, 1),
              a1S(kLevel, 0, kLevel) - a1S(kLevel, 0, 1), 1e-14);
  EXPECT_NEAR(reportedDeviation(capture.diagnostics, 0, 2),
              a1S(kLevel, 0, 1) - a1S(kLevel, 0, kLevel), 1e-14);
}

// The D-series invariant of SU(2) at a level k divisible by 4: |chi_a + chi_(k-a)|^2 for
// even a < k/2, and 2 |chi_(k/2)|^2, in field numbers.
std::string dSeriesText(const SpectrumData* sd, int k) {
  std::string text;
  for (int a = 0; a < k / 2; a += 2)
    text +=
        "+(" + std::to_string(a1Field(sd, a)) + "+" + std::to_string(a1Field(sd, k - a)) + ")^2";
  return text + "+2*(" + std::to_string(a1Field(sd, k / 2)) + ")^2";
}

TEST_F(InvariantTypedLargeTest, ATypedInvariantOfManyTermsIsAcceptedAndBuilt) {
  const int k = 400;
  SpectrumData* sd = useTheory(1, 1, k);
  ASSERT_NE(sd, nullptr);
  capture.clear();
  ASSERT_EQ(buildInvariant(dSeriesText(sd, k).c_str(), 1), 1)
      << capture.diagnostics.substr(0, 2000);
  const BulkInvariant* bi = *getCurrentBulk();
  for (int a = 0; a <= k; ++a) {
    for (int b : {a, k - a}) {
      const int expected = a % 2 != 0 ? 0 : a == k / 2 ? 2 : 1;
      EXPECT_EQ(bulkEntry(bi, a1Field(sd, a), a1Field(sd, b)), expected) << a << " " << b;
    }
  }
  EXPECT_EQ(bi->symmetric, 1);
  // The diagonal entries: 1 for each even a other than k/2 (k/2 of them), 2 for k/2.
  EXPECT_EQ(bi->ishibashi_count, k / 2 + 2);
  // One term more, pairing the vacuum with the label 1, breaks the commutation with S: in
  // row 0, (MS - SM)(0, j) gains S(label 1, j) (and loses S(0, 0) at the column of label 1).
  capture.clear();
  EXPECT_EQ(buildInvariant((dSeriesText(sd, k) + "+(" + std::to_string(a1Field(sd, 0)) + ")(" +
                            std::to_string(a1Field(sd, 1)) + ")")
                               .c_str(),
                           0),
            0);
  EXPECT_NE(
      capture.diagnostics.find("Invariance failure for " + std::to_string(a1Field(sd, 0)) + ","),
      std::string::npos);
  EXPECT_NE(capture.printed.find("Not modular invariant\n"), std::string::npos);
}

// The rows of two records agree.
void expectSameRecord(const BulkInvariant* a, const BulkInvariant* b) {
  ASSERT_EQ(a->n_rows, b->n_rows);
  for (int i = 0; i < a->n_rows; ++i) {
    for (int j = 0; j < a->n_rows; ++j)
      EXPECT_EQ(bulkEntry(a, i, j), bulkEntry(b, i, j)) << i << "," << j;
  }
  EXPECT_EQ(a->symmetric, b->symmetric);
  EXPECT_EQ(a->ishibashi_count, b->ishibashi_count);
  EXPECT_EQ(a->algebra_count, b->algebra_count);
}

TEST_F(InvariantTypedLargeTest, BothFormsOfAMatrixBuildTheSameRecordAndItsSymmetry) {
  useTheory(1, 1, 4);
  const int n = 5;
  // The three-cycle 1 -> 2 -> 3 -> 1 is not its transpose; the exchange of 1 and 2 is; so
  // is a sum of squares, and (1)(2) alone is not.
  const struct {
    const char* text;
    int symmetric;
  } cases[] = {
      {"<1,2,3>", 0}, {"<1,2>", 1}, {"+2*(0+4)(0+4)+(1+2)^2", 1}, {"+2*(0+4)(0+4)+(1)(2)", 0}};
  for (const auto& c : cases) {
    const SparseMassMatrix* sparse = buildMatrix(c.text);
    ASSERT_NE(sparse, nullptr) << c.text;
    std::vector<int> dense(static_cast<std::size_t>(n * n), 0);
    for (const auto& [at, m] : sparse->entries)
      dense[static_cast<std::size_t>(at.first * n + at.second)] = m;
    auto fromSparse = allocNewBulkInvariant(nullptr);
    auto fromDense = allocNewBulkInvariant(nullptr);
    ASSERT_TRUE(makeExceptionalBulkInvariant(*sparse, fromSparse.get(), 0, 0));
    ASSERT_TRUE(makeExceptionalBulkInvariant(dense.data(), fromDense.get(), 0, 0));
    expectSameRecord(fromSparse.get(), fromDense.get());
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j)
        EXPECT_EQ(bulkEntry(fromSparse.get(), i, j), dense[i * n + j]) << c.text;
    }
    EXPECT_EQ(fromSparse->symmetric, c.symmetric) << c.text;
  }
}

TEST_F(InvariantTypedLargeTest, PartnerListsThatWouldNotFitAreRefusedAndLeaveTheRecord) {
  useTheory(1, 1, 4);
  // Row 0 with entries 1 and 2^30 (gcd 1) lists 2^30 + 1 partners: held twice as ints,
  // 8,589,934,600 bytes.
  SparseMassMatrix M;
  M.n = 5;
  M.entries[{0, 0}] = 1;
  M.entries[{0, 1}] = 1 << 30;
  auto record = allocNewBulkInvariant(nullptr);
  BulkInvariant* bi = record.get();
  ASSERT_TRUE(makeExceptionalBulkInvariant(*buildMatrix("<1,2>"), bi, 0, 0));
  capture.clear();
  EXPECT_FALSE(makeExceptionalBulkInvariant(M, bi, 0, 0));
  EXPECT_TRUE(alerted(
      "The partner lists of the invariant would need 8590 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_EQ(bulkEntry(bi, 1, 2), 1);  // still the exchange
  EXPECT_EQ(bulkEntry(bi, 0, 0), 1);
  EXPECT_EQ(bulkEntry(bi, 0, 1), 0);
}

TEST_F(InvariantTypedLargeTest, ATextWhoseEntriesWouldNotFitIsRefused) {
  useTheory(1, 1, kLevel);
  // (0+...+6999)^2: 7000^2 entries of 48 bytes, 2352 Mb.
  std::string text = "(0";
  for (int a = 1; a < 7000; ++a) text += "+" + std::to_string(a);
  text += ")^2";
  capture.clear();
  EXPECT_EQ(buildMatrix(text.c_str()), nullptr);
  EXPECT_TRUE(alerted(
      "The entries of the typed invariant would need 2352 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_EQ(buildInvariant(text.c_str(), 1), 0);
  EXPECT_EQ((*getCurrentBulk())->diagonal, 1);
}

}  // namespace
