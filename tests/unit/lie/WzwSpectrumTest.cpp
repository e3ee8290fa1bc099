// The WZW primary spectrum: numbers of primaries, central charges and conformal weights
// against their closed forms, the orbit structure that the store relies on, monodromy
// charges, conjugation, look-up, fixed-point currents and their orbit Lie algebras, and
// refusal of bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "lie/LieAlgebra.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

AllocationAccount testAccount("Algebra test");

class WzwSpectrum : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }

  // The spectrum of (type, rank, level); fails the test when the builder refuses it.
  SpectrumResult build(AlgebraType type, int rank, int level) {
    SpectrumResult result = spectrum_(type, rank, level, &testAccount);
    EXPECT_EQ(result.status, 0) << algebraname(type, rank, level);
    return result;
  }
};

// Conformal weight of a field, reduced.
Rat weightOf(const SpectrumResult& s, int field) {
  Rat h{s.weightNumerators()[field], s.denominator};
  simplifyRat(&h);
  return h;
}

bool weightIs(const SpectrumResult& s, int field, long long num, long long den) {
  Rat h = weightOf(s, field);
  Rat want{num, den};
  simplifyRat(&want);
  return h.num == want.num && h.den == want.den;
}

// The multiset of weights as sorted reduced fractions "num/den".
std::vector<std::string> weightList(const SpectrumResult& s) {
  std::vector<std::pair<double, std::string>> list;
  for (int f = 0; f < s.n; ++f) {
    Rat h = weightOf(s, f);
    list.push_back({static_cast<double>(h.num) / h.den, ratString(&h)});
  }
  std::sort(list.begin(), list.end());
  std::vector<std::string> text;
  for (auto& entry : list) text.push_back(entry.second);
  return text;
}

std::int64_t binomial64(int n, int k) {
  std::int64_t value = 1;
  for (int i = 1; i <= k; ++i) value = value * (n - k + i) / i;
  return value;
}

// Weight numerator difference modulo D, in [0, D).
std::int64_t modD(std::int64_t value, std::int64_t d) { return ((value % d) + d) % d; }

// The fields of each orbit, in field order.
std::map<int, std::vector<int>> orbitsOf(const SpectrumResult& s) {
  std::map<int, std::vector<int>> orbits;
  for (int f = 0; f < s.n; ++f) orbits[s.orbitNumber()[f]].push_back(f);
  return orbits;
}

// ---------------------------------------------------------------------------------------
// Counts, central charges and weights

TEST_F(WzwSpectrum, SU2AtEveryLevelUpToTwenty) {
  for (int k = 1; k <= 20; ++k) {
    SpectrumResult s = build(kTypeA, 1, k);
    ASSERT_EQ(s.n, k + 1);
    EXPECT_NEAR(s.c, 3.0 * k / (k + 2), 1e-12);
    EXPECT_EQ(s.denominator, 4 * (k + 2));
    std::set<int> labels;
    for (int f = 0; f < s.n; ++f) {
      int j = s.label(f)[0];
      labels.insert(j);
      EXPECT_EQ(s.label(f)[1], k - j);  // affine label
      EXPECT_TRUE(weightIs(s, f, static_cast<long long>(j) * (j + 2), 4LL * (k + 2))) << "k=" << k << " j=" << j;
    }
    EXPECT_EQ(static_cast<int>(labels.size()), k + 1);
    // Orbits are the pairs (j, k - j) and, for even k, the fixed point j = k/2.
    EXPECT_EQ(s.orbits, k / 2 + 1);
    for (int f = 0; f < s.n; ++f) {
      bool fixed = 2 * s.label(f)[0] == k;
      EXPECT_EQ(s.stabilizers()[f], fixed ? 1 : 0);
    }
  }
}

