// The fusion completion of the exchange of two identical factors, against its definition
// computed here pair by pair: every pair u < v of resolved fields at or above the simple
// currents, each the smaller of its pair, in order; when exactly one unresolved field has
// N(u, v; m) > 0 and exactly one N(p(u), p(v); m) > 0, the two are exchanged; sweeps until
// one adds nothing. The completion skips pairs it can tell apart without fusion; what it
// adds, and in which order, must be what this literal sweep adds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modular/Modular.h"
#include "TensorTestSupport.h"

namespace {

constexpr int kUnresolved = -2;

struct Completion {
  std::vector<int> images;
  std::vector<std::pair<int, int>> added;
  bool failed = false;
};

// The literal sweep. Fusion coefficients are kept once asked (they do not depend on the
// permutation), over the fields left open by the labels, which are all that can be
// unresolved.
class DefinitionSweep {
 public:
  // For the exchange of factors a and b.
  DefinitionSweep(TensorProduct* TP, int a, int b) : TP_(TP), N_(TP->Spectrum.size()) {
    openIndex_.assign(static_cast<std::size_t>(N_), -1);
    for (int k = 0; k < N_; ++k) {
      if (ComputePermutation(TP, a, b, k) != kUnresolved) continue;
      openIndex_[static_cast<std::size_t>(k)] = open_++;
    }
  }

  Completion complete(int a, int b, const std::vector<std::pair<int, int>>& assigned) {
    Completion c;
    std::vector<int>& p = c.images;
    for (int k = 0; k < N_; ++k) p.push_back(ComputePermutation(TP_, a, b, k));
    for (const auto& [x, y] : assigned) {
      p[static_cast<std::size_t>(x)] = y;
      p[static_cast<std::size_t>(y)] = x;
    }
    std::size_t before = 0;
    do {
      before = c.added.size();
      for (int u = TP_->NumberOfSimpleCurrents; u < N_; ++u) {
        const int pu = p[static_cast<std::size_t>(u)];
        if (pu == kUnresolved || u > pu) continue;
        for (int v = u + 1; v < N_; ++v) {
          const int pv = p[static_cast<std::size_t>(v)];
          if (pv == kUnresolved || v > pv) continue;
          int m1 = -1, m2 = -1;
          FusionCoefficient n1 = 0, n2 = 0;
          if (!lone(u, v, p, &m1, &n1) || !lone(pu, pv, p, &m2, &n2)) continue;
          if (n1 != n2) {
            c.failed = true;
            return c;
          }
          p[static_cast<std::size_t>(m1)] = m2;
          p[static_cast<std::size_t>(m2)] = m1;
          c.added.emplace_back(m1, m2);
        }
      }
    } while (c.added.size() > before);
    return c;
  }

 private:
  FusionCoefficient coefficient(int u, int v, int m) {
    const std::size_t at = (static_cast<std::size_t>(u) * static_cast<std::size_t>(N_) + static_cast<std::size_t>(v)) *
                               static_cast<std::size_t>(open_) +
                           static_cast<std::size_t>(openIndex_[static_cast<std::size_t>(m)]);
    if (known_.empty()) known_.assign(static_cast<std::size_t>(N_) * static_cast<std::size_t>(N_) * open_, -1);
    if (known_[at] < 0) {
      const FusionCoefficient value = fusion(u, v, m, 0);
      EXPECT_FALSE(fusionInterrupted(value) || fusionUndecided(value));
      known_[at] = static_cast<std::int32_t>(value);
    }
    return known_[at];
  }

  // Whether exactly one unresolved field m has N(u, v; m) > 0; that m and its coefficient.
  bool lone(int u, int v, const std::vector<int>& p, int* field, FusionCoefficient* value) {
    int count = 0;
    for (int m = 0; m < N_ && count < 2; ++m) {
      if (p[static_cast<std::size_t>(m)] != kUnresolved) continue;
      const FusionCoefficient n = coefficient(u, v, m);
      if (n <= 0) continue;
      *field = m;
      *value = n;
      ++count;
    }
    return count == 1;
  }

  TensorProduct* TP_;
  int N_;
  int open_ = 0;
  std::vector<int> openIndex_;
  std::vector<std::int32_t> known_;
};

// The "Added m1 and m2" lines of a run, in order.
std::vector<std::pair<int, int>> addedLines(const std::string& printed) {
  std::vector<std::pair<int, int>> added;
  for (std::size_t at = printed.find("Added "); at != std::string::npos; at = printed.find("Added ", at + 1)) {
    int m1 = -1, m2 = -1;
    if (std::sscanf(printed.c_str() + at, "Added %d and %d", &m1, &m2) == 2) added.emplace_back(m1, m2);
  }
  return added;
}

class CosetPermutationCompletion : public TensorTest {
 protected:
  // The unresolved fields of the exchange without assignments.
  std::vector<int> unresolvedFields(int a, int b) {
    std::vector<int> open;
    const std::vector<int> p = CloseTensorPermutations(currentTensor, a, b, 0, nullptr, nullptr);
    for (std::size_t m = 0; m < p.size(); ++m)
      if (p[m] == kUnresolved) open.push_back(static_cast<int>(m));
    return open;
  }

