// Symmetries of tensor products: permutations of identical factors (counted against the
// symmetric groups of the classes of equal factors), outer automorphisms of the factors,
// the symmetries that keep the chiral algebra, and the permutations they induce on the
// simple currents (bijections that respect labels, weights and the fusion of currents).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "collections/VectorSpace.h"
#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "InterruptTestSupport.h"
#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetPermutationsTest : public TensorTest {
 protected:
  static std::vector<int> row(const VectorSpace& space, int i, int n) {
    const int* r = space.Space + static_cast<std::size_t>(i) * space.rowsize;
    return std::vector<int>(r, r + n);
  }

  static std::vector<std::vector<int>> rows(const VectorSpace& space, int n) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < space.Nfill; ++i) out.push_back(row(space, i, n));
    return out;
  }

  static bool isPermutation(std::vector<int> p) {
    std::sort(p.begin(), p.end());
    for (std::size_t i = 0; i < p.size(); ++i)
      if (p[i] != static_cast<int>(i)) return false;
    return true;
  }

  static std::pair<long long, long long> weight(int f) {
    Rat h;
    TensorRatWeight(currentTensor, TensorField(currentTensor, f), &h);
    return {h.num, h.den};
  }
};

// ---------------------------------------------------------------------------------------
// Factor permutations: the product of the symmetric groups of the classes

TEST_F(CosetPermutationsTest, ThreeIdenticalFactorsAndOneOtherGiveSixPermutations) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 2"});
  getAllTensorPermutations(currentTensor);
  const auto perms = rows(currentTensor->FullPermutations, 4);
  ASSERT_EQ(perms.size(), 6u);  // |S3| x |S1|
  std::set<std::vector<int>> firstThree;
  for (const auto& p : perms) {
    EXPECT_TRUE(isPermutation(p));
    EXPECT_EQ(p[3], 3) << "the different factor only maps to itself";
    firstThree.insert(std::vector<int>(p.begin(), p.begin() + 3));
  }
  EXPECT_EQ(firstThree.size(), 6u) << "every permutation of the three equal factors once";
  EXPECT_EQ(perms[0], (std::vector<int>{0, 1, 2, 3})) << "the identity first";
}

TEST_F(CosetPermutationsTest, TwoIdenticalFactorsGiveTheIdentityAndTheExchange) {
  runAll({"tensor", "g a 2 1", "g a 2 1"});
  getAllTensorPermutations(currentTensor);
  EXPECT_EQ(rows(currentTensor->FullPermutations, 2),
            (std::vector<std::vector<int>>{{0, 1}, {1, 0}}));
}

TEST_F(CosetPermutationsTest, TwoClassesGiveTheProductOfTheirGroupsInOrder) {
  // Classes {0, 3} and {1, 2, 4}: |S2| |S3| = 12 permutations. The first class's group,
  // then the second's other elements (in the order of generating S3: rotations of the
  // identity and of the exchange), then their products with the exchange of 0 and 3.
  runAll({"tensor", "g a 1 1", "g a 1 2", "g a 1 2", "g a 1 1", "g a 1 2"});
  getAllTensorPermutations(currentTensor);
  const VectorSpace& space = currentTensor->FullPermutations;
  const std::vector<std::vector<int>> expected = {
      {0, 1, 2, 3, 4}, {3, 1, 2, 0, 4},                                                       // S2
      {0, 2, 1, 3, 4}, {0, 2, 4, 3, 1}, {0, 4, 1, 3, 2}, {0, 1, 4, 3, 2}, {0, 4, 2, 3, 1},  // S3
      {3, 2, 1, 0, 4}, {3, 2, 4, 0, 1}, {3, 4, 1, 0, 2}, {3, 1, 4, 0, 2}, {3, 4, 2, 0, 1}};
  EXPECT_EQ(rows(space, 5), expected);
  for (int i = 0; i < space.Nfill; ++i) {
    EXPECT_EQ(findVectorInCollection(&space, row(space, i, 5).data()), i) << "row " << i << " in the tree";
  }
}

// {A1_2} x {A1_1}^4 in either order: the 4! permutations of the four equal factors, the
// other position fixed, each found at its own row; the set still takes a row that is not
// in it.
void expectOneClassFindable(TensorProduct* TP, int fixed) {
  getAllTensorPermutations(TP);
  VectorSpace& space = TP->FullPermutations;
  ASSERT_EQ(space.Nfill, 24);
  std::set<std::vector<int>> distinct;
  for (int i = 0; i < space.Nfill; ++i) {
    const int* r = space.Space + static_cast<std::size_t>(i) * space.rowsize;
    const std::vector<int> p(r, r + 5);
    std::vector<int> sorted = p;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(p[static_cast<std::size_t>(fixed)], fixed);
    distinct.insert(p);
    EXPECT_EQ(findVectorInCollection(&space, p.data()), i) << "row " << i;
  }
  EXPECT_EQ(distinct.size(), 24u);
  const std::vector<int> other = {4, 3, 2, 1, 0, -1, -1};
  EXPECT_EQ(findVectorInCollection(&space, other.data()), -1);
  EXPECT_EQ(LocateInCollection(&space, other.data()), 24);
  EXPECT_EQ(findVectorInCollection(&space, other.data()), 24);
}