TEST_F(WzwSpectrum, SU2AtLevelTwoIsNumberedLikeIsing) {
  SpectrumResult s = build(kTypeA, 1, 2);
  ASSERT_EQ(s.n, 3);
  EXPECT_EQ(s.label(0)[0], 0);
  EXPECT_EQ(s.label(1)[0], 2);
  EXPECT_EQ(s.label(2)[0], 1);
  EXPECT_EQ(std::vector<int>(s.orbitNumber(), s.orbitNumber() + 3), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(std::vector<int>(s.orbitBase(), s.orbitBase() + 3), (std::vector<int>{0, 0, 2}));
  EXPECT_EQ(std::vector<int>(s.orbitPosition(), s.orbitPosition() + 3), (std::vector<int>{0, 1, 0}));
}

TEST_F(WzwSpectrum, IsingModelFromItsTable) {
  SpectrumResult s = build(kTypeB, 0, 1);
  ASSERT_EQ(s.n, 3);
  EXPECT_EQ(s.orbits, 2);
  EXPECT_DOUBLE_EQ(s.c, 0.5);
  EXPECT_TRUE(weightIs(s, 0, 0, 1));
  EXPECT_TRUE(weightIs(s, 1, 1, 2));
  EXPECT_TRUE(weightIs(s, 2, 1, 16));
  EXPECT_EQ(std::vector<int>(s.centerOrders.begin(), s.centerOrders.end()), (std::vector<int>{2}));
  EXPECT_EQ(s.charges()[2], 1);
}

TEST_F(WzwSpectrum, TrivialTheory) {
  SpectrumResult s = build(kTypeA, 0, 0);
  EXPECT_EQ(s.n, 1);
  EXPECT_EQ(s.generators, 0);
  EXPECT_EQ(s.c, 0.0);
  EXPECT_EQ(s.weightNumerators()[0], 0);
}

TEST_F(WzwSpectrum, SU3AtLevelsOneAndTwo) {
  SpectrumResult s = build(kTypeA, 2, 1);
  ASSERT_EQ(s.n, 3);
  EXPECT_NEAR(s.c, 2.0, 1e-12);
  EXPECT_EQ(weightList(s), (std::vector<std::string>{"0", "1/3", "1/3"}));
  SpectrumResult t = build(kTypeA, 2, 2);
  ASSERT_EQ(t.n, 6);
  EXPECT_NEAR(t.c, 16.0 / 5.0, 1e-12);
  // h = C/(k+3): 0, 4/3 / 5 (3 and 3bar), 3/5 (8), 10/3 / 5 (6 and 6bar).
  EXPECT_EQ(weightList(t), (std::vector<std::string>{"0", "4/15", "4/15", "3/5", "2/3", "2/3"}));
}

TEST_F(WzwSpectrum, D4AtLevelsOneAndTwo) {
  SpectrumResult s = build(kTypeD, 4, 1);
  ASSERT_EQ(s.n, 4);
  EXPECT_EQ(s.orbits, 1);
  EXPECT_EQ(s.generators, 2);
  EXPECT_NEAR(s.c, 4.0, 1e-12);
  EXPECT_EQ(weightList(s), (std::vector<std::string>{"0", "1/2", "1/2", "1/2"}));  // triality
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(s.orbitPosition()[f], f);
    EXPECT_EQ(s.stabilizers()[2 * f], 0);
    EXPECT_EQ(s.stabilizers()[2 * f + 1], 0);
  }
  EXPECT_EQ(std::vector<int>(s.centerOrders.begin(), s.centerOrders.end()), (std::vector<int>{2, 2}));
  SpectrumResult t = build(kTypeD, 4, 2);
  EXPECT_EQ(t.n, 11);
  EXPECT_NEAR(t.c, 7.0, 1e-12);  // 28 x 2 / 8
}

TEST_F(WzwSpectrum, ExceptionalAlgebrasAtLevelOne) {
  SpectrumResult g2 = build(kTypeExceptional, 2, 1);
  EXPECT_NEAR(g2.c, 14.0 / 5.0, 1e-12);
  EXPECT_EQ(weightList(g2), (std::vector<std::string>{"0", "2/5"}));
  SpectrumResult f4 = build(kTypeExceptional, 4, 1);
  EXPECT_NEAR(f4.c, 26.0 / 5.0, 1e-12);
  EXPECT_EQ(weightList(f4), (std::vector<std::string>{"0", "3/5"}));
  SpectrumResult e6 = build(kTypeExceptional, 6, 1);
  EXPECT_EQ(e6.n, 3);
  EXPECT_NEAR(e6.c, 6.0, 1e-12);
  EXPECT_EQ(weightList(e6), (std::vector<std::string>{"0", "2/3", "2/3"}));
  EXPECT_EQ(e6.orbits, 1);
  SpectrumResult e7 = build(kTypeExceptional, 7, 1);
  EXPECT_NEAR(e7.c, 7.0, 1e-12);
  EXPECT_EQ(weightList(e7), (std::vector<std::string>{"0", "3/4"}));
  SpectrumResult e8 = build(kTypeExceptional, 8, 1);
  EXPECT_EQ(e8.n, 1);
  EXPECT_NEAR(e8.c, 8.0, 1e-12);
  EXPECT_TRUE(e8.centerOrders.empty());
  EXPECT_EQ(e8.generators, 0);
}

TEST_F(WzwSpectrum, E8AtLevelTwo) {
  SpectrumResult s = build(kTypeExceptional, 8, 2);
  EXPECT_NEAR(s.c, 31.0 / 2.0, 1e-12);  // 248 x 2 / 32
  EXPECT_EQ(weightList(s), (std::vector<std::string>{"0", "15/16", "3/2"}));
}

TEST_F(WzwSpectrum, U1AtRadiusFour) {
  SpectrumResult s = build(kTypeU1, 4, 0);
  ASSERT_EQ(s.n, 4);
  EXPECT_EQ(s.denominator, 8);
  EXPECT_EQ(std::vector<int>(s.weightNumerators(), s.weightNumerators() + 4), (std::vector<int>{0, 1, 4, 1}));
  EXPECT_EQ(std::vector<int>(s.charges(), s.charges() + 4), (std::vector<int>{0, 3, 2, 1}));
  EXPECT_EQ(s.orbits, 1);
  EXPECT_EQ(s.complex, 1);
  EXPECT_EQ(s.adjointDimension, 1);
  EXPECT_DOUBLE_EQ(s.c, 1.0);
  EXPECT_EQ(build(kTypeU1, 2, 0).adjointDimension, 3);
}

