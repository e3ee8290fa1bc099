// Shared by the string tests on products of N = 2 minimal models: the K3 products with the
// D6 lattice (six space-time dimensions), and the ground-state contents of the current
// product found both ways.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "strings/StringTheoryInternal.h"
#include "tensor/Coset.h"

namespace gepner_products_test {

// Every tensor product of N = 2 minimal models with sum 3k/(k+2) = 6 that is a K3: three to
// six factors. (1,1,1,2,2) is left out: its blocks (1,1,1) and (2,2) have c = 3 each and
// spectral-flow orders 3 and 4, which are coprime, so the projection acts on each block
// alone and the product is a four-torus, not a K3.
inline const std::vector<std::vector<int>> kK3Levels = {
    {4, 4, 4},     {3, 3, 8},     {2, 4, 10},    {2, 6, 6},     {2, 3, 18},    {1, 10, 10},
    {1, 8, 13},    {1, 7, 16},    {1, 6, 22},    {1, 5, 40},    {1, 1, 2, 10}, {1, 1, 4, 4},
    {1, 2, 2, 4},  {2, 2, 2, 2},  {1, 1, 1, 1, 4}, {1, 1, 1, 1, 1, 1}};

// The D6 lattice at level 1 (graded by its vector, field 2, or not) times N = 2 minimal
// models of the levels, extended by the spectral flow (label 1 in every factor), "Super" and
// "Graded" on; the spectrum computed.
inline void buildOnTheD6Lattice(const std::vector<int>& levels, bool gradeLattice) {
  if (gradeLattice) {
    ASSERT_EQ(run("algebra d 6 1"), 0);
    ASSERT_EQ(run("grade 2"), 0);
  }
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("set Super on"), 0);
  ASSERT_EQ(run("set Graded on"), 0);
  ASSERT_EQ(run("g d 6 1"), 0);
  std::string current = "current 1";
  for (int k : levels) {
    ASSERT_EQ(run(("g minimal 2 " + std::to_string(k)).c_str()), 0);
    current += " 1";
  }
  ASSERT_EQ(run(current.c_str()), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
}

// The ground-state contents of the current product by the search by weight and by the
// first way (every image compared with every one seen before); they must agree field by
// field. The number of fields compared.
inline int expectSameContents() {
  std::vector<int> byWeight;
  std::vector<int> pairwise;
  EXPECT_TRUE(tensorLatticeContents(currentTensor, false, &byWeight));
  EXPECT_TRUE(tensorLatticeContents(currentTensor, true, &pairwise));
  EXPECT_EQ(byWeight.size(), static_cast<std::size_t>(currentTensor->Spectrum.size()) * 4);
  EXPECT_EQ(byWeight.size(), pairwise.size());
  int differing = 0;
  for (std::size_t at = 0; at < byWeight.size() && at < pairwise.size(); ++at) {
    if (byWeight[at] == pairwise[at]) continue;
    if (++differing <= 5)
      ADD_FAILURE() << "field " << at / 4 << ", class " << at % 4 << ": " << byWeight[at]
                    << " by weight, " << pairwise[at] << " pairwise";
  }
  return static_cast<int>(byWeight.size() / 4);
}

}  // namespace gepner_products_test
