// Listings of fusion products: the text sent to a capture or file, the listing whose
// text would be dropped (as under "verify"), which still judges every coefficient, and
// the products read off the whole table.
#include <algorithm>
#include <string>
#include <vector>

#include "ModularTestSupport.h"
#include "runtime/Error.h"
#include "runtime/Terminal.h"

using namespace modular_test;

namespace {

class ModularListingTest : public ModularTestBase {
 protected:
  void TearDown() override { TerminalOutputOn(); }
};

int fieldWithLabels(const SpectrumData* sd, long long a, long long b) {
  for (int f = 0; f < *TotalPrimaries; ++f)
    if (labelsOf(sd, f)[0] == a && labelsOf(sd, f)[1] == b) return f;
  ADD_FAILURE() << "no field (" << a << "," << b << ")";
  return 0;
}

std::size_t occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

// "(i) x (j) = " and the terms of two coefficients 1, closed as every short product is.
std::string twoTerms(int i, int j, int k1, int k2) {
  const int lo = std::min(k1, k2), hi = std::max(k1, k2);
  return formatText("(%d) x (%d) =  (%d)  + (%d) \n\n", i, j, lo, hi);
}

}  // namespace

TEST_F(ModularListingTest, Su3Level3ProductsAsText) {
  // SU(3) level 3: 10 fields. 3 x 3* = 1 + 8 and 3 x 3 = 6 + 3*, both within level 3.
  SpectrumData* sd = useTheory(1, 2, 3);
  ASSERT_EQ(*TotalPrimaries, 10);
  const int f = fieldWithLabels(sd, 1, 0), fBar = fieldWithLabels(sd, 0, 1);
  const int adjoint = fieldWithLabels(sd, 1, 1), six = fieldWithLabels(sd, 2, 0);
  // Summed one by one, then read off the whole table: the same text.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {
      ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
    }
    OutputCapture capture;
    ASSERT_FALSE(printDiscarded());
    std::string text;
    EXPECT_EQ(compF(text, f, fBar, 0), twoTerms(f, fBar, 0, adjoint)) << pass;
    text.clear();
    EXPECT_EQ(compF(text, f, f, 0), twoTerms(f, f, six, fBar)) << pass;
    // The vacuum is the unit of fusion.
    for (int j = 0; j < 10; ++j) {
      text.clear();
      EXPECT_EQ(compF(text, 0, j, 0), formatText("(0) x (%d) =  (%d) \n\n", j, j));
    }
    // A product appended to earlier text starts where that text ends.
    text = "earlier\n";
    EXPECT_EQ(compF(text, f, fBar, 0), "earlier\n" + twoTerms(f, fBar, 0, adjoint));
    EXPECT_EQ(capture.diagnostics, "");
  }
}

TEST_F(ModularListingTest, ADroppedListingBuildsNoTextButJudgesEveryProduct) {
  // SU(3) level 3 with its whole table; one coefficient of the square of the fundamental
  // replaced by an undecided kept-aside record (the E8 level 20 sum).
  SpectrumData* sd = useTheory(1, 2, 3);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = *TotalPrimaries;
  const int f = fieldWithLabels(sd, 1, 0), six = fieldWithLabels(sd, 2, 0);
  int triple[3] = {f, f, MOD_fusionTableConjugate(six)};
  std::sort(triple, triple + 3);
  modularState().fusionTable.failures = {
      FusionTableFailure{triple[0], triple[1], triple[2], 9969264756.9999390, 0.0, 10.2649}};
  // The listed products (i <= j) holding that triple: N_ij^k with {i, j, k*} the triple,
  // i.e. every way of choosing which of its three labels is the conjugated one.
  std::size_t expected = 0;
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j)
      for (int k = 0; k < n; ++k) {
        int t[3] = {i, j, MOD_fusionTableConjugate(k)};
        std::sort(t, t + 3);
        if (std::equal(t, t + 3, triple)) ++expected;
      }
  ASSERT_GE(expected, 2u);  // f x f and f x 6* at least
  const std::string undecidedAlert = "cannot be determined in double precision";

  // Terminal off, no file, no capture: nothing is built, every undecided term alerts.
  TerminalOutputOff();
  {
    OutputCapture capture;
    ASSERT_TRUE(printDiscarded());
    std::size_t textBuilt = 0;
    for (int i = 0; i < n; ++i)
      for (int j = i; j < n; ++j) {
        std::string text;
        textBuilt += compF(text, i, j, 0).size();
      }
    EXPECT_EQ(textBuilt, 0u);
    EXPECT_EQ(capture.printed, "");
    EXPECT_EQ(occurrences(capture.all, undecidedAlert), expected);
  }
  // Printed: the same alerts, and each undecided term shows as "? x".
  TerminalOutputOn();
  {
    OutputCapture capture;
    ASSERT_FALSE(printDiscarded());
    std::string all;
    for (int i = 0; i < n; ++i)
      for (int j = i; j < n; ++j) compF(all, i, j, 0);
    EXPECT_EQ(occurrences(all, "? x ("), expected);
    EXPECT_EQ(occurrences(capture.all, undecidedAlert), expected);
    EXPECT_NE(all.find(formatText("(%d) x (%d) = ", f, f)), std::string::npos);
  }
}