TEST_F(WzwSpectrum, B1IsSU2AtTwiceTheLevel) {
  for (int k = 1; k <= 5; ++k) {
    SpectrumResult b = build(kTypeB, 1, k);
    SpectrumResult a = build(kTypeA, 1, 2 * k);
    EXPECT_NEAR(b.c, a.c, 1e-12);
    EXPECT_EQ(weightList(b), weightList(a));
  }
}

TEST_F(WzwSpectrum, NumberOfPrimariesOfSUn) {
  // Integrable weights of A_r at level k: the (r+1)-tuples of labels summing to k.
  for (int r = 1; r <= 6; ++r)
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(build(kTypeA, r, k).n, binomial64(k + r, r)) << "A" << r << " level " << k;
}

TEST_F(WzwSpectrum, CentralChargesOfTheClassicalSeries) {
  for (int r = 2; r <= 5; ++r) {
    for (int k = 1; k <= 3; ++k) {
      SpectrumResult s = build(kTypeC, r, k);
      EXPECT_NEAR(s.c, static_cast<double>(r * (2 * r + 1) * k) / (k + r + 1), 1e-12);
    }
  }
  // B_r and D_r at level 1 are 2r+1 and 2r free fermions.
  for (int r = 3; r <= 6; ++r) {
    EXPECT_NEAR(build(kTypeB, r, 1).c, r + 0.5, 1e-12);
    EXPECT_NEAR(build(kTypeD, r, 1).c, static_cast<double>(r), 1e-12);
    EXPECT_EQ(build(kTypeB, r, 1).n, 3);
    EXPECT_EQ(build(kTypeD, r, 1).n, 4);
  }
}

// ---------------------------------------------------------------------------------------
// Orbit structure

struct Case {
  AlgebraType type;
  int rank, level;
};

const std::vector<Case>& orbitCases() {
  static const std::vector<Case> cases = {
      {kTypeA, 1, 4}, {kTypeA, 2, 3}, {kTypeA, 3, 4}, {kTypeA, 4, 3}, {kTypeA, 5, 2},
      {kTypeB, 2, 3}, {kTypeB, 3, 2}, {kTypeC, 2, 3}, {kTypeC, 3, 2}, {kTypeC, 4, 2},
      {kTypeD, 4, 2}, {kTypeD, 5, 4}, {kTypeD, 6, 2}, {kTypeD, 7, 2},
      {kTypeExceptional, 6, 3}, {kTypeExceptional, 7, 2}, {kTypeExceptional, 4, 2}, {kTypeU1, 6, 0}};
  return cases;
}

TEST_F(WzwSpectrum, OrbitsAreConsecutiveAndStartWithTheVacuumOrbit) {
  for (const Case& c : orbitCases()) {
    SpectrumResult s = build(c.type, c.rank, c.level);
    const std::string name = algebraname(c.type, c.rank, c.level);
    int groupOrder = c.type == kTypeU1 ? c.rank : Center(c.type, c.rank);
    if (groupOrder < 2) groupOrder = 1;
    // Field J is the current J applied to the vacuum.
    for (int J = 0; J < groupOrder; ++J) {
      EXPECT_EQ(s.orbitNumber()[J], 0) << name;
      EXPECT_EQ(s.orbitBase()[J], 0) << name;
      EXPECT_EQ(s.orbitPosition()[J], J) << name;
    }
    std::map<int, std::vector<int>> orbits = orbitsOf(s);
    EXPECT_EQ(static_cast<int>(orbits.size()), s.orbits) << name;
    int expectedNumber = 0;
    for (const auto& [number, fields] : orbits) {
      EXPECT_EQ(number, expectedNumber++) << name;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i], fields[0] + static_cast<int>(i)) << name;  // consecutive
        EXPECT_EQ(s.orbitBase()[fields[i]], fields[0]) << name;
      }
      EXPECT_EQ(s.orbitPosition()[fields[0]], 0) << name;
      std::set<int> positions;
      for (int f : fields) positions.insert(s.orbitPosition()[f]);
      EXPECT_EQ(positions.size(), fields.size()) << name;
      // Orbit length times stabiliser order is the group order.
      int length = static_cast<int>(fields.size());
      EXPECT_EQ(groupOrder % length, 0) << name;
      if (s.generators == 1 && groupOrder > 1) {
        for (int f : fields) EXPECT_EQ(s.stabilizers()[f], length % groupOrder) << name;
      }
    }
  }
}

