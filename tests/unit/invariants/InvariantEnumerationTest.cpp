// Simple-current invariants: the enumeration order and counts, the monodromy data, the
// built matrices (modular invariance, known A-D-E forms, Ishibashi counts), MIPF numbers,
// resume points, subgroup selection, random scans from a fixed seed, inconsistent X, and
// scans stopped by Ctrl-C.
#include "invariants/Invariants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "InterruptTestSupport.h"
#include "InvariantEnumerationTestSupport.h"
#include "groups/Discrete.h"
#include "interpreter/Interpreter.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

using enumeration_test::allInvariants;
using enumeration_test::allInvariantsOfCurrentTheory;
using enumeration_test::expectModular;
using enumeration_test::Matrix;
using enumeration_test::storeSU2Level4CubedInvariants;
using modular_test::a1Field;
using modular_test::useTheory;

class InvariantEnumerationTest : public ZoqTest {};

// The count of the default hook over the whole centre, every number wanted.
int countAll(int type, int rank, int level, int reject) {
  useTheory(type, rank, level);
  setIntPar("Reject permutations", reject);
  setMIPFSelection(nullptr);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  return ComputeAllSimpleCurrentInvariants(centre, map);
}

TEST_F(InvariantEnumerationTest, CountsFollowTheEffectiveCentre) {
  // A1 level k: the current J (h_J = k/4, order 2) is in the effective centre exactly for
  // even k, adding one invariant (the D series) to the diagonal one.
  for (int k = 1; k <= 8; ++k) EXPECT_EQ(countAll(1, 1, k, 0), k % 2 == 0 ? 2 : 1) << "A1 level " << k;
  // A2 level k: the Z3 current has h_J = k/3 and 3 h_J integral, so always two.
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(countAll(1, 2, k, 0), 2) << "A2 level " << k;
  // D4 level 1: the six permutations of the three fields of weight 1/2; up to the S3 of the
  // centre they are the identity, a transposition and a three-cycle.
  EXPECT_EQ(countAll(4, 4, 1, 0), 6);
  EXPECT_EQ(countAll(4, 4, 1, 1), 3);
  EXPECT_EQ(allInvariants(4, 4, 1, 0).size(), 6u);
}

TEST_F(InvariantEnumerationTest, PermutationRejectionKeepsOneInvariantOfEachClass) {
  // Three A1 level 2 factors: the currents have weight 1/2 and mutual charge 0, so an
  // invariant is a subgroup G of F2^3 with a symmetric form B on G, B(g,g) = |g| mod 2:
  // sum over k of [3 k]_2 2^(k(k-1)/2) = 1 + 7 + 14 + 8 = 30. Under the S3 of the factors
  // (Burnside: identity 30, each transposition fixes 14, each three-cycle 6) there are
  // (30 + 3*14 + 2*6) / 6 = 14 classes.
  ASSERT_EQ(executeCommandLine("tensor"), 0);
  for (int k = 0; k < 3; ++k) ASSERT_LE(executeCommandLine("g a 1 2"), 0);
  ASSERT_LE(executeCommandLine("compute spectrum"), 0);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  ASSERT_EQ(centre->order, 8);
  setIntPar("Reject permutations", 0);
  setMIPFSelection(nullptr);
  EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), 30);
  setIntPar("Reject permutations", 1);
  setMIPFSelection(nullptr);
  EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), 14);
  for (const Matrix& Z : allInvariantsOfCurrentTheory()) expectModular(Z, "A1:2^3", 2);
}

TEST_F(InvariantEnumerationTest, ThePermutationsKeepingAnInvariantAreThoseThatKeepX) {
  storeSU2Level4CubedInvariants();
  ASSERT_LE(executeCommandLine("select invariant 11"), 0);
  SimpleCurrentData* MD = (*getCurrentBulk())->MD.get();
  ASSERT_EQ(MD->group->order, 8);
  ASSERT_EQ(std::vector<int>(MD->map.begin(), MD->map.begin() + 8), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  const int* X = xMatrix(MD);
  ASSERT_EQ(std::vector<int>(X, X + 9), (std::vector<int>{0, 0, 0, 0, 0, 1, 0, 1, 0}));
  // The acceptance test of the scan kept exactly the permutations whose X' equals X: its
  // list has as many entries as its count.
  EXPECT_EQ(MD->stabilizer.size(), static_cast<std::size_t>(MD->stabilizer_count));
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{0, 1}));

  addPermutationInfo(MD);
  // G is the whole centre: all 3! permutations of the factors map it onto itself.
  EXPECT_EQ(MD->perm_subgroup, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // X pairs generators 2 and 3 only, so X' = X exactly for the permutations that fix
  // factor 1: the identity and the exchange of factors 2 and 3.
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{0, 1}));
  EXPECT_EQ(MD->stabilizer_count, 2);
  EXPECT_EQ(computeGroupPermutation(1, 1), 1);
  EXPECT_EQ(computeGroupPermutation(1, 2), 4);
  EXPECT_EQ(computeGroupPermutation(1, 4), 2);
}

