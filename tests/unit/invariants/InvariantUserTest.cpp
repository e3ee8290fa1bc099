// Typed invariants (the sum-of-terms and cycle forms, their syntax errors), the acceptance
// step with its S and T test, the two result conventions of buildInvariant, and selecting
// by name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "commands/Commands.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"

namespace {

using modular_test::a1Field;
using modular_test::a1Label;
using modular_test::useTheory;

class InvariantUserTest : public ZoqTest {};

// The typed matrix of the text as N x N ints, row-major; empty when it is refused.
std::vector<int> matrixOf(const char* text) {
  const SparseMassMatrix* M = buildMatrix(text);
  if (M == nullptr) return {};
  const int n = *TotalPrimaries;
  EXPECT_EQ(M->n, n);
  std::vector<int> dense(static_cast<std::size_t>(n) * n, 0);
  for (const auto& [at, m] : M->entries) {
    EXPECT_NE(m, 0) << "no zero entry is held";
    dense[static_cast<std::size_t>(at.first) * n + at.second] = m;
  }
  return dense;
}

// Z commutes with S (closed form of A1 at level k) and pairs only equal weights mod 1.
void expectA1Invariant(const SpectrumData* sd, int k, const BulkInvariant* bi) {
  const int n = sd->n_primaries;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double zs = 0.0, sz = 0.0;
      for (int m = 0; m < n; ++m) {
        zs += bulkEntry(bi, i, m) * modular_test::a1S(k, a1Label(sd, m), a1Label(sd, j));
        sz += modular_test::a1S(k, a1Label(sd, i), a1Label(sd, m)) * bulkEntry(bi, m, j);
      }
      EXPECT_NEAR(zs, sz, 1e-7) << "k=" << k << " " << i << "," << j;
      if (bulkEntry(bi, i, j) != 0) {
        const double dh =
            modular_test::a1Weight(k, a1Label(sd, i)) - modular_test::a1Weight(k, a1Label(sd, j));
        EXPECT_NEAR(dh, std::round(dh), 1e-7) << "k=" << k << " " << i << "," << j;
      }
    }
  }
}

TEST_F(InvariantUserTest, TermsAddTheirMultiplicitiesToEveryPairing) {
  useTheory(1, 1, 4);
  std::vector<int> M = matrixOf("+2*(0+1)(0+1)");
  ASSERT_EQ(M.size(), 25u);
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) EXPECT_EQ(M[a * 5 + b], a < 2 && b < 2 ? 2 : 0) << a << "," << b;
  }
  M = matrixOf("(0)(1)+(0)(1)");
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) EXPECT_EQ(M[a * 5 + b], a == 0 && b == 1 ? 2 : 0) << a << "," << b;
  }
  // Inner multiplicities, the "*" before the antiholomorphic list and "^2" together:
  // 3*(0+2*1)*(4) + (2)^2 gives (0,4) = 3, (1,4) = 6, (2,2) = 1.
  M = matrixOf("+3*(0+2*1)*(4)+(2)^2");
  EXPECT_EQ(M[0 * 5 + 4], 3);
  EXPECT_EQ(M[1 * 5 + 4], 6);
  EXPECT_EQ(M[2 * 5 + 2], 1);
  int sum = 0;
  for (int v : M) sum += v;
  EXPECT_EQ(sum, 10);
}

TEST_F(InvariantUserTest, CyclesBuildPermutationMatrices) {
  useTheory(1, 1, 4);
  std::vector<int> M = matrixOf("<1,2>");
  ASSERT_EQ(M.size(), 25u);
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) {
      const int expected =
          (a == 1 && b == 2) || (a == 2 && b == 1) || (a == b && a != 1 && a != 2) ? 1 : 0;
      EXPECT_EQ(M[a * 5 + b], expected) << a << "," << b;
    }
  }
  // Two cycles written one after the other: 0 -> 0, 1 -> 3 -> 4 -> 1, 2 fixed.
  M = matrixOf("<1,3,4><2,2>");
  EXPECT_EQ(M[1 * 5 + 3], 1);
  EXPECT_EQ(M[3 * 5 + 4], 1);
  EXPECT_EQ(M[4 * 5 + 1], 1);
  EXPECT_EQ(M[1 * 5 + 1], 0);
  EXPECT_EQ(M[0], 1);
}