TEST_F(WzwSpectrum, MonodromyChargeOfTheGeneratorIsFixedByTheCharge) {
  // h(Jλ) = h(λ) + h(J) - Q_J(λ) mod 1, and Q_J is a faithful character of the charge:
  // Q_J(λ) = q(λ) Q_1 mod 1 with N Q_1 an integer prime to the group order N.
  for (const Case& c : orbitCases()) {
    if (c.type == kTypeD && c.rank % 2 == 0) continue;
    SpectrumResult s = build(c.type, c.rank, c.level);
    const std::string name = algebraname(c.type, c.rank, c.level);
    const std::int64_t D = s.denominator;
    const int N = c.type == kTypeU1 ? c.rank : Center(c.type, c.rank);
    if (N < 2) continue;
    const int* h = s.weightNumerators();
    std::map<int, std::vector<int>> orbits = orbitsOf(s);
    // Q_J(F) D mod D, by field.
    std::vector<std::int64_t> q(static_cast<std::size_t>(s.n));
    for (const auto& [number, fields] : orbits) {
      const int length = static_cast<int>(fields.size());
      for (int f : fields) {
        int next = fields[0] + (s.orbitPosition()[f] + 1) % length;
        q[static_cast<std::size_t>(f)] = modD(h[f] + h[1] - h[next], D);
      }
    }
    std::int64_t unit = -1;
    for (int f = 0; f < s.n; ++f)
      if (s.charges()[f] == 1) unit = q[static_cast<std::size_t>(f)];
    ASSERT_GE(unit, 0) << name;
    EXPECT_EQ((unit * N) % D, 0) << name;
    EXPECT_EQ(std::gcd(unit * N / D, static_cast<std::int64_t>(N)), 1) << name;
    for (int f = 0; f < s.n; ++f)
      EXPECT_EQ(q[static_cast<std::size_t>(f)], modD(unit * s.charges()[f], D)) << name << " field " << f;
    // Along each orbit: h(J^p B) = h(B) + h(J^p) - p Q_J(B) mod 1.
    for (const auto& [number, fields] : orbits) {
      int base = fields[0];
      for (int f : fields) {
        int p = s.orbitPosition()[f];
        EXPECT_EQ(modD(h[f], D), modD(h[base] + h[p] - p * q[static_cast<std::size_t>(base)], D)) << name;
      }
    }
  }
}

TEST_F(WzwSpectrum, MonodromyChargesOfTheKleinGroupOfEvenD) {
  for (int r : {4, 6, 8}) {
    SpectrumResult s = build(kTypeD, r, 2);
    const std::int64_t D = s.denominator;
    const int* h = s.weightNumerators();
    std::map<int, std::vector<int>> orbits = orbitsOf(s);
    // Currents compose like the Klein group: J_a J_b = J_(a xor b).
    auto stabilised = [&](int field, int current) {
      int first = s.stabilizers()[2 * field], second = s.stabilizers()[2 * field + 1];
      return current == 0 || (first == 1 && second == 2) || (first == current && second == 0);
    };
    for (int current = 1; current <= 3; ++current) {
      std::map<std::pair<int, int>, std::int64_t> chargeByPair;
      for (const auto& [number, fields] : orbits) {
        int base = fields[0];
        for (int f : fields) {
          int target = s.orbitPosition()[f] ^ current;
          int image = -1;
          for (int g : fields)
            if (stabilised(base, s.orbitPosition()[g] ^ target)) image = g;
          ASSERT_GE(image, 0);
          std::int64_t Q = modD(h[f] + h[current] - h[image], D);
          EXPECT_TRUE(Q == 0 || 2 * Q == D) << "D" << r;  // an order-2 character
          auto key = std::make_pair(s.charges()[2 * f], s.charges()[2 * f + 1]);
          auto found = chargeByPair.find(key);
          if (found == chargeByPair.end()) {
            chargeByPair[key] = Q;
          } else {
            EXPECT_EQ(found->second, Q) << "D" << r << " current " << current;
          }
        }
      }
      EXPECT_EQ(chargeByPair.size(), 4u);  // all four charge classes occur at level 2
    }
  }
}

TEST_F(WzwSpectrum, ConjugationIsAnInvolutionOntoFieldsOfEqualWeight) {
  const Case cases[] = {{kTypeA, 3, 3}, {kTypeA, 4, 2}, {kTypeD, 5, 2}, {kTypeD, 4, 2},
                        {kTypeExceptional, 6, 2}, {kTypeB, 3, 2}, {kTypeC, 3, 2}};
  for (const Case& c : cases) {
    SpectrumResult s = build(c.type, c.rank, c.level);
    const int width = s.labelLength;
    std::vector<int> once(static_cast<std::size_t>(width)), twice(static_cast<std::size_t>(width));
    int moved = 0;
    for (int f = 0; f < s.n; ++f) {
      conjg_(c.type, c.rank, s.label(f), once.data());
      conjg_(c.type, c.rank, once.data(), twice.data());
      EXPECT_TRUE(std::equal(twice.begin(), twice.end(), s.label(f)));
      int partner = findRep(once.data(), width, s.n, c.type, c.rank, c.level);
      ASSERT_GE(partner, 0);
      EXPECT_EQ(s.weightNumerators()[partner], s.weightNumerators()[f]);
      if (partner != f) ++moved;
    }
    EXPECT_EQ(moved > 0, Complexity(c.type, c.rank) == 1) << algebraname(c.type, c.rank, c.level);
  }
}