TEST_F(InvariantEnumerationTest, StabilizerFollowsTheCurrentXAndPermutationList) {
  storeSU2Level4CubedInvariants();
  ASSERT_LE(executeCommandLine("select invariant 11"), 0);
  SimpleCurrentData* MD = (*getCurrentBulk())->MD.get();
  addPermutationInfo(MD);
  ASSERT_EQ(MD->stabilizer, (std::vector<int>{0, 1}));
  // The permutations are walked in the order listed; the same X gives the same members.
  MD->perm_subgroup = {5, 1, 3, 0};
  ASSERT_EQ(checkPermutationAcceptance(MD), 1);
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{1, 0}));
  // X' is linear in X: X = 0 is kept by every permutation of the list.
  int* X = xMatrix(MD);
  const std::vector<int> saved(X, X + 9);
  std::fill(X, X + 9, 0);
  ASSERT_EQ(checkPermutationAcceptance(MD), 1);
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{5, 1, 3, 0}));
  EXPECT_EQ(MD->stabilizer_count, 4);
  // Back to the invariant's X and a shorter list: both of its permutations keep X again.
  std::copy(saved.begin(), saved.end(), X);
  MD->perm_subgroup = {1, 0};
  ASSERT_EQ(checkPermutationAcceptance(MD), 1);
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{1, 0}));
}

TEST_F(InvariantEnumerationTest, PermutedXOfAFactorPermutationPermutesRowsAndColumns) {
  storeSU2Level4CubedInvariants();
  ASSERT_LE(executeCommandLine("select invariant 11"), 0);
  SimpleCurrentData* MD = (*getCurrentBulk())->MD.get();
  addPermutationInfo(MD);
  const int* X = xMatrix(MD);
  // The basis currents are 1, 2 and 4 (one per factor); a permutation of the factors maps
  // basis current a to basis current pi(a), and then X'(a, b) = N X(pi a, pi b) / N.
  const int basis[] = {1, 2, 4};
  for (int p = 0; p < 6; ++p) {
    int pi[3];
    for (int a = 0; a < 3; ++a) {
      const int image = computeGroupPermutation(p, basis[a]);
      pi[a] = image == 1 ? 0 : (image == 2 ? 1 : (image == 4 ? 2 : -1));
      ASSERT_GE(pi[a], 0);
    }
    std::vector<int> expected(9);
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) expected[static_cast<std::size_t>(3 * a + b)] = X[3 * pi[a] + pi[b]];
    }
    std::vector<int> permuted;
    ASSERT_TRUE(getPermutedXmatrix(3, MD, p, &permuted));
    EXPECT_EQ(permuted, expected) << "permutation " << p;
  }
}