TEST_F(ModularListingTest, ProductsReadOffTheTableFollowTheA1Rule) {
  // SU(2) level k: N_ij^l = 1 exactly when |i - j| <= l <= min(i + j, 2k - i - j) and
  // i + j + l is even. Level 20 holds every order of the three positions in the table.
  const int level = 20;
  SpectrumData* sd = useTheory(1, 1, level);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = level + 1;
  ASSERT_EQ(*TotalPrimaries, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      std::vector<int> row;
      fusionTableProduct(i, j, row);
      ASSERT_EQ(row.size(), static_cast<std::size_t>(n));
      const int a = a1Label(sd, i), b = a1Label(sd, j);
      for (int k = 0; k < n; ++k) {
        const int l = a1Label(sd, k);
        const bool allowed = std::abs(a - b) <= l && l <= std::min(a + b, 2 * level - a - b) &&
                             (a + b + l) % 2 == 0;
        EXPECT_EQ(row[static_cast<std::size_t>(k)], allowed ? 1 : 0) << a << " " << b << " " << l;
      }
    }
}

TEST_F(ModularListingTest, ProductsReadOffTheTableMatchItsSingleEntries) {
  // SU(3) level 6 (28 fields, three charge classes): every product row equals the
  // entries N_(i, j, k*) looked up one by one, and the vacuum's products are the unit.
  useTheory(1, 2, 6);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  const int n = *TotalPrimaries;
  ASSERT_EQ(n, 28);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      std::vector<int> row;
      fusionTableProduct(i, j, row);
      for (int k = 0; k < n; ++k) {
        EXPECT_EQ(row[static_cast<std::size_t>(k)],
                  MOD_fusionTableValue(i, j, MOD_fusionTableConjugate(k)))
            << i << " " << j << " " << k;
        if (i == 0) {
          EXPECT_EQ(row[static_cast<std::size_t>(k)], j == k ? 1 : 0);
        }
      }
    }
}

TEST_F(ModularListingTest, ADroppedListingStillReportsANegativeTableEntry) {
  // SU(3) level 3: the entry of 3 x 3 -> 6 in the stored table (one byte each at this
  // size) made -1, as a damaged table would hold it.
  SpectrumData* sd = useTheory(1, 2, 3);
  ASSERT_EQ(MOD_computeFusionTable(true, false, nullptr), 0);
  ASSERT_EQ(modularState().fusionTable.width, 1);
  const int f = fieldWithLabels(sd, 1, 0), six = fieldWithLabels(sd, 2, 0);
  const int sixBar = MOD_fusionTableConjugate(six);
  ASSERT_EQ(MOD_fusionTableValue(f, f, sixBar), 1);
  auto& values = modularState().fusionTable.values;
  bool placed = false;
  for (std::size_t x = 0; x < values.size() && !placed; ++x) {
    const unsigned char kept = values[x];
    values[x] = 0xff;
    placed = MOD_fusionTableValue(f, f, sixBar) == -1;
    if (!placed) values[x] = kept;
  }
  ASSERT_TRUE(placed);
  TerminalOutputOff();
  OutputCapture capture;
  ASSERT_TRUE(printDiscarded());
  std::string text;
  EXPECT_EQ(compF(text, f, f, 0), "");
  EXPECT_EQ(occurrences(capture.all, "Negative fusion coefficient"), 1u);
}
