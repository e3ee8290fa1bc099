// The automorphism search, the closed-form invariants of the c=1 orbifolds and the MIPF
// number in output file names.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Directories.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/OutputNames.h"

namespace {

using modular_test::a1Field;
using modular_test::useTheory;

class InvariantAutomorphismsTest : public ZoqTest {
 protected:
  void TearDown() override {
    setIntPar("Autostore", 0);
    ZoqTest::TearDown();
  }
};

// M commutes with S (module S, summed here) and pairs only fields whose exact weights
// differ by an integer.
void expectCommutesWithSAndT(const std::vector<int>& M, const std::string& what) {
  const int n = *TotalPrimaries;
  initSMATRIX();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      modular_test::Complex ms = 0.0, sm = 0.0;
      for (int k = 0; k < n; ++k) {
        ms += static_cast<double>(M[i * n + k]) * modular_test::elementS(k, j);
        sm += modular_test::elementS(i, k) * static_cast<double>(M[k * n + j]);
      }
      EXPECT_TRUE(modular_test::near(ms, sm)) << what << " S at " << i << "," << j;
      if (M[i * n + j] == 0) continue;
      const Rat hi = *ratWeight(i);
      const Rat hj = *ratWeight(j);
      // hi - hj = (hi.num hj.den - hj.num hi.den) / (hi.den hj.den) must be an integer.
      EXPECT_EQ((hi.num * hj.den - hj.num * hi.den) % (hi.den * hj.den), 0)
          << what << " T at " << i << "," << j;
    }
  }
}

std::vector<int> permutationMatrix(const std::vector<int>& pi) {
  const std::size_t n = pi.size();
  std::vector<int> M(n * n, 0);
  for (std::size_t i = 0; i < n; ++i) M[i * n + static_cast<std::size_t>(pi[i])] = 1;
  return M;
}

std::vector<int> storedMatrix(const BulkInvariant* bi) {
  const int n = bi->n_rows;
  std::vector<int> M(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) M[static_cast<std::size_t>(i) * n + j] = bulkEntry(bi, i, j);
  }
  return M;
}

TEST_F(InvariantAutomorphismsTest, A1AtLevelSixHasTheDSeriesPermutation) {
  // k = 6, k/2 odd: the D invariant exchanges l and 6 - l for odd l and fixes the rest.
  SpectrumData* sd = useTheory(1, 1, 6);
  setIntPar("Autostore", 1);
  resetInvariantStore();
  EXPECT_EQ(searchAutomorphisms(), 1);
  ASSERT_EQ(storedInvariantCount(), 1);
  const BulkInvariant* bi = findNamedBulkInvariant("Invariant_0");
  ASSERT_NE(bi, nullptr);
  for (int l = 0; l <= 6; ++l) {
    const int image = l % 2 == 1 ? 6 - l : l;
    EXPECT_EQ(bulkEntry(bi, a1Field(sd, l), a1Field(sd, image)), 1) << l;
  }
  expectCommutesWithSAndT(storedMatrix(bi), "A1 level 6");
}

TEST_F(InvariantAutomorphismsTest, FoundPermutationsCommuteWithSAndT) {
  // SU(3) level 1: charge conjugation only. A1 at levels 4 and 8 (k/2 even) and Ising-like
  // level 2: none. A1 at level 10 (k/2 odd): the D permutation.
  const struct {
    int type, rank, level, expected;
  } cases[] = {{1, 2, 1, 1}, {1, 1, 2, 0}, {1, 1, 4, 0}, {1, 1, 8, 0}, {1, 1, 10, 1}, {1, 2, 2, 1}};
  for (const auto& c : cases) {
    useTheory(c.type, c.rank, c.level);
    setIntPar("Autostore", 1);
    resetInvariantStore();
    EXPECT_EQ(searchAutomorphisms(), c.expected) << c.type << " " << c.rank << " " << c.level;
    for (int k = 0; k < storedInvariantCount(); ++k) {
      const BulkInvariant* bi = findNamedBulkInvariant(("Invariant_" + std::to_string(k)).c_str());
      ASSERT_NE(bi, nullptr);
      expectCommutesWithSAndT(storedMatrix(bi), "automorphism of " + std::to_string(c.level));
    }
  }
}