TEST_F(InvariantUserTest, SyntaxErrorsAreRefusedWithTheirMessages) {
  useTheory(1, 1, 4);
  capture.clear();
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"(0+1)", "Missing anti-holomorphic factor"},
      {"(0)^3", "Missing anti-holomorphic factor"},
      {"(a)(0)", "Invalid character \"a\" in input string"},
      {"(0)^2(1)^2", "Syntax error: unexpected ("},
      {"x(0)^2", "Non-numerical multiplicity factor: x..."},
      {"+2(0)^2", "Syntax error: (0..."},
      {"+2*0)^2", "Syntax error: 0)..."},
      {"(0)(1", "Syntax error"},
      {"(7)^2", "Label 7 out of range"},
      {"(0)(1)+(9)(0)", "Label 9 out of range"},
      {"<1>", "Non-numerical label: >..."},
      {"<1,x>", "Non-numerical label: x>..."},
      {"<1,9>", "Label: 9 out of range"},
      {"<1,2>x", "Syntax error: x..."},
      {"<1;2>", "Syntax error: ;2..."},
      {"+99999999999*(0)^2", "Multiplicity too large"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(buildMatrix(c.text), nullptr) << c.text;
    EXPECT_TRUE(alerted(c.message)) << c.text;
  }
  // A text that ends inside a cycle has a "<" without its ">": refused as an unclosed
  // bracket of a sum is, with the same kind of alert.
  for (const char* text : {"<1,2", "<1", "<1,", "<", "<1,2><3", "<1,2><"}) {
    capture.clear();
    EXPECT_EQ(buildMatrix(text), nullptr) << text;
    EXPECT_TRUE(alerted("Bracket mismatch: \"<\" without \">\"")) << text;
  }
}

TEST_F(InvariantUserTest, InvarianceNeedsSAndT) {
  // A1 level 2 has the Ising S matrix: pairing the vacuum with the weight-1/2 field commutes
  // with S ((S00 + S01) = (S10 + S11) = 1, S20 + S21 = 0) but not with T.
  SpectrumData* sd = useTheory(1, 1, 2);
  const int vacuum = a1Field(sd, 0), psi = a1Field(sd, 2), sigma = a1Field(sd, 1);
  initSMATRIX();
  std::vector<int> M(9, 0);
  for (int a : {vacuum, psi}) {
    for (int b : {vacuum, psi}) M[a * 3 + b] = 1;
  }
  capture.clear();
  EXPECT_EQ(checkInvariant(M.data(), 10), 0);
  EXPECT_TRUE(alerted("T-invariance failure"));
  // The diagonal and every permutation commuting with S and T pass; the exchange of the
  // vacuum and the weight-1/2 field does not commute with S.
  std::vector<int> D(9, 0);
  for (int a = 0; a < 3; ++a) D[a * 3 + a] = 1;
  EXPECT_EQ(checkInvariant(D.data(), 10), 1);
  std::vector<int> P(9, 0);
  P[vacuum * 3 + psi] = P[psi * 3 + vacuum] = P[sigma * 3 + sigma] = 1;
  capture.clear();
  EXPECT_EQ(checkInvariant(P.data(), 10), 0);
  EXPECT_TRUE(alerted("Invariance failure for"));
}