TEST_F(WzwSpectrum, ConjugationRules) {
  const int a3[4] = {1, 2, 0, 5};
  int out[8] = {0};
  conjg_(kTypeA, 3, a3, out);
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0, 2, 1, 5}));
  const int d5[6] = {1, 2, 3, 4, 5, 6};
  conjg_(kTypeD, 5, d5, out);
  EXPECT_EQ(std::vector<int>(out, out + 6), (std::vector<int>{1, 2, 3, 5, 4, 6}));
  const int e6[7] = {1, 2, 3, 4, 5, 6, 7};
  conjg_(kTypeExceptional, 6, e6, out);
  EXPECT_EQ(std::vector<int>(out, out + 7), (std::vector<int>{5, 4, 3, 2, 1, 6, 7}));
  const int d4[5] = {1, 2, 3, 4, 5};
  conjg_(kTypeD, 4, d4, out);
  EXPECT_EQ(std::vector<int>(out, out + 5), (std::vector<int>{1, 2, 3, 4, 5}));
}

// ---------------------------------------------------------------------------------------
// Look-up

TEST_F(WzwSpectrum, FindRepAnswersForTheLastSpectrumOnly) {
  SpectrumResult s = build(kTypeA, 3, 3);
  for (int f = 0; f < s.n; ++f) EXPECT_EQ(findRep(s.label(f), 4, s.n, kTypeA, 3, 3), f);
  const int absent[4] = {3, 3, 3, 0};
  EXPECT_EQ(findRep(absent, 4, s.n, kTypeA, 3, 3), -1);
  EXPECT_EQ(findRep(s.label(2), 4, s.n, kTypeA, 3, 2), -1);
  SpectrumResult g2 = build(kTypeExceptional, 2, 2);
  EXPECT_EQ(findRep(s.label(2), 4, s.n, kTypeA, 3, 3), -1);
  for (int f = 0; f < g2.n; ++f) EXPECT_EQ(findRep(g2.label(f), 3, g2.n, kTypeExceptional, 2, 2), f);
  SpectrumResult u1 = build(kTypeU1, 6, 0);
  const int charge = 5;
  EXPECT_EQ(findRep(&charge, 1, 6, kTypeU1, 6, 0), 5);
  const int outside = 6;
  EXPECT_EQ(findRep(&outside, 1, 6, kTypeU1, 6, 0), -1);
}

TEST_F(WzwSpectrum, FailedSpectrumLeavesNothingToFind) {
  SpectrumResult s = build(kTypeA, 2, 2);
  OutputCapture capture;
  EXPECT_EQ(spectrum_(kTypeExceptional, 3, 1, &testAccount).status, 1);
  EXPECT_EQ(findRep(s.label(1), 3, s.n, kTypeA, 2, 2), -1);
}

// ---------------------------------------------------------------------------------------
// Fixed points