TEST_F(InvariantAutomorphismsTest, TwoFactorsSO8AtLevelOneHaveSeventyOneAutomorphisms) {
  // SO(8) level 1 squared: 16 simple currents, the group (Z2)^4 with the hyperbolic
  // quadratic form h mod 1; a permutation commutes with S and T exactly when it is an
  // isometry of that form, and O+(4,2) has 2 * 2^2 * (2^2 - 1)^2 = 72 of them, the
  // identity among them. Two classes of spin (weight 1/2 and integer) are searched together.
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 4 1"), 0);
  ASSERT_EQ(run("g d 4 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  ASSERT_EQ(*TotalPrimaries, 16);
  setIntPar("Autostore", 1);
  resetInvariantStore();
  capture.clear();
  EXPECT_EQ(searchAutomorphisms(), 71);
  // Two classes of 6 and 9 fields: 6! + 4 and 9! + 4.
  EXPECT_EQ(capture.stdoutText, "allocated: 724\nallocated: 362884\n");
  ASSERT_EQ(storedInvariantCount(), 71);  // all different
  for (int k = 0; k < storedInvariantCount(); ++k) {
    const BulkInvariant* bi = findNamedBulkInvariant(("Invariant_" + std::to_string(k)).c_str());
    ASSERT_NE(bi, nullptr);
    expectCommutesWithSAndT(storedMatrix(bi), "SO(8)^2 automorphism " + std::to_string(k));
  }
}

TEST_F(InvariantAutomorphismsTest, OrbifoldMessagesFollowTheDivisorsOfN) {
  struct Case {
    int n;
    const char* printed;
    const char* standardOutput;
  };
  const Case cases[] = {
      {6, "Building twist automorphism\nBuilding automorphism for R^2=alpha' 2/3\n", ""},
      {8, "Building twist automorphism\n", "Building extension for R^2=alpha' 8/2^2\n"},
      {7, "", ""},
      {18, "Building twist automorphism\nBuilding automorphism for R^2=alpha' 2/9\n",
       "Building extension for R^2=alpha' 18/3^2\n"},
  };
  for (const Case& c : cases) {
    useTheory(7, c.n, 0);
    ASSERT_EQ(*TotalPrimaries, c.n + 7);
    capture.clear();
    searchInvariants();
    std::string messages;
    for (std::size_t p = 0; p < capture.printed.size();) {
      const std::size_t end = capture.printed.find('\n', p);
      const std::string line = capture.printed.substr(p, end - p + 1);
      if (line.rfind("Building", 0) == 0) messages += line;
      p = end + 1;
    }
    EXPECT_EQ(messages, c.printed) << c.n;
    EXPECT_EQ(capture.stdoutText.find("Building") == std::string::npos ? std::string()
                                                                       : capture.stdoutText,
              c.standardOutput)
        << c.n;
  }
  // Other theories: nothing.
  useTheory(1, 1, 4);
  capture.clear();
  EXPECT_EQ(searchInvariants(), 0);
  EXPECT_EQ(capture.all, "");
}

TEST_F(InvariantAutomorphismsTest, OrbifoldInvariantsCommuteWithSAndT) {
  for (int n : {6, 8, 12, 18, 2, 3, 4, 5, 7, 9, 10, 15, 16, 20, 24, 27, 30, 36}) {
    useTheory(7, n, 0);
    const int N = *TotalPrimaries;
    // The twist exchange for even n.
    std::vector<int> pi(static_cast<std::size_t>(N));
    if (n % 2 == 0) {
      std::iota(pi.begin(), pi.end(), 0);
      std::swap(pi[1], pi[3]);
      std::swap(pi[n + 3], pi[n + 5]);
      std::swap(pi[n + 4], pi[n + 6]);
      expectCommutesWithSAndT(permutationMatrix(pi), "twist " + std::to_string(n));
    }
    for (int p = 2; p < std::max(n / 2, 3); ++p) {
      const int q = n / p;
      if (p * q != n || std::gcd(p, q) != 1 || p >= q) continue;
      for (int i = 0; i < N; ++i) pi[i] = getOrbifoldExceptionalAutomorphism(i, p, q);
      std::vector<int> seen(static_cast<std::size_t>(N), 0);
      for (int i = 0; i < N; ++i) ++seen[pi[i]];
      for (int i = 0; i < N; ++i) EXPECT_EQ(seen[i], 1) << n << " " << p << "/" << q;
      expectCommutesWithSAndT(permutationMatrix(pi),
                              "automorphism " + std::to_string(p) + "/" + std::to_string(q));
    }
    for (int m = 2; m < std::max(n / 2, 3); ++m) {
      if (m * m * ((n / m) / m) != n) continue;
      std::vector<int> M(static_cast<std::size_t>(N) * N, 0);
      getOrbifoldExceptionalExtension(M.data(), m);
      EXPECT_EQ(M[0], 1);
      expectCommutesWithSAndT(M, "extension " + std::to_string(n) + "/" + std::to_string(m) + "^2");
      if (m == 2) {
        EXPECT_EQ(M[(n + 3) * N + n + 3], 2);
        EXPECT_EQ(M[(n + 4) * N + n + 4], 2);
      }
    }
  }
}

TEST_F(InvariantAutomorphismsTest, OrbifoldChargesAndFieldsByCharge) {
  useTheory(7, 6, 0);
  EXPECT_EQ(orbifoldCharge(0), 0);
  EXPECT_EQ(orbifoldCharge(2), 0);
  EXPECT_EQ(orbifoldCharge(1), 6);
  EXPECT_EQ(orbifoldCharge(3), 6);
  EXPECT_EQ(orbifoldCharge(9), 0);  // twisted
  // The charged fields 4 .. 8 carry the charges 1 .. 5, each once, with h = c^2/24.
  std::vector<int> found(6, 0);
  for (int i = 4; i <= 8; ++i) {
    const int c = orbifoldCharge(i);
    ASSERT_GE(c, 1);
    ASSERT_LE(c, 5);
    ++found[c];
    EXPECT_EQ(getOrbifoldFieldWithCharge(c), i);
    const Rat h = *ratWeight(i);
    EXPECT_EQ(h.num * 24, static_cast<long long>(c) * c * h.den);
  }
  capture.clear();
  EXPECT_EQ(getOrbifoldFieldWithCharge(6), 0);
  EXPECT_TRUE(alerted("Orbifold field not found or ambiguous"));
  // R^2 = 2/3: charge 1 goes to 5 ((1 + 5) divisible by 6, (1 - 5) by 4); 2, 3, 4 stay.
  EXPECT_EQ(orbifoldCharge(getOrbifoldExceptionalAutomorphism(getOrbifoldFieldWithCharge(1), 2, 3)),
            5);
  EXPECT_EQ(getOrbifoldExceptionalAutomorphism(getOrbifoldFieldWithCharge(3), 2, 3),
            getOrbifoldFieldWithCharge(3));
}

TEST_F(InvariantAutomorphismsTest, MIPFNumberEndsTheOutputFileName) {
  EXPECT_EQ(MIPFNameComponent(7, 0), "_007");
  EXPECT_EQ(MIPFNameComponent(123, 999), "_123");
  EXPECT_EQ(MIPFNameComponent(123, 1000), "_0123");
  EXPECT_EQ(MIPFNameComponent(1234, 1000), "_1234");
  EXPECT_EQ(MIPFNameComponent(-1, 1000), "");
  ASSERT_EQ(run("algebra a 1 4"), 0);
  const std::string plain = getCurrentOutputFileName(".x");
  // The standard-model search is supersymmetric until a command says otherwise.
  EXPECT_EQ(plain.substr(plain.size() - 11), "/SusyMIPF.x");
  BulkInvariant* current = *getCurrentBulk();
  EXPECT_EQ(MIPFIdentifier(current), -1);
  current->MD->mipf_number = 7;
  const std::string numbered = getCurrentOutputFileName(".x");
  EXPECT_EQ(numbered, plain.substr(0, plain.size() - 2) + "_007.x");
  // With 1000 invariants stored the number takes four digits.
  resetInvariantStore();
  std::vector<int> M(25, 0);
  auto record = allocNewBulkInvariant(nullptr);
  for (int k = 1; k <= 1000; ++k) {
    for (int i = 0; i < 5; ++i) M[i * 5 + i] = i == 4 ? k : 1;
    makeExceptionalBulkInvariant(M.data(), record.get(), 0, 0);
    ASSERT_NE(storeBulkInvariant(nullptr, record.get(), 1, 0), nullptr);
  }
  ASSERT_EQ(storedInvariantCount(), 1000);
  current = *getCurrentBulk();
  current->MD->mipf_number = 123;
  EXPECT_EQ(getCurrentOutputFileName(".x"), plain.substr(0, plain.size() - 2) + "_0123.x");
}

}  // namespace