TEST_F(InvariantUserTest, FailuresStopAfterTheLimit) {
  // A1 level 4, every entry 1: far from invariant. With a limit of 2 the check alerts three
  // times and ends without the summary.
  useTheory(1, 1, 4);
  initSMATRIX();
  std::vector<int> M(25, 1);
  capture.clear();
  EXPECT_EQ(checkInvariant(M.data(), 2), 0);
  std::size_t count = 0;
  for (std::size_t p = capture.diagnostics.find("nvariance failure"); p != std::string::npos;
       p = capture.diagnostics.find("nvariance failure", p + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(capture.diagnostics.find("Number of failures"), std::string::npos);
}

TEST_F(InvariantUserTest, BuildInvariantKeepsItsTwoResultConventions) {
  SpectrumData* sd = useTheory(1, 1, 2);
  (void)sd;
  capture.clear();
  // Typed: 1 accepted, 0 refused.
  EXPECT_EQ(buildInvariant("(0)^2+(1)^2+(2)^2", 0), 1);
  EXPECT_NE(capture.printed.find("Modular invariance OK\n"), std::string::npos);
  capture.clear();
  EXPECT_EQ(buildInvariant("(0+1)^2", 0), 0);
  EXPECT_NE(capture.printed.find("Not modular invariant\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Modular invariance OK"), std::string::npos);
  capture.clear();
  EXPECT_EQ(buildInvariant("+0*(0)(0)", 0), 0);
  EXPECT_TRUE(alerted("Invariant is zero"));
  EXPECT_EQ(buildInvariant("", 0), 0);
  EXPECT_TRUE(alerted("Invariant is zero"));
  // Blanks and line feeds are removed before parsing.
  EXPECT_EQ(buildInvariant(" (0)^2 +\n(1)^2 + (2)^2 ", 0), 1);
  // Named: 0 found, 1 not found. A first term with a multiplicity needs its "+".
  EXPECT_EQ(buildInvariant("Nothing_stored", 0), 1);
  EXPECT_TRUE(alerted("Invariant Nothing_stored not found"));
  EXPECT_TRUE(invariantTextIsLookup("2*(0)(0)"));
  EXPECT_FALSE(invariantTextIsLookup("+2*(0)(0)"));
}

TEST_F(InvariantUserTest, AcceptedTypedInvariantBecomesCurrentRefusedOneChangesNothing) {
  SpectrumData* sd = useTheory(1, 1, 4);
  const int l0 = a1Field(sd, 0), l2 = a1Field(sd, 2), l4 = a1Field(sd, 4);
  // The D-type invariant |chi_0 + chi_4|^2 + 2 |chi_2|^2.
  const std::string text =
      "(" + std::to_string(l0) + "+" + std::to_string(l4) + ")^2+2*(" + std::to_string(l2) + ")^2";
  BulkInvariant* before = *getCurrentBulk();
  EXPECT_EQ(buildInvariant(("+" + text).c_str(), 1), 1);
  BulkInvariant* current = *getCurrentBulk();
  EXPECT_EQ(bulkEntry(current, l0, l4), 1);
  EXPECT_EQ(bulkEntry(current, l2, l2), 2);
  EXPECT_EQ(bulkEntry(current, a1Field(sd, 1), a1Field(sd, 1)), 0);
  EXPECT_EQ(current->simple_current, 0);
  expectA1Invariant(sd, 4, current);
  (void)before;
  // A refused one leaves the current invariant alone.
  const int counter = QueryBulkInvariant();
  EXPECT_EQ(buildInvariant("(0+1)^2", 1), 0);
  EXPECT_TRUE(alerted("Not modular invariant"));
  EXPECT_EQ(QueryBulkInvariant(), counter);
  EXPECT_EQ(bulkEntry(*getCurrentBulk(), l2, l2), 2);
}

TEST_F(InvariantUserTest, AutostoreStoresAcceptedInvariantsOnce) {
  SpectrumData* sd = useTheory(1, 1, 4);
  setIntPar("Autostore", 1);
  resetInvariantStore();
  const std::string text = "+(" + std::to_string(a1Field(sd, 0)) + "+" +
                           std::to_string(a1Field(sd, 4)) + ")^2+2*(" +
                           std::to_string(a1Field(sd, 2)) + ")^2";
  EXPECT_EQ(buildInvariant(text.c_str(), 0), 1);
  EXPECT_EQ(storedInvariantCount(), 1);
  EXPECT_EQ(buildInvariant(text.c_str(), 0), 1);
  EXPECT_EQ(storedInvariantCount(), 1);
  // Found by its name and made current.
  EXPECT_EQ(buildInvariant("Invariant_0", 1), 0);
  EXPECT_EQ(bulkEntry(*getCurrentBulk(), a1Field(sd, 2), a1Field(sd, 2)), 2);
  setIntPar("Autostore", 0);
}

TEST_F(InvariantUserTest, SelectingAnUnknownNameFallsBackToTheDiagonalInvariant) {
  SpectrumData* sd = useTheory(1, 1, 4);
  const std::string text = "+(" + std::to_string(a1Field(sd, 0)) + "+" +
                           std::to_string(a1Field(sd, 4)) + ")^2+2*(" +
                           std::to_string(a1Field(sd, 2)) + ")^2";
  EXPECT_EQ(select_invariant(text.c_str()), 0);
  EXPECT_EQ((*getCurrentBulk())->diagonal, 0);
  capture.clear();
  EXPECT_EQ(select_invariant("Unknown"), 1);
  EXPECT_NE(capture.printed.find(
                "No invariant that satisfies all criteria was found\nResetting to trivial one\n"),
            std::string::npos);
  EXPECT_EQ((*getCurrentBulk())->diagonal, 1);
}

TEST_F(InvariantUserTest, CommandsSucceedExactlyWhenAccepted) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  EXPECT_EQ(run("check invariant (0)^2+(1)^2+(2)^2"), 0);
  EXPECT_NE(run("check invariant (0+1)^2"), 0);
  EXPECT_NE(run("check invariant (0+1)"), 0);
  EXPECT_NE(run("check invariant <1>"), 0);
  EXPECT_NE(run("select invariant Unknown"), 0);
  EXPECT_EQ(run("select invariant (0)^2+(1)^2+(2)^2"), 0);
}

TEST_F(InvariantUserTest, MIPFRunRestoresAutostoreAndTheCurrentInvariant) {
  SpectrumData* sd = useTheory(1, 1, 4);
  const std::string text = "+(" + std::to_string(a1Field(sd, 0)) + "+" +
                           std::to_string(a1Field(sd, 4)) + ")^2+2*(" +
                           std::to_string(a1Field(sd, 2)) + ")^2";
  ASSERT_EQ(buildInvariant(text.c_str(), 1), 1);
  capture.clear();
  // Autostore off before: the run collects with Autostore on, then empties the store.
  buildMultipleSimpleCurrentInvariants(nullptr, 1);
  EXPECT_NE(capture.printed.find("Collecting MIPFs; Invariants storage was reset\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("Invariants storage was reset\n"), std::string::npos);
  EXPECT_EQ(*getIntParPointer("Autostore"), 0);
  EXPECT_EQ(bulkEntry(*getCurrentBulk(), a1Field(sd, 2), a1Field(sd, 2)), 2);
  // Mode 2 leaves Autostore and the store alone.
  setIntPar("Autostore", 1);
  capture.clear();
  const int list[] = {3, -1};
  buildMultipleSimpleCurrentInvariants(list, 2);
  EXPECT_EQ(capture.printed.find("storage was reset"), std::string::npos);
  EXPECT_EQ(*getIntParPointer("Autostore"), 1);
  EXPECT_EQ(bulkEntry(*getCurrentBulk(), a1Field(sd, 2), a1Field(sd, 2)), 2);
  setIntPar("Autostore", 0);
}

TEST_F(InvariantUserTest, MIPFSelectionCopiesItsList) {
  int list[] = {4, 2, -1};
  setMIPFSelection(list);
  list[0] = 9;
  EXPECT_EQ(getMIPFSelection(), (std::vector<int>{4, 2, -1}));
  setMIPFSelection(nullptr);
  EXPECT_EQ(getMIPFSelection().front(), -2);
}

}  // namespace