TEST_F(CosetPermutationsTest, OneClassAfterADifferentFactorGivesItsGroupFindable) {
  runAll({"tensor", "g a 1 2", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1"});
  expectOneClassFindable(currentTensor, 0);
}

TEST_F(CosetPermutationsTest, OneClassBeforeADifferentFactorGivesItsGroupFindable) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 2"});
  expectOneClassFindable(currentTensor, 4);
}

TEST_F(CosetPermutationsTest, DifferentLevelsOrTypesAreNeverExchanged) {
  runAll({"tensor", "g a 1 1", "g a 1 2", "g a 2 1", "g a 1 3"});
  getAllTensorPermutations(currentTensor);
  EXPECT_EQ(rows(currentTensor->FullPermutations, 4), (std::vector<std::vector<int>>{{0, 1, 2, 3}}));
}

TEST_F(CosetPermutationsTest, AGAndAnHCopyOfOneTheoryAreNeverExchanged) {
  // Two G and two H copies of A1 level 1: only G with G and H with H, 2! x 2! = 4.
  runAll({"tensor", "g a 1 1", "h a 1 1", "g a 1 1", "h a 1 1"});
  getAllTensorPermutations(currentTensor);
  const auto perms = rows(currentTensor->FullPermutations, 4);
  ASSERT_EQ(perms.size(), 4u);
  for (const auto& p : perms) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p[static_cast<std::size_t>(i)] % 2, i % 2) << "G and H exchanged";
  }
}

// ---------------------------------------------------------------------------------------
// Outer automorphisms of the factors

TEST_F(CosetPermutationsTest, OuterAutomorphismsAreTheProductOfTheFactorsAutomorphisms) {
  // D4 level 1 has the six triality permutations of its currents: 6 x 6 combinations.
  runAll({"tensor", "g d 4 1", "g d 4 1"});
  EXPECT_EQ(loadOuterAutomorphisms(currentTensor), 36);
  EXPECT_EQ(row(currentTensor->OuterAutomorphisms, 0, 2), (std::vector<int>{0, 0}));
}

TEST_F(CosetPermutationsTest, WithIgnoreOuterAutomorphismsThereIsOneAutomorphismRow) {
  runAll({"tensor", "g d 4 1", "g d 4 1", "g a 2 1"});
  setIgnoreOuterAutomorphisms(1);
  EXPECT_EQ(loadOuterAutomorphisms(currentTensor), 1);
  EXPECT_EQ(currentTensor->OuterAutomorphisms.Nfill, 1);
  EXPECT_EQ(row(currentTensor->OuterAutomorphisms, 0, 3), (std::vector<int>{0, 0, 0}));
  setIgnoreOuterAutomorphisms(0);
  EXPECT_EQ(loadOuterAutomorphisms(currentTensor), 36);  // A2's conjugation is fixed: 6 x 6 x 1
}

TEST_F(CosetPermutationsTest, ConjugationIsCountedOnceForComplexFactors) {
  // Identity and conjugation on each A2 level 1; the overall conjugation is not a new
  // symmetry, so the first complex factor keeps the identity: 1 x 2 x 2.
  runAll({"tensor", "g a 2 1", "g a 2 1", "g a 2 1"});
  EXPECT_EQ(loadOuterAutomorphisms(currentTensor), 4);
  for (const auto& r : rows(currentTensor->OuterAutomorphisms, 3)) EXPECT_EQ(r[0], 0);
}

// ---------------------------------------------------------------------------------------
// Symmetries of the extension

TEST_F(CosetPermutationsTest, WithoutCurrentsEveryPairIsASymmetry) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 2", "compute spectrum"});
  EXPECT_EQ(CT_TotalOuterAutomorphisms(currentTensor), 6);
  EXPECT_EQ(currentTensor->SymmetryFlag, 1);
  EXPECT_EQ(currentTensor->CurrentPermutations.Nfill, 6);
  EXPECT_NE(capture.printed.find("Degeneracies: 1 outer automorphisms, 6 permutations.\n"), std::string::npos);
}