TEST_F(WzwSpectrum, CurrentsWithFixedPoints) {
  auto currents = [&](AlgebraType type, int rank, int level) {
    AccountVector<int> list = FixedCurrents(type, rank, level, &testAccount);
    return std::vector<int>(list.begin(), list.end());
  };
  EXPECT_EQ(currents(kTypeA, 1, 2), (std::vector<int>{1}));
  EXPECT_TRUE(currents(kTypeA, 1, 3).empty());
  EXPECT_EQ(currents(kTypeA, 3, 2), (std::vector<int>{2}));      // J² has order 2
  EXPECT_EQ(currents(kTypeA, 5, 6), (std::vector<int>{1, 2, 3}));  // the divisors of 6
  EXPECT_EQ(currents(kTypeD, 4, 2), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(currents(kTypeD, 5, 2), (std::vector<int>{2}));
  EXPECT_EQ(currents(kTypeD, 5, 4), (std::vector<int>{1, 2}));
  EXPECT_EQ(currents(kTypeExceptional, 6, 3), (std::vector<int>{1}));
  EXPECT_EQ(currents(kTypeExceptional, 7, 2), (std::vector<int>{1}));
  EXPECT_TRUE(currents(kTypeExceptional, 7, 1).empty());
  EXPECT_TRUE(currents(kTypeExceptional, 8, 2).empty());
  EXPECT_EQ(currents(kTypeC, 3, 2), (std::vector<int>{1}));
  EXPECT_TRUE(currents(kTypeC, 3, 1).empty());
  EXPECT_TRUE(currents(kTypeU1, 4, 0).empty());
}

TEST_F(WzwSpectrum, BasicCurrents) {
  EXPECT_EQ(ConvertToBasic(3, kTypeA, 5), 3);
  EXPECT_EQ(ConvertToBasic(4, kTypeA, 5), 2);  // J^4 generates the same group as J^2
  EXPECT_EQ(ConvertToBasic(5, kTypeA, 5), 1);
  EXPECT_EQ(ConvertToBasic(6, kTypeA, 5), 0);
  EXPECT_EQ(ConvertToBasic(3, kTypeD, 5), 1);
  EXPECT_EQ(ConvertToBasic(3, kTypeD, 4), 3);
  EXPECT_EQ(ConvertToBasic(2, kTypeExceptional, 6), 1);
  EXPECT_EQ(ConvertToBasic(3, kTypeExceptional, 6), 0);
  EXPECT_EQ(ConvertToBasic(3, kTypeB, 4), 1);
  EXPECT_EQ(ConvertToBasic(1, kTypeExceptional, 8), 0);
}

TEST_F(WzwSpectrum, FixedPointCheckRefusesBadCurrentsAndTypes) {
  OutputCapture capture;
  EXPECT_EQ(FixedPointCheck(kTypeA, 3, 2, 3), 0);
  EXPECT_NE(capture.all.find("Invalid current in routine FixedPointCheck"), std::string::npos);
  capture.clear();
  EXPECT_EQ(FixedPointCheck(kTypeOrbifold, 4, 1, 1), 0);
  EXPECT_NE(capture.all.find("Invalid type in routine FixedPointCheck"), std::string::npos);
  EXPECT_EQ(FixedPointCheck(kTypeA, 3, 2, 0), 1);
}

TEST_F(WzwSpectrum, FixedPointTheoriesOfTheTable) {
  struct Expected {
    AlgebraType type;
    int rank, level, J;
    FixedPointTheory theory;
  };
  const Expected table[] = {
      {kTypeA, 3, 2, 2, {kTypeA, 1, 1, 6}},                 // n = 2: A1 level 1, shift 1 x 12 / 2
      {kTypeA, 5, 6, 3, {kTypeA, 2, 3, 27}},                // A2 level 3, shift 3 x 27 / 3
      {kTypeA, 2, 3, 1, {kTypeA, 0, 0, 8}},                 // A0: the trivial theory
      {kTypeB, 3, 1, 1, {kTypeTwistedB2t, 2, 1, 7}},
      {kTypeC, 4, 1, 1, {kTypeTwistedB2t, 2, 1, 10}},
      {kTypeC, 3, 2, 1, {kTypeA, 1, 1, 9}},                 // C1 becomes A1
      {kTypeD, 4, 2, 2, {kTypeC, 2, 1, 6}},
      {kTypeD, 5, 2, 2, {kTypeC, 3, 1, 6}},
      {kTypeD, 5, 4, 1, {kTypeA, 1, 1, 21}},                // C1 becomes A1
      {kTypeD, 4, 2, 1, {kTypeB, 2, 1, 6}},
      {kTypeD, 6, 2, 3, {kTypeB, 3, 1, 9}},
      {kTypeExceptional, 7, 2, 1, {kTypeExceptional, 4, 1, 9}},   // F4 level 1
      {kTypeExceptional, 6, 3, 1, {kTypeExceptional, 2, 1, 16}},  // G2 level 1
      {kTypeA, 4, 3, 0, {kTypeA, 4, 3, 0}},
  };
  for (const Expected& e : table) {
    FixedPointTheory theory;
    ASSERT_EQ(FCFT(e.type, e.rank, e.level, e.J, theory), 0) << algebraname(e.type, e.rank, e.level);
    EXPECT_EQ(theory.type, e.theory.type) << algebraname(e.type, e.rank, e.level) << " J=" << e.J;
    EXPECT_EQ(theory.rank, e.theory.rank) << algebraname(e.type, e.rank, e.level) << " J=" << e.J;
    EXPECT_EQ(theory.level, e.theory.level) << algebraname(e.type, e.rank, e.level) << " J=" << e.J;
    EXPECT_EQ(theory.shift, e.theory.shift) << algebraname(e.type, e.rank, e.level) << " J=" << e.J;
  }
}

TEST_F(WzwSpectrum, CurrentsWithoutFixedPointsHaveNoTheory) {
  FixedPointTheory theory;
  OutputCapture capture;
  EXPECT_EQ(FCFT(kTypeD, 5, 2, 1, theory), -1);
  EXPECT_NE(capture.all.find("Current without fixed points"), std::string::npos);
  capture.clear();
  EXPECT_EQ(FCFT(kTypeA, 3, 1, 2, theory), -1);  // J² of A3 needs an even level
  EXPECT_NE(capture.all.find("Current without fixed points"), std::string::npos);
  capture.clear();
  EXPECT_EQ(FCFT(kTypeExceptional, 7, 1, 1, theory), -1);
  EXPECT_EQ(FCFT(kTypeExceptional, 6, 2, 1, theory), -1);
  EXPECT_EQ(FCFT(kTypeC, 3, 1, 1, theory), -1);
  capture.clear();
  EXPECT_EQ(FCFT(kTypeExceptional, 8, 2, 1, theory), -1);
  EXPECT_NE(capture.all.find("Unexpected control flow"), std::string::npos);
  capture.clear();
  EXPECT_EQ(FCFT(kTypeU1, 4, 1, 1, theory), -1);
  EXPECT_NE(capture.all.find("Incorrect type (type 0, rank 4, level 1)"), std::string::npos);
}

TEST_F(WzwSpectrum, FoldingMapsTheFixedPointsOntoTheFixedPointTheory) {
  // The fixed points of J are in one-to-one correspondence with the integrable weights of
  // its orbit Lie algebra, and folding is that correspondence.
  struct FoldCase {
    AlgebraType type;
    int rank, level, J;
  };
  const FoldCase cases[] = {
      {kTypeA, 1, 2, 1}, {kTypeA, 1, 6, 1}, {kTypeA, 3, 2, 2}, {kTypeA, 3, 4, 1},  {kTypeA, 5, 6, 2},
      {kTypeA, 5, 6, 3}, {kTypeB, 3, 2, 1}, {kTypeB, 4, 3, 1}, {kTypeC, 2, 3, 1},  {kTypeC, 4, 2, 1},
      {kTypeC, 3, 2, 1}, {kTypeC, 5, 4, 1}, {kTypeC, 1, 2, 1}, {kTypeD, 4, 2, 1},  {kTypeD, 4, 2, 2},
      {kTypeD, 4, 2, 3}, {kTypeD, 5, 2, 2}, {kTypeD, 5, 4, 1}, {kTypeD, 6, 4, 3},  {kTypeD, 3, 4, 1},
      {kTypeD, 7, 4, 1}, {kTypeExceptional, 6, 3, 1}, {kTypeExceptional, 6, 6, 1},
      {kTypeExceptional, 7, 2, 1}, {kTypeExceptional, 7, 4, 1}};
  for (const FoldCase& c : cases) {
    const std::string name = algebraname(c.type, c.rank, c.level) + " J=" + std::to_string(c.J);
    FixedPointTheory theory;
    ASSERT_EQ(FCFT(c.type, c.rank, c.level, c.J, theory), 0) << name;
    SpectrumResult s = build(c.type, c.rank, c.level);
    std::vector<std::vector<int>> foldedFields;
    for (int f = 0; f < s.n; ++f) {
      std::vector<int> folded(static_cast<std::size_t>(s.labelLength), 0);
      int result = fold(s.label(f), folded.data(), c.type, c.rank, c.level, c.J);
      ASSERT_TRUE(result == 0 || result == -1) << name;
      if (result != 0) continue;
      foldedFields.push_back(folded);
      // Fold agrees with the stabiliser of the orbit data.
      if (c.type == kTypeD && c.rank % 2 == 0) {
        int first = s.stabilizers()[2 * f], second = s.stabilizers()[2 * f + 1];
        EXPECT_TRUE((first == 1 && second == 2) || (first == c.J && second == 0)) << name;
      } else {
        int N = Center(c.type, c.rank);
        int length = s.stabilizers()[f] == 0 ? N : s.stabilizers()[f];
        int order = N / std::gcd(c.J, N);  // the order of the current J
        EXPECT_EQ((N / order) % length, 0) << name << " field " << f;
      }
    }
    SpectrumResult fixedTheory = build(theory.type, theory.rank, theory.level);
    std::set<int> images;
    for (const std::vector<int>& folded : foldedFields) {
      int image = findRep(folded.data(), fixedTheory.labelLength, fixedTheory.n, theory.type, theory.rank,
                          theory.level);
      EXPECT_GE(image, 0) << name;
      images.insert(image);
    }
    EXPECT_EQ(static_cast<int>(foldedFields.size()), fixedTheory.n) << name;
    EXPECT_EQ(static_cast<int>(images.size()), fixedTheory.n) << name;
  }
}

TEST_F(WzwSpectrum, FoldingRefusesTheWrongLevelParity) {
  const int d5[6] = {0, 0, 0, 0, 0, 2};
  int out[6] = {0};
  EXPECT_EQ(fold(d5, out, kTypeD, 5, 2, 1), -3);
  EXPECT_EQ(fold(d5, out, kTypeD, 5, 1, 2), -3);
  const int u1 = 2;
  EXPECT_EQ(fold(&u1, out, kTypeU1, 4, 0, 2), -3);
  EXPECT_EQ(fold(&u1, out, kTypeU1, 4, 0, 0), 0);
  EXPECT_EQ(out[0], 2);
  OutputCapture capture;
  EXPECT_EQ(fold(d5, out, kTypeTwistedB2, 5, 2, 1), 0);
  EXPECT_NE(capture.all.find("Unexpected control flow"), std::string::npos);
}

TEST_F(WzwSpectrum, CurrentLabels) {
  EXPECT_EQ(currentLabel(kTypeD, 0), "0");
  EXPECT_EQ(currentLabel(kTypeD, 1), "s");
  EXPECT_EQ(currentLabel(kTypeD, 2), "v");
  EXPECT_EQ(currentLabel(kTypeD, 3), "c");
  EXPECT_EQ(currentLabel(kTypeD, 4), "");
  EXPECT_EQ(currentLabel(kTypeA, 12), "12");
}

// ---------------------------------------------------------------------------------------
// Bad input and limits

TEST_F(WzwSpectrum, InvalidAlgebrasAreRefused) {
  struct Bad {
    AlgebraType type;
    int rank, level;
  };
  const Bad bad[] = {{kTypeExceptional, 3, 1}, {kTypeExceptional, 5, 2}, {kTypeD, 2, 1},
                     {6, 1, 1},                {kTypeMinimalN2, 2, 1},   {kTypeA, 2, -1},
                     {kTypeU1, -4, 0},         {kTypeB, 0, 2},           {kTypeA, kZoqMaxLieRank + 1, 1}};
  for (const Bad& b : bad) {
    OutputCapture capture;
    SpectrumResult s = spectrum_(b.type, b.rank, b.level, &testAccount);
    EXPECT_EQ(s.status, 1) << b.type << " " << b.rank;
    EXPECT_EQ(s.n, 0);
    EXPECT_TRUE(s.orbitData.empty());
    EXPECT_FALSE(capture.all.empty());
  }
  OutputCapture capture;
  spectrum_(kTypeExceptional, 3, 1, &testAccount);
  EXPECT_NE(capture.all.find("Invalid input\nType=5, Rank=3, Level=1\nRoutine: spectrum_"), std::string::npos);
}

TEST_F(WzwSpectrum, SpectrumTooLargeToHoldIsRefused) {
  const Case huge[] = {{kTypeA, 1, 2147483647}, {kTypeA, 8, 100000}, {kTypeExceptional, 8, 1000000},
                       {kTypeU1, 2000000000, 0}};
  for (const Case& c : huge) {
    OutputCapture capture;
    SpectrumResult s = spectrum_(c.type, c.rank, c.level, &testAccount);
    EXPECT_EQ(s.status, 1) << algebraname(c.type, c.rank, c.level);
    EXPECT_NE(capture.all.find("too large"), std::string::npos) << capture.all;
    EXPECT_EQ(s.n, 0);
  }
}

TEST_F(WzwSpectrum, LevelsWhoseWeightsOverflowAreRefusedBeforeTheFieldsAreListed) {
  // The numerators of the A1 weights are j(j+2) up to k(k+2): 46339 * 46341 < 2^31 <=
  // 46340 * 46342. B1 at level k is A1 at level 2k.
  SpectrumResult fits = spectrum_(kTypeA, 1, 46339, &testAccount);
  EXPECT_EQ(fits.status, 0);
  EXPECT_EQ(fits.n, 46340);
  struct Refused {
    AlgebraType type;
    int rank, level;
    const char* text;
  };
  const Refused refused[] = {{kTypeA, 1, 46340, "Level 46340 too large for A1: the largest level is 46339"},
                             {kTypeA, 1, 1000000, "Level 1000000 too large for A1: the largest level is 46339"},
                             {kTypeB, 1, 23170, "Level 23170 too large for B1: the largest level is 23169"}};
  for (const Refused& r : refused) {
    OutputCapture capture;
    SpectrumResult s = spectrum_(r.type, r.rank, r.level, &testAccount);
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.n, 0);
    EXPECT_NE(capture.all.find(r.text), std::string::npos) << capture.all;
  }
}

