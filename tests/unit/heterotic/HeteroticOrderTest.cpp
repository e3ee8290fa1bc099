// The candidate order of the massless-state loops: the fields of a list of weight at most
// the bound, by increasing weight, the one further down the list first among equal
// weights. The order is that of a selection by minimum (take the last field of least
// weight among those left, until none is left below the bound), which serves as the
// oracle: on small hand-made lists and on seeded random lists full of ties, repeated
// fields and fields above the bound.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "heterotic/Heterotic.h"

namespace {

// Selection by minimum, from the bound + 1.
std::vector<int> selectionByMinimum(const std::vector<int>& list, const std::vector<int>& weights,
                                    int bound) {
  std::vector<int> ordered;
  std::vector<char> taken(list.size(), 0);
  for (;;) {
    int best = -1;
    int bestWeight = bound + 1;
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (taken[k] != 0) continue;
      const int w = weights[static_cast<std::size_t>(list[k])];
      if (w <= bestWeight && w <= bound) {
        best = static_cast<int>(k);
        bestWeight = w;
      }
    }
    if (best < 0) return ordered;
    taken[static_cast<std::size_t>(best)] = 1;
    ordered.push_back(list[static_cast<std::size_t>(best)]);
  }
}

TEST(HeteroticOrder, LighterFirstAndAmongEqualWeightsTheLaterField) {
  // Weights over a common denominator 6: fields 1 and 3 weigh 3 (1/2), 0 and 2 weigh 5,
  // field 4 weighs 9 (above 1) and is dropped.
  const std::vector<int> weights = {5, 3, 5, 3, 9};
  std::vector<int> list = {0, 1, 2, 3, 4};
  orderByWeight(list, weights, 6);
  EXPECT_EQ(list, (std::vector<int>{3, 1, 2, 0}));
  // The list's own order decides the ties, not the field numbers.
  list = {3, 0, 1, 2};
  orderByWeight(list, weights, 6);
  EXPECT_EQ(list, (std::vector<int>{1, 3, 2, 0}));
  // A bound below every weight leaves nothing; an empty list stays empty.
  list = {0, 1, 2};
  orderByWeight(list, weights, 2);
  EXPECT_TRUE(list.empty());
  orderByWeight(list, weights, 6);
  EXPECT_TRUE(list.empty());
}

TEST(HeteroticOrder, TheOrderOfTheSelectionByMinimumOnRandomListsWithTies) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 300; ++round) {
    const int fields = 1 + static_cast<int>(random() % 60);
    const int bound = static_cast<int>(random() % 12);
    std::vector<int> weights(static_cast<std::size_t>(fields));
    // Few distinct weights, so that ties are the rule; some above the bound, some 0.
    for (int& w : weights) w = static_cast<int>(random() % 15);
    std::vector<int> list(random() % 80);
    for (int& a : list) a = static_cast<int>(random() % static_cast<unsigned>(fields));
    std::vector<int> sorted = list;
    orderByWeight(sorted, weights, bound);
    ASSERT_EQ(sorted, selectionByMinimum(list, weights, bound)) << "round " << round;
  }
}

}  // namespace