TEST_F(InvariantEnumerationTest, EveryPermutationKeepsTheInvariantOfTheTrivialGroup) {
  storeSU2Level4CubedInvariants();
  ASSERT_LE(executeCommandLine("select invariant 0"), 0);
  SimpleCurrentData* MD = (*getCurrentBulk())->MD.get();
  ASSERT_EQ(MD->group->order, 1);
  // No generators: X and every permuted X are empty, so every permutation of the
  // subgroup (here all six of the factors) keeps the diagonal invariant.
  addPermutationInfo(MD);
  EXPECT_EQ(MD->perm_subgroup, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(MD->stabilizer, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(MD->stabilizer_count, 6);
}

TEST_F(InvariantEnumerationTest, LargerTheoriesGiveModularInvariants) {
  struct Case {
    const char* name;
    int type, rank, maxLevel;
  };
  for (const Case c : {Case{"B2", 2, 2, 6}, Case{"D4", 4, 4, 3}, Case{"E6", 5, 6, 3}, Case{"E7", 5, 7, 3}}) {
    for (int k = 1; k <= c.maxLevel; ++k) {
      for (int reject = 0; reject <= 1; ++reject) {
        const std::vector<Matrix> all = allInvariants(c.type, c.rank, k, reject);
        EXPECT_GE(all.size(), 1u);
        for (const Matrix& Z : all) expectModular(Z, c.name, k);
      }
    }
  }
}

TEST_F(InvariantEnumerationTest, SmallTheoriesGiveModularInvariants) {
  for (int k = 1; k <= 12; ++k) {
    for (const Matrix& Z : allInvariants(1, 1, k, 0)) expectModular(Z, "A1", k);
  }
  for (int k = 1; k <= 6; ++k) {
    for (const Matrix& Z : allInvariants(1, 2, k, 0)) expectModular(Z, "A2", k);
  }
}

TEST_F(InvariantEnumerationTest, A1InvariantsAreTheDSeries) {
  // Level 4: |chi_0 + chi_4|^2 + 2 |chi_2|^2.
  {
    const std::vector<Matrix> all = allInvariants(1, 1, 4, 0);
    ASSERT_EQ(all.size(), 2u);
    const SpectrumData* sd = currentSD;
    const Matrix& Z = all[1];
    auto f = [&](int l) { return a1Field(sd, l); };
    EXPECT_EQ(Z[f(0)][f(0)], 1);
    EXPECT_EQ(Z[f(0)][f(4)], 1);
    EXPECT_EQ(Z[f(4)][f(0)], 1);
    EXPECT_EQ(Z[f(4)][f(4)], 1);
    EXPECT_EQ(Z[f(2)][f(2)], 2);
    EXPECT_EQ(Z[f(1)][f(1)], 0);
    EXPECT_EQ(Z[f(3)][f(3)], 0);
    EXPECT_EQ(Z[f(1)][f(3)], 0);
  }
  // Level 6: the automorphism l -> 6 - l on odd l.
  {
    const std::vector<Matrix> all = allInvariants(1, 1, 6, 0);
    ASSERT_EQ(all.size(), 2u);
    const SpectrumData* sd = currentSD;
    const Matrix& Z = all[1];
    for (int l = 0; l <= 6; ++l) {
      for (int m = 0; m <= 6; ++m) {
        const int expected = (l % 2 == 0 ? m == l : m == 6 - l) ? 1 : 0;
        EXPECT_EQ(Z[a1Field(sd, l)][a1Field(sd, m)], expected) << l << "," << m;
      }
    }
  }
}

TEST_F(InvariantEnumerationTest, A2LevelOneGivesTheConjugationInvariant) {
  const std::vector<Matrix> all = allInvariants(1, 2, 1, 0);
  ASSERT_EQ(all.size(), 2u);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(all[0][i][j], i == j ? 1 : 0);
      EXPECT_EQ(all[1][i][j], j == getConjugate(i) ? 1 : 0);
    }
  }
  // A2 level 1 has a complex pair, so the conjugation invariant differs from the diagonal.
  EXPECT_NE(getConjugate(1), 1);
}

TEST_F(InvariantEnumerationTest, MonodromyDiagonalMatchesTheCurrentWeight) {
  // For one generator J of order N in the effective centre: X = R/2 with R even in
  // [0, 2N) and X = -N h_J mod N.
  struct Case {
    int type, rank, level;
  };
  for (const Case c : {Case{1, 1, 2}, Case{1, 1, 4}, Case{1, 1, 6}, Case{1, 2, 1}, Case{1, 2, 2},
                       Case{1, 3, 2}, Case{1, 3, 4}}) {
    useTheory(c.type, c.rank, c.level);
    const int J = 1;
    auto md = allocNewSCData(nullptr);
    std::vector<int> elements{0, J};
    DG_closeSubgroup(elements, nullptr, simpleProduct);
    std::vector<int> canonical(elements.size());
    std::vector<int> orders(static_cast<std::size_t>(getCenter()->order), 0);
    md->group = DG_mapSubProductNEW(canonical.data(), orders.data(), getCenter()->order,
                                    static_cast<int>(elements.size()), elements.data(), nullptr,
                                    simpleProduct, nullptr);
    ASSERT_NE(md->group, nullptr);
    ASSERT_EQ(md->group->nfactors, 1);
    md->map.assign(canonical.begin(), canonical.end());
    md->monodromies.assign(2, 0);
    computeMonodromies(md.get());
    const int N = md->group->factors[0];
    const int R = md->monodromies[0];
    EXPECT_EQ(R % 2, 0) << c.type << c.rank << c.level;
    EXPECT_GE(R, 0);
    EXPECT_LT(R, 2 * N);
    Rat h = *ratWeight(currentOfElement(md.get(), DG_basis(md->group, 0)));
    // X = R/2 and N h_J add up to a multiple of N.
    EXPECT_EQ((static_cast<long long>(R / 2) * h.den + static_cast<long long>(N) * h.num) % (N * h.den), 0)
        << c.type << c.rank << c.level;
  }
}