TEST_F(WzwSpectrum, LookUpsWithoutALevelReportTheLastRequest) {
  build(kTypeA, 3, 2);
  OutputCapture capture;
  EXPECT_EQ(dualCoxeter(9, 1), -1);
  EXPECT_NE(capture.all.find("Invalid input\nType=9, Rank=3, Level=2\nRoutine: dualCoxeter"), std::string::npos);
  capture.clear();
  EXPECT_EQ(LieType(18), -1);
  EXPECT_NE(capture.all.find("Invalid input\nType=18, Rank=3, Level=2\nRoutine: LieType"), std::string::npos);
}

TEST_F(WzwSpectrum, LargeRankRaisesMaxrank) {
  const int* maxrank = getIntParPointer("Maxrank");
  ASSERT_NE(maxrank, nullptr);
  EXPECT_EQ(*maxrank, 20);
  build(kTypeA, 25, 1);
  EXPECT_EQ(*maxrank, 27);
  build(kTypeA, 10, 1);
  EXPECT_EQ(*maxrank, 27);
  resetAll();
  EXPECT_EQ(*getIntParPointer("Maxrank"), 20);
}

TEST_F(WzwSpectrum, BlocksAreChargedToTheCallersAccount) {
  AllocationAccount account("Algebra charged");
  SpectrumResult s = spectrum_(kTypeA, 2, 3, &account);
  ASSERT_EQ(s.status, 0);
  // Labels (10 x 3 ints), orbit data (10 x 7 ints) and the centre orders (1 int) at least.
  EXPECT_GE(account.bytesHeld(), (10u * 3 + 10u * 7 + 1) * sizeof(int));
}

}  // namespace