TEST_F(CosetPermutationsTest, ACurrentRemovesThePermutationsThatMoveIt) {
  // The current (J, 0, 0) of three A1 level 4 factors: (0, J, 0) and (0, 0, J) are not in
  // the chiral algebra, so only the permutations fixing factor 0 remain: 2 of 6.
  runAll({"tensor", "g a 1 4", "g a 1 4", "g a 1 4", "current 1 0 0", "compute spectrum"});
  ASSERT_EQ(CT_TotalOuterAutomorphisms(currentTensor), 2);
  for (int s = 0; s < 2; ++s) {
    const std::vector<int> pair = row(currentTensor->AutomorphismsTimesPermutations, s, 2);
    EXPECT_EQ(row(currentTensor->FullPermutations, pair[1], 3)[0], 0);
  }
}

TEST_F(CosetPermutationsTest, SymmetrisingComputesTheSpectrumFirst) {
  // Without "compute spectrum" the chiral algebra is not known yet; the two symmetries
  // fixing factor 0 are still found.
  runAll({"tensor", "g a 1 4", "g a 1 4", "g a 1 4", "current 1 0 0"});
  CT_SymmetrizeTensorProduct(currentTensor);
  EXPECT_EQ(currentTensor->SymmetryFlag, 1);
  EXPECT_EQ(currentTensor->AutomorphismsTimesPermutations.Nfill, 2);
}

TEST_F(CosetPermutationsTest, ASymmetricCurrentKeepsEveryPermutation) {
  // (J, J, J, J) of four A1 level 1 factors (weight 4 x 1/4 = 1) is permutation invariant.
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "current 1 1 1 1", "compute spectrum"});
  EXPECT_EQ(CT_TotalOuterAutomorphisms(currentTensor), 24);
}