TEST_F(InvariantEnumerationTest, IshibashiLabelsOfTheDInvariants) {
  // |chi_0+chi_4|^2 + 2|chi_2|^2 pairs 0, 4 and twice 2 diagonally: 4 labels; the level-6
  // automorphism fixes 0, 2, 4, 6 and 3: 5 labels.
  useTheory(1, 1, 4);
  ASSERT_NE(getBulkInvariantByNumber(1), nullptr);
  EXPECT_EQ((*getCurrentBulk())->ishibashi_count, 4);
  EXPECT_EQ((*getCurrentBulk())->symmetric, 1);
  EXPECT_EQ((*getCurrentBulk())->MD->kernel_size, 2);
  useTheory(1, 1, 6);
  ASSERT_NE(getBulkInvariantByNumber(1), nullptr);
  EXPECT_EQ((*getCurrentBulk())->ishibashi_count, 5);
  EXPECT_EQ((*getCurrentBulk())->MD->kernel_size, 1);
}

TEST_F(InvariantEnumerationTest, NumbersSelectInvariantsAndMissingNumbersFail) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  BulkInvariant* bi = getBulkInvariantByNumber(1);
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bi, *getCurrentBulk());
  EXPECT_EQ(bi->MD->mipf_number, 1);
  EXPECT_EQ(bi->MD->subgroup_label, 1);
  EXPECT_EQ(bulkEntry(bi, a1Field(sd, 0), a1Field(sd, 4)), 1);
  EXPECT_EQ(getMIPF_ID(), 1);

  bi = getBulkInvariantByNumber(0);
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bi->diagonal, 1);

  capture.clear();
  // A search for one number generates only that MIPF, so it prints no total (a 0 there
  // read as "no MIPFs"); it counts the two there are and refuses number 2.
  EXPECT_EQ(getBulkInvariantByNumber(2), nullptr);
  EXPECT_EQ(capture.printed.find("MIPFs generated"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("MIPF number 2 out of range (total MIPFs 2)"), std::string::npos);
}

TEST_F(InvariantEnumerationTest, TheLoopCommandRunsUpToLoopEnd) {
  useTheory(1, 1, 4);
  setLoopCommand("total primaries");
  setMIPFSelection(nullptr);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  capture.clear();
  EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), 2);
  EXPECT_EQ(capture.printed, "5\n5\nTotal number of MIPFs generated: 2\n");
  // MIPF 1 lies beyond "Loop end" 0: the scan stops there as if the wanted one was found.
  setIntPar("Loop end", 0);
  setMIPFSelection(nullptr);
  capture.clear();
  EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), 1);
  EXPECT_EQ(capture.printed, "5\nInvariant found\n");
  // A failing loop command stops the scan with -3.
  setIntPar("Loop end", 2000000000);
  setLoopCommand("no_such_command_anywhere");
  setMIPFSelection(nullptr);
  EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), -3);
}

TEST_F(InvariantEnumerationTest, AResumePointSkipsSubgroupsAndRenumbers) {
  useTheory(1, 1, 4);
  setSubgroupStart(1, 5);
  EXPECT_EQ(getBulkInvariantByNumber(0), nullptr);  // subgroup 0 is skipped
  BulkInvariant* bi = getBulkInvariantByNumber(5);
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bi->MD->mipf_number, 5);
  EXPECT_EQ(bi->MD->subgroup_label, 1);
  EXPECT_EQ(bi->diagonal, 0);
}