  // The completion with these assignments is the literal sweep; returns the fields added.
  std::size_t expectTheDefinition(int a, int b, const std::vector<std::pair<int, int>>& assigned) {
    std::vector<int> xs, ys;
    for (const auto& [x, y] : assigned) {
      xs.push_back(x);
      ys.push_back(y);
    }
    // One exchange per case: the fields left open are those of its first exchange.
    if (sweep_ == nullptr) sweep_ = std::make_unique<DefinitionSweep>(currentTensor, a, b);
    const Completion expected = sweep_->complete(a, b, assigned);
    capture.clear();
    const std::vector<int> p =
        CloseTensorPermutations(currentTensor, a, b, static_cast<int>(xs.size()), xs.data(), ys.data());
    if (expected.failed) {
      EXPECT_TRUE(p.empty());
      EXPECT_NE(capture.printed.find("Permutation violation (type 2)"), std::string::npos);
      return 0;
    }
    EXPECT_EQ(p, expected.images);
    EXPECT_EQ(addedLines(capture.printed), expected.added);
    return expected.added.size();
  }

  // Every open field (the first `most`) assigned to itself and to the next open field, one
  // at a time, and the first pair of assignments together; the number of fields the
  // completions added.
  std::size_t expectTheDefinitionForAssignments(int a, int b, std::size_t most = 1000) {
    const std::vector<int> open = unresolvedFields(a, b);
    EXPECT_FALSE(open.empty());
    std::size_t added = expectTheDefinition(a, b, {});
    for (std::size_t i = 0; i < open.size() && i < most; ++i) {
      added += expectTheDefinition(a, b, {{open[i], open[i]}});
      if (i + 1 < open.size()) added += expectTheDefinition(a, b, {{open[i], open[i + 1]}});
    }
    if (open.size() >= 4) added += expectTheDefinition(a, b, {{open[0], open[0]}, {open[2], open[3]}});
    return added;
  }

  std::unique_ptr<DefinitionSweep> sweep_;
};

TEST_F(CosetPermutationCompletion, TwoLevelFourSU2sWithTheirFixedPoint) {
  // SU(2)_4^2 extended by (J, J): the fixed point (2, 2) has two components, which the
  // exchange keeps as a pair.
  build({"g a 1 4", "g a 1 4", "current 1 1"});
  const std::vector<int> open = unresolvedFields(0, 1);
  ASSERT_EQ(open.size(), 2u);
  expectTheDefinitionForAssignments(0, 1);
  // One component kept in place: the other has no other image left.
  const int x[] = {open[0]};
  const std::vector<int> p = CloseTensorPermutations(currentTensor, 0, 1, 1, x, x);
  ASSERT_EQ(p.size(), static_cast<std::size_t>(currentTensor->Spectrum.size()));
  EXPECT_EQ(p[static_cast<std::size_t>(open[1])], open[1]);
}

TEST_F(CosetPermutationCompletion, ThreeLevelFourSU2sWithAFixedPointPerThirdLabel) {
  // SU(2)_4^3 extended by (J, J, 0): the fixed points (2, 2, c), c = 0 .. 4, two components
  // each; an assignment makes the components of the others reachable by fusion.
  build({"g a 1 4", "g a 1 4", "g a 1 4", "current 1 1 0"});
  EXPECT_EQ(unresolvedFields(0, 1).size(), 10u);
  EXPECT_GT(expectTheDefinitionForAssignments(0, 1), 0u);
}

TEST_F(CosetPermutationCompletion, FourLevelFourSU2sWithTwoCurrents) {
  // SU(2)_4^4 extended by (J, J, 0, 0) and (0, 0, J, J): stabilisers of order 2 and 4.
  build({"g a 1 4", "g a 1 4", "g a 1 4", "g a 1 4", "current 1 1 0 0", "current 0 0 1 1"});
  EXPECT_GT(expectTheDefinitionForAssignments(0, 1), 0u);
}

TEST_F(CosetPermutationCompletion, TwoLevelThreeSU3sWithAThreeComponentFixedPoint) {
  // SU(3)_3^2 extended by (J, J) (weight 1 + 1): the fixed point (1, 1) of J in each factor
  // splits into three components.
  build({"g a 2 3", "g a 2 3", "current 1 1"});
  ASSERT_EQ(unresolvedFields(0, 1).size(), 3u);
  EXPECT_GT(expectTheDefinitionForAssignments(0, 1), 0u);
}

// A Gepner model: the components of a fixed point are reached one by one, so that the
// last open one of a fixed point is resolved by the fusion of fields without fixed points.
class CosetPermutationCompletionSlowTest : public CosetPermutationCompletion {};

TEST_F(CosetPermutationCompletionSlowTest, TheGepnerModel122224WithItsFirstInvariant) {
  runAll({"build cy 160", "select invariant 1"});
  ASSERT_EQ(currentTensor->Spectrum.size(), 440);
  EXPECT_GT(expectTheDefinitionForAssignments(2, 3, 8), 0u);
}

}  // namespace