TEST_F(CosetPermutationsTest, ThePermutedSpectrumIsTheSameSetOfFields) {
  // Every symmetry maps fields to fields one to one and keeps the exact weight.
  runAll({"tensor", "g d 4 1", "g d 4 1", "g a 1 2", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  const int N = TP->NumberOfPrimaries;
  ASSERT_EQ(N, 4 * 4 * 3);
  ASSERT_EQ(CT_TotalOuterAutomorphisms(TP), 36 * 2);
  for (int s = 0; s < TP->AutomorphismsTimesPermutations.Nfill; ++s) {
    const std::vector<int> pair = row(TP->AutomorphismsTimesPermutations, s, 2);
    std::vector<int> image;
    for (int f = 0; f < N; ++f) {
      const int g = applyTensorOuterAutomorphismTimesPermutationToCurrent(TP, pair[0], pair[1], f);
      ASSERT_GE(g, 0) << "symmetry " << s << " field " << f;
      EXPECT_EQ(weight(g), weight(f)) << "symmetry " << s << " field " << f;
      image.push_back(g);
    }
    EXPECT_TRUE(isPermutation(image)) << "symmetry " << s;
  }
  EXPECT_TRUE(silent());
}

TEST_F(CosetPermutationsTest, TheExchangeOfTwoFactorsExchangesTheirCurrents) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(CT_TotalOuterAutomorphisms(TP), 2);
  ASSERT_EQ(TP->NumberOfSimpleCurrents, 4);
  ASSERT_EQ(TP->CurrentPermutations.Nfill, 2);
  EXPECT_EQ(row(TP->CurrentPermutations, 0, 4), (std::vector<int>{0, 1, 2, 3}));
  const std::vector<int> swap = row(TP->CurrentPermutations, 1, 4);
  for (int c = 0; c < 4; ++c) {
    const int* labels = TensorField(TP, c);
    const int* image = TensorField(TP, swap[static_cast<std::size_t>(c)]);
    EXPECT_EQ(image[0], labels[1]);
    EXPECT_EQ(image[1], labels[0]);
    // The cache answers the same, first and second time.
    EXPECT_EQ(CT_getCurrentPermutation(TP, 1, c), swap[static_cast<std::size_t>(c)]);
    EXPECT_EQ(CT_getCurrentPermutation(TP, 1, c), swap[static_cast<std::size_t>(c)]);
  }
}

TEST_F(CosetPermutationsTest, CurrentPermutationsAreAutomorphismsOfTheCurrentGroup) {
  // Triality and the exchange on D4_1 x D4_1: each image row is a bijection fixing the
  // identity with image(J K) = image(J) image(K).
  runAll({"tensor", "g d 4 1", "g d 4 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  const VectorSpace* images = CT_getCurrentOuterAutomorphisms(TP);
  ASSERT_NE(images, nullptr);
  ASSERT_EQ(images->Nfill, 72);
  const int G = TP->NumberOfSimpleCurrents;
  ASSERT_EQ(G, 16);
  std::set<std::vector<int>> distinct;
  for (int s = 0; s < images->Nfill; ++s) {
    const std::vector<int> p = row(*images, s, G);
    ASSERT_TRUE(isPermutation(p)) << s;
    EXPECT_EQ(p[0], 0);
    for (int J = 0; J < G; ++J)
      for (int K = 0; K < G; ++K)
        ASSERT_EQ(p[static_cast<std::size_t>(CT_simpleCurrentProduct(J, K, TP))],
                  CT_simpleCurrentProduct(p[static_cast<std::size_t>(J)], p[static_cast<std::size_t>(K)], TP));
    distinct.insert(p);
  }
  // (S3 x S3) x Z2 acts faithfully on (Z2 x Z2)^2: all 72 permutations differ.
  EXPECT_EQ(distinct.size(), 72u);
}

TEST_F(CosetPermutationsTest, AskingAgainKeepsTheImagesAndARebuildRemakesThem) {
  // The images of a symmetrised product are the same when the cache is set up again, and
  // after the product is symmetrised anew.
  runAll({"tensor", "g d 4 1", "g d 4 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_NE(CT_getCurrentOuterAutomorphisms(TP), nullptr);
  std::vector<int> first;
  for (int s = 0; s < 72; ++s)
    for (int J = 0; J < 16; ++J) first.push_back(CT_getCurrentPermutation(TP, s, J));
  const auto images = [&] {
    std::vector<int> out;
    for (int s = 0; s < 72; ++s)
      for (int J = 0; J < 16; ++J) out.push_back(CT_getCurrentPermutation(TP, s, J));
    return out;
  };
  EXPECT_EQ(CT_getCurrentPermutation(TP, -1, 0), 72);
  EXPECT_EQ(images(), first);
  TP->SymmetryFlag = 0;
  ASSERT_NE(CT_getCurrentOuterAutomorphisms(TP), nullptr);
  EXPECT_EQ(CT_getCurrentPermutation(TP, -1, 0), 72);
  EXPECT_EQ(images(), first);
  // Symmetries that are only the exchange (automorphisms ignored) give other images.
  setIgnoreOuterAutomorphisms(1);
  TP->SymmetryFlag = 0;
  ASSERT_NE(CT_getCurrentOuterAutomorphisms(TP), nullptr);
  ASSERT_EQ(CT_getCurrentPermutation(TP, -1, 0), 2);
  for (int J = 0; J < 16; ++J) {
    // The exchange maps (x, y) to (y, x): the current of labels (a, b) to that of (b, a).
    const int image = CT_getCurrentPermutation(TP, 1, J);
    ASSERT_GE(image, 0);
    EXPECT_EQ(CT_getCurrentPermutation(TP, 1, image), J) << "an exchange is its own inverse";
  }
  EXPECT_NE(CT_getCurrentPermutation(TP, 1, 1), 1) << "the exchange moves a current of one factor";
}

TEST_F(CosetPermutationsTest, TheExtensionListCoversEveryPairInOrder) {
  // Without currents both lists hold every (a, p), numbered a P + p.
  runAll({"tensor", "g d 4 1", "g d 4 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(CT_TotalOuterAutomorphisms(TP), 72);
  EXPECT_EQ(CT_getCurrentPermutationForExtension(TP, -1, 0), 72);
  for (int s = 0; s < 72; ++s)
    for (int J = 0; J < 16; ++J)
      EXPECT_EQ(CT_getCurrentPermutationForExtension(TP, s, J), CT_getCurrentPermutation(TP, s, J));
}

TEST_F(CosetPermutationsTest, AnUninitialisedCacheIsAnAlert) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "compute spectrum"});
  EXPECT_EQ(CT_getCurrentPermutationForExtension(currentTensor, 0, 0), -1);
  EXPECT_TRUE(alerted("Unexpected initialization error"));
}

TEST_F(CosetPermutationsTest, AChangeOfTheProductRebuildsTheSymmetries) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "compute spectrum"});
  EXPECT_EQ(CT_TotalOuterAutomorphisms(currentTensor), 2);
  runAll({"g a 1 1", "compute spectrum"});
  EXPECT_EQ(currentTensor->SymmetryFlag, 0);
  EXPECT_EQ(currentTensor->CurrentPermutations.Nfill, 0) << "stale current images dropped";
  EXPECT_EQ(CT_TotalOuterAutomorphisms(currentTensor), 6);
  ASSERT_NE(CT_getCurrentOuterAutomorphisms(currentTensor), nullptr);
  EXPECT_EQ(currentTensor->CurrentPermutations.rowsize, 8);  // Z2^3
}

TEST_F(CosetPermutationsTest, AZeroGrowthStepIsAnAlertAndARefusal) {
  runAll({"tensor", "g a 1 1", "g a 1 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  TP->AutomorphismsTimesPermutations.increment0 = 0;
  TP->AutomorphismsTimesPermutations.increment = 0;
  CT_SymmetrizeTensorProduct(TP);
  EXPECT_NE(capture.diagnostics.find("Zero increment for Tensor Outer automorphisms times Permutations"),
            std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(TP->SymmetryFlag, 0);
  EXPECT_EQ(TP->AutomorphismsTimesPermutations.Nfill, 0);
  // The program goes on: with a sound growth step the same product is symmetrised.
  TP->AutomorphismsTimesPermutations.increment0 = 100;
  CT_SymmetrizeTensorProduct(TP);
  EXPECT_EQ(TP->SymmetryFlag, 1);
  EXPECT_EQ(TP->AutomorphismsTimesPermutations.Nfill, 2);
}

TEST_F(CosetPermutationsTest, AtMostAThousandSymmetriesGetCurrentImages) {
  // Seven A1 level 1 factors: 7! = 5040 symmetries, 2^7 currents.
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1",
          "compute spectrum"});
  TensorProduct* TP = currentTensor;
  EXPECT_EQ(CT_TotalOuterAutomorphisms(TP), 5040);
  EXPECT_EQ(TP->CurrentPermutations.Nfill, 1000);
  EXPECT_NE(capture.printed.find("Allocated 5040 x 128 integers for CurrPerms\n"), std::string::npos);
  // The invariant enumeration sets the cache up once more after the symmetrisation: the
  // same allocation, announced once.
  EXPECT_EQ(CT_getCurrentPermutation(TP, -1, 0), 5040);
  const std::string line = "Allocated 5040 x 128 integers for CurrPerms\n";
  const std::size_t first = capture.printed.find(line);
  EXPECT_EQ(capture.printed.find(line, first + 1), std::string::npos) << capture.printed;
  // Beyond the stored rows images are computed on demand, and still permutations.
  std::vector<int> image;
  for (int J = 0; J < 128; ++J) image.push_back(CT_getCurrentPermutation(TP, 5039, J));
  EXPECT_TRUE(isPermutation(image));
}

// ---------------------------------------------------------------------------------------
// Exchanges of two identical factors on the whole spectrum

TEST_F(CosetPermutationsTest, ExchangingTwoDifferentFactorsIsNotAPermutation) {
  runAll({"tensor", "g a 1 1", "g a 1 2", "compute spectrum"});
  capture.clear();
  EXPECT_EQ(ComputePermutation(currentTensor, 0, 1, 0), -1);
  EXPECT_TRUE(alerted("This is not a permutation"));
  EXPECT_TRUE(CloseTensorPermutations(currentTensor, 0, 1, 0, nullptr, nullptr).empty());
}

TEST_F(CosetPermutationsTest, ACurrentsImageHasItsLabelsRearranged) {
  // A1_1^3 x A1_2^2: currents Z2^5 (labels 1 resp. 2 on any factors), symmetries S3 x S2.
  // The image of a current under (a, p) is the current whose label on factor i is the
  // label on factor p(i); every current and symmetry, after each of two set-ups.
  runAll({"tensor", "g a 1 1", "g a 1 1", "g a 1 2", "g a 1 1", "g a 1 2", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_NE(CT_getCurrentOuterAutomorphisms(TP), nullptr);
  ASSERT_EQ(TP->AutomorphismsTimesPermutations.Nfill, 12);
  ASSERT_EQ(TP->NumberOfSimpleCurrents, 32);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(CT_getCurrentPermutation(TP, -1, 0), 12);
    for (int s = 0; s < 12; ++s) {
      const std::vector<int> pair = row(TP->AutomorphismsTimesPermutations, s, 2);
      const std::vector<int> perm = row(TP->FullPermutations, pair[1], 5);
      for (int J = 0; J < 32; ++J) {
        const int image = CT_getCurrentPermutation(TP, s, J);
        ASSERT_GE(image, 0);
        for (int i = 0; i < 5; ++i) {
          ASSERT_EQ(TensorField(TP, image)[i], TensorField(TP, J)[perm[static_cast<std::size_t>(i)]])
              << "symmetry " << s << " current " << J << " factor " << i;
        }
      }
    }
  }
}

TEST_F(CosetPermutationsTest, WithoutFixedPointsEveryImageFollowsFromTheLabels) {
  // A1_2 x A1_2 without currents: 9 fields, the exchange is an involution (l1,l2) -> (l2,l1)
  // fixing the 3 diagonal fields.
  runAll({"tensor", "g a 1 2", "g a 1 2", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  capture.clear();
  const std::vector<int> p = CloseTensorPermutations(TP, 0, 1, 0, nullptr, nullptr);
  ASSERT_EQ(p.size(), 9u);
  int fixed = 0;
  for (int k = 0; k < 9; ++k) {
    const int image = p[static_cast<std::size_t>(k)];
    ASSERT_GE(image, 0);
    EXPECT_EQ(p[static_cast<std::size_t>(image)], k);
    EXPECT_EQ(TensorField(TP, image)[0], TensorField(TP, k)[1]);
    EXPECT_EQ(TensorField(TP, image)[1], TensorField(TP, k)[0]);
    fixed += image == k ? 1 : 0;
  }
  EXPECT_EQ(fixed, 3);
  EXPECT_EQ(capture.printed.find("not resolved"), std::string::npos);
}

TEST_F(CosetPermutationsTest, ResolvedFixedPointsNeedAnAssignment) {
  // SO(6) level 1 from A1_2 x A1_2 and (1,1): the two spinors are the resolved fixed point
  // (1,1); the labels cannot tell which goes to which.
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(TP->NumberOfPrimaries, 4);
  int spinor = -1;
  for (int f = 0; f < 4 && spinor < 0; ++f)
    if (StabilizerOrder(TP, f) == 2) spinor = f;
  ASSERT_GE(spinor, 0);
  const int other = spinor == 2 ? 3 : 2;
  capture.clear();
  EXPECT_EQ(ComputePermutation(TP, 0, 1, spinor), -2);
  EXPECT_EQ(capture.printed, "Field " + std::to_string(spinor) + " is resolved into 2 irreducible components\n");
  capture.clear();
  std::vector<int> p = CloseTensorPermutations(TP, 0, 1, 0, nullptr, nullptr);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[static_cast<std::size_t>(spinor)], -2);
  EXPECT_NE(capture.printed.find("Permutation " + std::to_string(spinor) + " not resolved\n"), std::string::npos);
  // Given the exchange of the spinors, the permutation is complete.
  const int x[] = {spinor};
  const int y[] = {other};
  p = CloseTensorPermutations(TP, 0, 1, 1, x, y);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[static_cast<std::size_t>(spinor)], other);
  EXPECT_EQ(p[static_cast<std::size_t>(other)], spinor);
  EXPECT_EQ(p[0], 0);
  // The vacuum is fixed by the labels: declaring it exchanged with the spinor contradicts.
  capture.clear();
  const int x0[] = {0};
  const int y0[] = {spinor};
  EXPECT_TRUE(CloseTensorPermutations(TP, 0, 1, 1, x0, y0).empty());
  EXPECT_TRUE(alerted("Incorrect degeneracy resolution"));
}

TEST_F(CosetPermutationsTest, ExchangeImagesAreTheOrbitsOfTheExchangedLabels) {
  // SU(2)_4^3 extended by (J, J, 0), J = field 1 (weight 2 x 1 = 2): exchanging the first
  // two factors keeps the algebra {(0,0,0), (J,J,0)}. A field without fixed points goes to
  // the field whose labels lie in the algebra orbit of its exchanged labels; a fixed point
  // (stabiliser order 2) to a fixed point, which the labels cannot resolve.
  runAll({"tensor", "g a 1 4", "g a 1 4", "g a 1 4", "current 1 1 0", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  SpectrumData* A1 = TP->TensorFactors[0];
  const int N = TP->NumberOfPrimaries;
  // (a, b, c) with a + b even (13 of 25 pairs) in 7 orbits of (J, J, 0), times 5 values of
  // c, and the fixed orbits (2, 2, c) twice: 35 + 5.
  ASSERT_EQ(N, 40);
  const auto inOrbitOf = [&](const std::vector<int>& x, int f) {
    const int* y = TensorField(TP, f);
    for (int t = 0; t < 2; ++t) {
      bool same = true;
      for (int i = 0; i < 3; ++i) same = same && SM_SimpleAction(A1, i < 2 ? t : 0, x[static_cast<std::size_t>(i)]) == y[i];
      if (same) return true;
    }
    return false;
  };
  capture.clear();
  const std::vector<int> p = CloseTensorPermutations(TP, 0, 1, 0, nullptr, nullptr);
  ASSERT_EQ(p.size(), static_cast<std::size_t>(N));
  int unresolved = 0;
  for (int k = 0; k < N; ++k) {
    const int* labels = TensorField(TP, k);
    const std::vector<int> exchanged = {labels[1], labels[0], labels[2]};
    if (StabilizerOrder(TP, k) >= 2) {
      EXPECT_EQ(p[static_cast<std::size_t>(k)], -2) << k;
      ++unresolved;
      continue;
    }
    const int image = p[static_cast<std::size_t>(k)];
    ASSERT_GE(image, 0) << k;
    EXPECT_TRUE(inOrbitOf(exchanged, image)) << k << " -> " << image;
    EXPECT_EQ(p[static_cast<std::size_t>(image)], k) << "an exchange is an involution";
  }
  // J takes Dynkin label l to 4 - l: (J, J, 0) fixes (2, 2, c), c = 0 .. 4, each resolved in two.
  EXPECT_EQ(unresolved, 10);
}

TEST_F(CosetPermutationsTest, AnExchangeThatTakesACurrentOutOfTheAlgebraIsNoSymmetry) {
  // SU(2)_4^2 extended by (J, 0): the exchange gives (0, J), not in the algebra. The field
  // (0, spin 1/2) has charge 0 under (J, 0); its exchange (spin 1/2, 0) has charge 1/2.
  runAll({"tensor", "g a 1 4", "g a 1 4", "current 1 0", "compute spectrum"});
  capture.clear();
  EXPECT_TRUE(CloseTensorPermutations(currentTensor, 0, 1, 0, nullptr, nullptr).empty());
  EXPECT_TRUE(alerted("This permutation is not a symmetry of the algebra"));
}

TEST_F(CosetPermutationsTest, TheWholeSpectrumExchangeLooksForCtrlC) {
  // SU(2)_2^2: no fixed points, so no fusion is asked for; the loop over the fields itself
  // answers a Ctrl-C.
  runAll({"tensor", "g a 1 2", "g a 1 2", "compute spectrum"});
  interrupt_test::pressControlC();
  EXPECT_THROW(CloseTensorPermutations(currentTensor, 0, 1, 0, nullptr, nullptr), StopRequest);
  interrupt_test::release();
  EXPECT_EQ(CloseTensorPermutations(currentTensor, 0, 1, 0, nullptr, nullptr).size(), 9u);
}

TEST_F(CosetPermutationsTest, TheExtensionListHasNoImagesForPairsThatLeaveTheChiralAlgebra) {
  // SU(3)_1^3 extended by (1, 1, 1) (weight 3 x 1/3 = 1): the algebra {(t, t, t)}, the
  // extension's currents Z3. The extension's list holds 4 x 3! pairs (conjugation on the
  // last two factors; the first one's is fixed); a conjugated factor turns the 1 of the
  // current into 2, so only the 6 pairs without conjugation keep the algebra. The others
  // map no current of the extension to a current: their images are -1, quietly.
  runAll({"tensor", "g a 2 1", "g a 2 1", "g a 2 1", "current 1 1 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(TP->NumberOfSimpleCurrents, 3);
  capture.clear();
  EXPECT_EQ(CT_getIntegerSpinPermutations(TP, nullptr), 0);
  EXPECT_EQ(capture.printed, "Permutations: 6; Outer automorphisms: 4\n");
  ASSERT_EQ(CT_getTotalOuterAutomorphismCount(TP), 24);
  const int P = TP->FullPermutations.Nfill;
  SpectrumData* A2 = TP->TensorFactors[0];
  // The current whose labels differ from x by an element (t, t, t) of the algebra.
  const auto currentOf = [&](const std::vector<int>& x) {
    for (int c = 0; c < 3; ++c) {
      for (int t = 0; t < 3; ++t) {
        bool same = true;
        for (int i = 0; i < 3; ++i) same = same && SM_SimpleAction(A2, t, TensorField(TP, c)[i]) == x[static_cast<std::size_t>(i)];
        if (same) return c;
      }
    }
    return -1;
  };
  int kept = 0;
  for (int s = 0; s < 24; ++s) {
    const bool keeps = row(TP->OuterAutomorphisms, s / P, 3) == std::vector<int>{0, 0, 0};
    const std::vector<int> perm = row(TP->FullPermutations, s % P, 3);
    kept += keeps ? 1 : 0;
    for (int c = 1; c < 3; ++c) {
      const int image = CT_getCurrentPermutationForExtension(TP, s, c);
      if (!keeps) {
        EXPECT_EQ(image, -1) << "pair " << s << " current " << c;
        continue;
      }
      std::vector<int> permuted(3);
      for (int i = 0; i < 3; ++i) permuted[static_cast<std::size_t>(i)] = TensorField(TP, c)[perm[static_cast<std::size_t>(i)]];
      EXPECT_EQ(image, currentOf(permuted)) << "pair " << s << " current " << c;
    }
  }
  EXPECT_EQ(kept, 6);
  EXPECT_TRUE(silent());
}

TEST_F(CosetPermutationsTest, FindBasisOnAGepnerModelListsTheBasesOfItsSymmetries) {
  // D5 x (N=2, k=3)^5 extended by its supersymmetry current: the five N=2 factors are
  // permuted freely (5! = 120); no conjugation of N=2 factors keeps the supersymmetry
  // current, whose label on D5 (never conjugated) fixes the power of it that could be its
  // image. Each of the 120 symmetries gives one permuted basis; the other pairs of the
  // extension's list give none, and nothing is reported.
  gepnerProduct(33333, 5);
  runAll({"compute spectrum"});
  TensorProduct* TP = currentTensor;
  int J = -1;
  for (int c = 1; c < TP->NumberOfSimpleCurrents && J < 0; ++c) {
    Rat h;
    CT_fieldRatWeight(TP, c, &h);
    if (h.den == 1) J = c;
  }
  ASSERT_GT(J, 0) << "an integer-spin current";
  capture.clear();
  const int result = run(("find basis " + std::to_string(J)).c_str());
  ASSERT_EQ(result, 0) << capture.printed << capture.diagnostics;
  std::size_t bases = 0;
  for (std::size_t at = capture.printed.find("basis  ("); at != std::string::npos;
       at = capture.printed.find("basis  (", at + 1))
    ++bases;
  EXPECT_EQ(bases, 120u) << capture.printed;
  EXPECT_TRUE(silent());
}

TEST_F(CosetPermutationsTest, IntegerSpinPermutationsCountEveryPair) {
  runAll({"tensor", "g d 4 1", "g d 4 1", "compute spectrum"});
  capture.clear();
  EXPECT_EQ(CT_getIntegerSpinPermutations(currentTensor, nullptr), 0);
  EXPECT_EQ(capture.printed, "Permutations: 2; Outer automorphisms: 36\n");
  EXPECT_EQ(CT_getTotalOuterAutomorphismCount(currentTensor), 72);
  // The cache is ready: the exchange (a = 0, p = 1) maps a current to a current.
  EXPECT_GE(CT_getCurrentPermutationForExtension(currentTensor, 1, 1), 1);
}

TEST_F(CosetPermutationsTest, AStoppedSetUpOfTheImagesLeavesNoCache) {
  // The set-up of the current images looks for Ctrl-C; stopped, it leaves the cache
  // uninitialised (an alert when asked), not half its images, and a new set-up serves.
  runAll({"tensor", "g d 4 1", "g d 4 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(CT_getIntegerSpinPermutations(TP, nullptr), 0);
  const int image = CT_getCurrentPermutationForExtension(TP, 1, 1);
  ASSERT_GE(image, 1);
  interrupt_test::pressControlC();
  EXPECT_THROW(CT_getCurrentPermutationForExtension(TP, -1, 0), StopRequest);
  interrupt_test::release();
  capture.clear();
  EXPECT_EQ(CT_getCurrentPermutationForExtension(TP, 1, 1), -1);
  EXPECT_TRUE(alerted("Unexpected initialization error"));
  EXPECT_EQ(CT_getCurrentPermutationForExtension(TP, -1, 0), 72);
  EXPECT_EQ(CT_getCurrentPermutationForExtension(TP, 1, 1), image);
}

TEST_F(CosetPermutationsTest, TwoTranspositionsCloseToTheSymmetricGroup) {
  VectorSpace space(10, "test permutations");
  initVectorCollection(&space, 3, 10);
  std::vector<int> row{0, 1, 2, -1, -1};
  addVectorToCollection(&space, row.data());
  row = {1, 0, 2, -1, -1};
  addVectorToCollection(&space, row.data());
  row = {0, 2, 1, -1, -1};
  addVectorToCollection(&space, row.data());
  closeIntegerSpinPermutations(&space, 3);
  EXPECT_EQ(space.Nfill, 6);  // |S3|
}

// ---------------------------------------------------------------------------------------
// The command

TEST_F(CosetPermutationsTest, BrowsePermutationsListsTheCurrentPermutations) {
  runAll({"algebra a 2 1"});
  capture.clear();
  runAll({"Browse permutations"});
  EXPECT_EQ(capture.printed,
            "The following algebra outer automorphisms are known\nP(  0): (0,1,2)\nP(  1): (0,2,1)\n");
  runAll({"tensor"});
  capture.clear();
  runAll({"Browse permutations"});
  EXPECT_EQ(capture.printed, "No symmetrization available\n");
}

}  // namespace