TEST_F(InvariantEnumerationTest, WithoutAutostoreTheCountBoundsTheNumbersGiven) {
  // SU(2) level 4: two MIPFs, A and D, numbered 0 and 1. The diagonal invariant registered
  // when the modular mode starts is the only stored one; it does not bound the numbers.
  useTheory(1, 1, 4);
  storeCurrentBulkInvariant();
  ASSERT_EQ(*getIntParPointer("Autostore"), 0);
  EXPECT_EQ(TotalInvariants(), -1);
  setMIPFSelection(nullptr);
  buildSelectedSimpleCurrentInvariants();
  EXPECT_EQ(storedInvariantCount(), 1);
  EXPECT_EQ(TotalInvariants(), 2);
  BulkInvariant* d = getBulkInvariantByNumber(1);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->diagonal, 0);
  EXPECT_EQ(d->MD->mipf_number, 1);
  // A reset of the store forgets the collection.
  resetInvariantStore();
  EXPECT_EQ(TotalInvariants(), -1);
}

TEST_F(InvariantEnumerationTest, AutostoreNumbersEqualTheStoredNames) {
  useTheory(1, 1, 4);
  storeCurrentBulkInvariant();
  setIntPar("Autostore", 1);
  setMIPFSelection(nullptr);
  buildSelectedSimpleCurrentInvariants();
  EXPECT_EQ(TotalInvariants(), 2);
  BulkInvariant* first = findNamedBulkInvariant("Invariant_1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->MD->mipf_number, 1);
  EXPECT_EQ(first->MD->subgroup_label, 1);
  EXPECT_EQ(first->diagonal, 0);
  // A second scan finds both stored already.
  setMIPFSelection(nullptr);
  buildSelectedSimpleCurrentInvariants();
  EXPECT_EQ(storedInvariantCount(), 2);
  EXPECT_EQ(findNamedBulkInvariant("Invariant_2"), nullptr);
}

TEST_F(InvariantEnumerationTest, AutoselectPicksTheNumberedInvariantOfTheSubgroup) {
  useTheory(4, 4, 1);
  setIntPar("Reject permutations", 0);
  const int currents[] = {1, 2};
  setSelection(2);
  EXPECT_EQ(selectBulkInvariantInSubgroup(currents, 2), 1);
  BulkInvariant* bi = *getCurrentBulk();
  // The second X of Z2 x Z2: a three-cycle of the fields 1, 2, 3.
  int fixedFields = 0;
  for (int i = 0; i < 4; ++i) {
    int rowSum = 0;
    for (int j = 0; j < 4; ++j) rowSum += bulkEntry(bi, i, j);
    EXPECT_EQ(rowSum, 1);
    if (bulkEntry(bi, i, i) == 1) ++fixedFields;
  }
  EXPECT_EQ(fixedFields, 1);

  // No third invariant: the previous current invariant comes back.
  setSelection(3);
  EXPECT_EQ(selectBulkInvariantInSubgroup(currents, 2), 0);
  EXPECT_EQ(bulkEntry(*getCurrentBulk(), 1, 1), bulkEntry(bi, 1, 1));
  // The identity alone selects nothing.
  const int identity[] = {0};
  EXPECT_EQ(selectBulkInvariantInSubgroup(identity, 1), 0);
}

TEST_F(InvariantEnumerationTest, AnInvalidSubgroupContributesNothing) {
  useTheory(1, 1, 3);  // h_J = 3/4: 2 h_J is not integral
  const int current[] = {1};
  capture.clear();
  EXPECT_EQ(ComputeAllSubgroupInvariants(current, 1, nullptr), 0);
  EXPECT_NE(capture.all.find("Subgroup contains invalid currents (effective center check)"), std::string::npos);
}

TEST_F(InvariantEnumerationTest, ATruncatedBuildIsCompletedOnRecompute) {
  const SpectrumData* sd = useTheory(1, 1, 6);
  ASSERT_NE(getBulkInvariantByNumber(1), nullptr);
  auto bi = allocNewBulkInvariant("truncated");
  copyBulkInvariant(bi.get(), *getCurrentBulk());
  bi->MD->group = (*getCurrentBulk())->MD->group;
  const int selection[] = {a1Field(sd, 1)};
  makeSimpleCurrentBulkInvariantSelected(bi.get(), selection, 1);
  EXPECT_EQ(bi->MD->truncated, 1);
  EXPECT_EQ(bulkEntry(bi.get(), a1Field(sd, 1), a1Field(sd, 5)), 1);
  EXPECT_EQ(bulkEntry(bi.get(), a1Field(sd, 3), a1Field(sd, 3)), 0);  // not built
  capture.clear();
  RecomputeBulkInvariant(bi.get());
  EXPECT_EQ(capture.printed, "Re-computing MIPF (because of previous truncation)\n");
  EXPECT_EQ(bi->MD->truncated, 0);
  EXPECT_EQ(bulkEntry(bi.get(), a1Field(sd, 3), a1Field(sd, 3)), 1);
  EXPECT_EQ(bulkEntry(bi.get(), a1Field(sd, 5), a1Field(sd, 1)), 1);
  // A complete record is left alone.
  capture.clear();
  RecomputeBulkInvariant(bi.get());
  EXPECT_EQ(capture.printed, "");
}

// ---------------------------------------------------------------------------------------
// X loops on a hand-made record: R = 0 for the group Z4 x Z4 (or Z2^3).

std::vector<std::vector<int>> recordedX;

int recordX(SimpleCurrentData* MD) {
  const int n = MD->group->nfactors;
  const int* X = xMatrix(MD);
  recordedX.emplace_back(X, X + n * n);
  return 1;
}

std::unique_ptr<SimpleCurrentData> syntheticRecord(std::vector<int> factors) {
  auto md = allocNewSCData(nullptr);
  md->group = DG_find(factors.data(), static_cast<int>(factors.size()));
  const std::size_t n = factors.size();
  md->monodromies.assign(2 * n * n, 0);
  return md;
}

class XLoopTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    recordedX.clear();
    previous = setMIPFAnalysisFunction(recordX);
  }
  void TearDown() override { setMIPFAnalysisFunction(previous); }
  MipfAnalysisFcn previous = nullptr;
};

TEST_F(XLoopTest, TheLastPairRunsFastest) {
  auto md = syntheticRecord({2, 2, 2});
  EXPECT_EQ(generateInvariants(md.get()), 8);  // gcd 2 for each of three pairs
  ASSERT_EQ(recordedX.size(), 8u);
  // Pairs (0,1), (0,2), (1,2): X_01, X_02, X_12 count in binary, X_12 fastest.
  for (int t = 0; t < 8; ++t) {
    const std::vector<int>& X = recordedX[static_cast<std::size_t>(t)];
    EXPECT_EQ(X[0 * 3 + 1], (t >> 2) & 1);
    EXPECT_EQ(X[0 * 3 + 2], (t >> 1) & 1);
    EXPECT_EQ(X[1 * 3 + 2], t & 1);
    // With R = 0, X + X^T vanishes modulo 2: X_ba = X_ab here.
    EXPECT_EQ(X[1 * 3 + 0], X[0 * 3 + 1]);
  }
  EXPECT_EQ(md->n_pairs, 3);
}

TEST_F(XLoopTest, OneGeneratorGivesOneCandidate) {
  auto md = syntheticRecord({5});
  EXPECT_EQ(generateInvariants(md.get()), 1);
  EXPECT_EQ(recordedX.size(), 1u);
  auto trivial = syntheticRecord({});
  EXPECT_EQ(generateInvariants(trivial.get()), 1);
}

TEST_F(XLoopTest, RandomScansAreReproducibleFromTheSeed) {
  auto md = syntheticRecord({4, 4});
  setIntPar("MIPF random", 3);  // 3 <= 4 loop points: sampled
  seedRandom(17);
  capture.clear();
  EXPECT_EQ(generateInvariants(md.get()), 3);
  EXPECT_EQ(capture.printed, "Xmatrix loops too large (4 > 3); using random scan\n");
  const std::vector<std::vector<int>> first = recordedX;
  recordedX.clear();
  seedRandom(17);
  capture.clear();
  EXPECT_EQ(generateInvariants(md.get()), 3);
  EXPECT_EQ(recordedX, first);
  EXPECT_EQ(capture.printed, "Xmatrix loops too large (4 > 3); using random scan; 1 occurrences so far\n");
  for (const std::vector<int>& X : first) {
    EXPECT_GE(X[1], 0);
    EXPECT_LT(X[1], 4);
  }
  // As many samples as points: still sampled.
  recordedX.clear();
  setIntPar("MIPF random", 4);
  capture.clear();
  EXPECT_EQ(generateInvariants(md.get()), 4);
  EXPECT_EQ(capture.printed, "Xmatrix loops too large (4 > 4); using random scan; 2 occurrences so far\n");
  // More samples than points: every point once, in order.
  recordedX.clear();
  setIntPar("MIPF random", 5);
  EXPECT_EQ(generateInvariants(md.get()), 4);
  ASSERT_EQ(recordedX.size(), 4u);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(recordedX[static_cast<std::size_t>(t)][1], t);
}

TEST_F(XLoopTest, SymmetricLoopsWithFewPairsEnumerateFully) {
  auto md = syntheticRecord({4, 4});
  setIntPar("MIPF random", 1);
  capture.clear();
  // One pair with gcd 4 (even): t in 0..1, both visited despite "MIPF random" 1.
  EXPECT_EQ(generateSymmetricInvariants(md.get()), 2);
  EXPECT_EQ(capture.printed, "");
  for (const std::vector<int>& X : recordedX) EXPECT_EQ(X[1], X[2]);  // N_a = N_b: X symmetric
}

TEST_F(XLoopTest, AnOddMonodromyForAnEvenOrderGivesNoSymmetricInvariant) {
  auto md = syntheticRecord({2, 2});
  md->monodromies[1] = 1;  // R_01 odd, N_0 = 2
  EXPECT_EQ(generateSymmetricInvariants(md.get()), 0);
  EXPECT_TRUE(recordedX.empty());
}

TEST_F(XLoopTest, AnInconsistentXIsReportedAndSkipped) {
  auto md = syntheticRecord({3});
  md->monodromies[0] = 0;
  md->monodromies[1] = 1;  // 2 X_00 - R_00 = 2, not divisible by 3
  capture.clear();
  EXPECT_EQ(checkXmatrix(md.get()), 1);
  EXPECT_NE(capture.all.find("X matrix does not satisfy conditions"), std::string::npos);
  md->monodromies[1] = 0;
  EXPECT_EQ(checkXmatrix(md.get()), 0);
  // Inside the loops the candidate is counted and never reaches the hook.
  const long long before = inconsistentXCount();
  md->monodromies[0] = 1;  // R_00 = 1: X_00 = 0 then fails 2 X_00 = R_00 mod 3
  EXPECT_EQ(generateInvariants(md.get()), 0);
  EXPECT_TRUE(recordedX.empty());
  EXPECT_EQ(inconsistentXCount(), before + 1);
}

TEST_F(XLoopTest, HugeLoopCountsAreNotWrapped) {
  setIntPar("MIPF random", 7);
  capture.clear();
  PrintRandomScanWarning(5e12);
  EXPECT_EQ(capture.printed, "Xmatrix loops too large (  5000000000000 > 7); using random scan\n");
}

// ---------------------------------------------------------------------------------------
// Ctrl-C: the scans stop at once and leave no scan state behind.

class EnumerationInterruptTest : public ZoqTest {
 protected:
  void TearDown() override {
    interrupt_test::release();
    setMIPFAnalysisFunction(nullptr);
  }
};

int candidatesSeen = 0;

int countCandidate(SimpleCurrentData*) {
  ++candidatesSeen;
  return 1;
}

// The default hook, pressing Ctrl-C once it has seen the first candidate of a subgroup of
// order 4 (before the second X of Z2 x Z2, which the X loop's poll then refuses).
int pressAtOrderFour(SimpleCurrentData* MD) {
  const int result = computeInvariant(MD);
  if (MD->group != nullptr && MD->group->order == 4) interrupt_test::pressControlC();
  return result;
}

TEST_F(EnumerationInterruptTest, CtrlCInTheSubgroupSearchEndsTheScanBeforeAnyCandidate) {
  // Three A1 level 2 factors: 30 invariants, 14 up to the S3 of the factors (see above).
  ASSERT_EQ(executeCommandLine("tensor"), 0);
  for (int k = 0; k < 3; ++k) ASSERT_LE(executeCommandLine("g a 1 2"), 0);
  ASSERT_LE(executeCommandLine("compute spectrum"), 0);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  for (const auto& [reject, count] : {std::pair{1, 14}, std::pair{0, 30}}) {
    setIntPar("Reject permutations", reject);
    setMIPFSelection(nullptr);
    candidatesSeen = 0;
    setMIPFAnalysisFunction(countCandidate);
    interrupt_test::pressControlC();
    EXPECT_THROW(ComputeAllSimpleCurrentInvariants(centre, map), StopRequest) << reject;
    EXPECT_EQ(candidatesSeen, 0) << reject;
    // Stopped in the search itself: no chain of subgroups, not even a part of one.
    EXPECT_EQ(DG_firstSubgroup(), nullptr) << reject;
    interrupt_test::release();
    setMIPFAnalysisFunction(nullptr);
    setMIPFSelection(nullptr);
    EXPECT_EQ(ComputeAllSimpleCurrentInvariants(centre, map), count) << reject;
  }
}

TEST_F(EnumerationInterruptTest, AStoppedSearchForANumberLeavesNoScanStateBehind) {
  // D4 level 1 without permutation rejection: MIPFs 0 to 3 from {0} and the three Z2,
  // 4 and 5 from the two X of Z2 x Z2. The search for 5 is stopped between 4 and 5.
  useTheory(4, 4, 1);
  setIntPar("Reject permutations", 0);
  BulkInvariant* before = *getCurrentBulk();
  ASSERT_NE(before, nullptr);
  setMIPFAnalysisFunction(pressAtOrderFour);
  EXPECT_THROW(getBulkInvariantByNumber(5), StopRequest);
  interrupt_test::release();
  setMIPFAnalysisFunction(nullptr);
  EXPECT_EQ(*getCurrentBulk(), before);
  EXPECT_EQ(getMIPFSelection(), std::vector<int>{-1});
  // No subgroup is running: a record stored now carries no subgroup label of the scan.
  ASSERT_EQ(storeBulkInvariant("kept", before, 1, 0), before);
  EXPECT_EQ(findNamedBulkInvariant("kept")->MD->subgroup_label, -1);
  // The next scan of all numbers counts the six and makes none of them current.
  setMIPFSelection(nullptr);
  capture.clear();
  buildSelectedSimpleCurrentInvariants();
  EXPECT_NE(capture.printed.find("Total number of MIPFs generated: 6\n"), std::string::npos) << capture.printed;
  EXPECT_EQ(*getCurrentBulk(), before);
}

TEST_F(EnumerationInterruptTest, AStoppedSubgroupSelectionLeavesTheSelectionMode) {
  useTheory(4, 4, 1);
  setIntPar("Reject permutations", 0);
  const int currents[] = {1, 2};
  setSelection(2);
  setMIPFAnalysisFunction(pressAtOrderFour);
  EXPECT_THROW(selectBulkInvariantInSubgroup(currents, 2), StopRequest);
  interrupt_test::release();
  setMIPFAnalysisFunction(nullptr);
  setSelection(0);
  // A scan of the whole centre numbers all six again, none taken for a subgroup's choice.
  EXPECT_EQ(countAll(4, 4, 1, 0), 6);
}

TEST_F(EnumerationInterruptTest, AStoppedCollectionRestoresAutostoreAndTheCurrentInvariant) {
  // The collection stores while it runs ("Autostore" on for the run); "Autostore" was off,
  // so the store is emptied at the end, stopped or not.
  useTheory(4, 4, 1);
  setIntPar("Reject permutations", 0);
  ASSERT_EQ(*getIntParPointer("Autostore"), 0);
  BulkInvariant* before = *getCurrentBulk();
  setMIPFAnalysisFunction(pressAtOrderFour);
  EXPECT_THROW(buildMultipleSimpleCurrentInvariants(nullptr, 1), StopRequest);
  interrupt_test::release();
  setMIPFAnalysisFunction(nullptr);
  EXPECT_EQ(*getIntParPointer("Autostore"), 0);
  EXPECT_EQ(storedInvariantCount(), 0);
  EXPECT_EQ(*getCurrentBulk(), getLocalBulk());
  EXPECT_EQ(before->diagonal, 1);
  EXPECT_EQ((*getCurrentBulk())->diagonal, 1);
}

}  // namespace
