// Representation classes, branching tables and lattice extensions: class dimensions of
// the orthogonal and exceptional algebras, the built-in embeddings and their chains
// (checked against dimension counts of the subgroup decompositions), the table cache and
// its signs, the inverse branching and the identification of extended lattices.
#include "lie/Branching.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "TestSupport.h"

namespace {

constexpr int B = kTypeB, D = kTypeD, E = kTypeExceptional;

using BranchingTest = ZoqTest;

std::vector<int> adjointOf(const BranchingTable* t) { return {t->adjoint, t->adjoint + 4}; }
std::vector<int> rowOf(const BranchingTable* t, int i) { return {t->table[i], t->table[i] + 4}; }

// Class dimensions written out from the groups: SO(2r+1) vector 2r+1, spinor 2^r; SO(2r)
// vector 2r, spinors 2^(r-1); F4 26, E6 27, E7 56. Independent of repDim.
long long classDimension(int type, int rank, int c) {
  if (c == 0) return 1;
  if (type == B) return c == -1 ? rank * (2 * rank + 1) : c == 1 ? 2 * rank + 1 : 1LL << rank;
  if (type == D) return c == -1 ? rank * (2 * rank - 1) : c == 2 ? 2 * rank : 1LL << (rank - 1);
  switch (rank) {
    case 4: return c == -1 ? 52 : 26;
    case 6: return c == -1 ? 78 : 27;
    case 7: return c == -1 ? 133 : 56;
    default: return 248;
  }
}

// --- Classes ------------------------------------------------------------------------------

TEST_F(BranchingTest, ClassCountsAndDimensionsOfTheLatticeAlgebras) {
  EXPECT_EQ(RepCnt(B, 4), 3);
  EXPECT_EQ(RepCnt(D, 5), 4);
  EXPECT_EQ(RepCnt(E, 4), 2);
  EXPECT_EQ(RepCnt(E, 6), 3);
  EXPECT_EQ(RepCnt(E, 7), 2);
  EXPECT_EQ(RepCnt(E, 8), 1);
  EXPECT_EQ(RepCnt(E, 2), 0);  // G2 has no classes here
  EXPECT_EQ(RepCnt(1, 3), 0);
  struct {
    int type, rank, c, dim;
  } cases[] = {{B, 4, 1, 9},     {B, 4, 2, 16},    {B, 4, -1, 36},  {D, 5, 1, 16},
               {D, 5, 2, 10},    {D, 5, 3, 16},    {D, 5, -1, 45},  {D, 8, 1, 128},
               {E, 4, 1, 26},    {E, 4, -1, 52},   {E, 6, 1, 27},   {E, 6, 2, 27},
               {E, 6, -1, 78},   {E, 7, 1, 56},    {E, 7, -1, 133}, {E, 8, -1, 248},
               {1, 3, 0, 1},     {B, 30, 2, 1 << 30}};
  for (auto c : cases) EXPECT_EQ(repDim(c.type, c.rank, c.c), c.dim) << c.type << "," << c.rank << "," << c.c;
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, UnknownClassesAreReported) {
  EXPECT_EQ(repDim(1, 3, 1), 0);
  EXPECT_TRUE(alerted("Unexpected type/rank"));
  EXPECT_EQ(repDim(E, 8, 1), 0);  // E8 has the singlet class only
  EXPECT_TRUE(alerted("Unexpected type/rank"));
  EXPECT_EQ(repDim(D, 5, 4), 0);
  EXPECT_TRUE(alerted("Unexpected type/rank"));
}

TEST_F(BranchingTest, TotalDimensionsOfAContent) {
  const int mult[4] = {3, 2, 1, 5};
  std::array<int, 4> total = getTotalRepDim(D, 5, mult);
  EXPECT_EQ(total, (std::array<int, 4>{3, 32, 10, 80}));
  total = getTotalRepDim(E, 6, mult);  // only the three classes of E6
  EXPECT_EQ(total, (std::array<int, 4>{3, 54, 27, 0}));
}

TEST_F(BranchingTest, OrthogonalGroupData) {
  EXPECT_EQ(SOdim(B, 4), 9);
  EXPECT_EQ(SOdim(D, 8), 16);
  EXPECT_EQ(VectorIndex(B), 1);
  EXPECT_EQ(VectorIndex(D), 2);
  EXPECT_TRUE(silent());
  EXPECT_EQ(SOdim(E, 6), -1);
  EXPECT_TRUE(alerted("Type 5 is not an orthogonal group"));
  EXPECT_EQ(VectorIndex(1), 0);
  EXPECT_TRUE(alerted("Type 1 is not an orthogonal group"));
}

TEST_F(BranchingTest, CovariantLatticeDimensions) {
  // The exceptional lattices carry 2, 4, 8, 16 supercharges in d = 3, 4, 6, 10.
  EXPECT_EQ(getCovLatDim(E, 4), 3);
  EXPECT_EQ(getCovLatDim(E, 6), 4);
  EXPECT_EQ(getCovLatDim(E, 7), 6);
  EXPECT_EQ(getCovLatDim(E, 8), 10);
  EXPECT_EQ(getCovLatDim(D, 8), 10);
  EXPECT_EQ(getCovLatDim(B, 4), 3);
  EXPECT_TRUE(silent());
  EXPECT_EQ(getCovLatDim(E, 5), 0);
  EXPECT_TRUE(alerted("Not a covariant lattice"));
}

TEST_F(BranchingTest, ChiralAlgebrasEmbeddingsAndResolution) {
  EXPECT_EQ(isChiral(D, 5), 1);
  EXPECT_EQ(isChiral(E, 6), 1);
  EXPECT_EQ(isChiral(B, 5), 0);
  EXPECT_EQ(isChiral(E, 7), 0);
  EXPECT_EQ(chiralEmbedding(B, 6, D, 4), 1);
  EXPECT_EQ(chiralEmbedding(D, 6, D, 4), 1);
  EXPECT_EQ(chiralEmbedding(E, 8, D, 8), 1);
  EXPECT_EQ(chiralEmbedding(E, 7, D, 6), 1);
  EXPECT_EQ(chiralEmbedding(D, 6, D, 5), 0);
  EXPECT_EQ(chiralEmbedding(E, 6, D, 5), 0);
  // 27 and 27bar differ in D5 (16 against 16bar) but not in F4 (1 + 26 both).
  EXPECT_EQ(ChiralityResolved(E, 6, D, 5), 1);
  EXPECT_EQ(ChiralityResolved(E, 6, E, 6), 1);
  EXPECT_EQ(ChiralityResolved(E, 6, E, 4), 0);
  // The two spinors of D_r give the same content in any smaller D_s.
  EXPECT_EQ(ChiralityResolved(D, 6, D, 6), 1);
  EXPECT_EQ(ChiralityResolved(D, 6, D, 5), 0);
  EXPECT_EQ(ChiralityResolved(B, 6, D, 4), 1);
  EXPECT_EQ(ChiralityResolved(E, 8, D, 8), 1);
}

// --- Built-in tables ----------------------------------------------------------------------

TEST_F(BranchingTest, ExceptionalEmbeddingsHaveTheirKnownContents) {
  // E8 > E7 x SU(2): 248 = (133,1) + (1,3) + (56,2).
  const BranchingTable* t = makeBranchingTable(E, 8, E, 7, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{3, 2, 0, 0}));
  EXPECT_EQ(t->nReps, 1);
  EXPECT_EQ(t->nSubReps, 2);
  // E7 > E6 x U(1): 133 = 78 + 1 + 27 + 27bar, 56 = 1 + 1 + 27 + 27bar.
  t = makeBranchingTable(E, 7, E, 6, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{1, 1, 1, 0}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{2, 1, 1, 0}));
  // E6 > SO(10) x U(1): 78 = 45 + 1 + 16 + 16bar, 27 = 1 + 16 + 10, 27bar = 1 + 16bar + 10.
  t = makeBranchingTable(E, 6, D, 5, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{1, 1, 0, 1}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{1, 1, 1, 0}));
  EXPECT_EQ(rowOf(t, 2), (std::vector<int>{1, 0, 1, 1}));
  // F4 > SO(9): 52 = 36 + 16, 26 = 1 + 9 + 16.
  t = makeBranchingTable(E, 4, B, 4, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{0, 0, 1, 0}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{1, 1, 1, 0}));
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, TheSignPicksTheSpinorOfAChiralEmbedding) {
  // E8 > SO(16): 248 = 120 + 128 with 128 either spinor.
  EXPECT_EQ(adjointOf(makeBranchingTable(E, 8, D, 8, 1)), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(adjointOf(makeBranchingTable(E, 8, D, 8, -1)), (std::vector<int>{0, 0, 0, 1}));
  // Sign 0 and "unspecified" are the +1 image, and the same cached table.
  EXPECT_EQ(makeBranchingTable(E, 8, D, 8, 0), makeBranchingTable(E, 8, D, 8, 1));
  EXPECT_EQ(makeBranchingTable(E, 8, D, 8, kUnspecifiedChirality), makeBranchingTable(E, 8, D, 8, 1));
  EXPECT_EQ(makeBranchingTable(E, 8, D, 8, 0)->sign, 1);
  // E7 > SO(12) x SU(2): 133 = (66,1) + (1,3) + (32,2), 56 = (12,2) + (32',1).
  const BranchingTable* plus = makeBranchingTable(E, 7, D, 6, 1);
  EXPECT_EQ(adjointOf(plus), (std::vector<int>{3, 2, 0, 0}));
  EXPECT_EQ(rowOf(plus, 1), (std::vector<int>{0, 0, 2, 1}));
  const BranchingTable* minus = makeBranchingTable(E, 7, D, 6, -1);
  EXPECT_EQ(adjointOf(minus), (std::vector<int>{3, 0, 0, 2}));
  EXPECT_EQ(rowOf(minus, 1), (std::vector<int>{0, 1, 2, 0}));
}

TEST_F(BranchingTest, TrialityImagesOfSOEightInSOEleven) {
  // SO(11) > SO(8) x SO(3): 55 = 28 + 3 + 3 x 8, 11 = 3 + 8, 32 = 2 x (8s + 8c); the sign
  // rotates which 8 plays the vector.
  const BranchingTable* zero = makeBranchingTable(B, 5, D, 4, 0);
  EXPECT_EQ(adjointOf(zero), (std::vector<int>{3, 0, 3, 0}));
  EXPECT_EQ(rowOf(zero, 1), (std::vector<int>{3, 0, 1, 0}));
  EXPECT_EQ(rowOf(zero, 2), (std::vector<int>{0, 2, 0, 2}));
  const BranchingTable* plus = makeBranchingTable(B, 5, D, 4, 1);
  EXPECT_EQ(adjointOf(plus), (std::vector<int>{3, 3, 0, 0}));
  EXPECT_EQ(rowOf(plus, 1), (std::vector<int>{3, 1, 0, 0}));
  EXPECT_EQ(rowOf(plus, 2), (std::vector<int>{0, 0, 2, 2}));
  const BranchingTable* minus = makeBranchingTable(B, 5, D, 4, -1);
  EXPECT_EQ(adjointOf(minus), (std::vector<int>{3, 0, 0, 3}));
  EXPECT_EQ(rowOf(minus, 2), (std::vector<int>{0, 2, 2, 0}));
  EXPECT_NE(zero, plus);
  EXPECT_NE(plus, minus);
  EXPECT_EQ(makeBranchingTable(B, 5, D, 4, kUnspecifiedChirality), zero);
}

TEST_F(BranchingTest, OrthogonalEmbeddings) {
  // SO(16) > SO(10) x SO(6): 120 = 45 + 15 + 6 x 10, 128 = 4 x (16 + 16bar), 16 = 10 + 6.
  const BranchingTable* t = makeBranchingTable(D, 8, D, 5, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{15, 0, 6, 0}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{0, 4, 0, 4}));
  EXPECT_EQ(rowOf(t, 2), (std::vector<int>{6, 0, 1, 0}));
  // SO(13) > SO(7) x SO(6): 13 = 6 + 7, 64 = 8 x 8.
  t = makeBranchingTable(B, 6, B, 3, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{15, 6, 0, 0}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{6, 1, 0, 0}));
  EXPECT_EQ(rowOf(t, 2), (std::vector<int>{0, 0, 8, 0}));
  // SO(11) > SO(10): 11 = 1 + 10, 32 = 16 + 16bar.
  t = makeBranchingTable(B, 5, D, 5, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{0, 0, 1, 0}));
  EXPECT_EQ(rowOf(t, 2), (std::vector<int>{0, 1, 0, 1}));
  // SO(16) > SO(7) x SO(9): 16 = 9 + 7, 128 = 16 x 8.
  t = makeBranchingTable(D, 8, B, 3, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{36, 9, 0, 0}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{0, 0, 16, 0}));
  EXPECT_EQ(rowOf(t, 2), (std::vector<int>{9, 1, 0, 0}));
  EXPECT_TRUE(silent());
}

// --- Chains -------------------------------------------------------------------------------

TEST_F(BranchingTest, EEightToESixIsTheProductThroughESeven) {
  // E8 > E6 x SU(3): 248 = (78,1) + (1,8) + (27,3) + (27bar,3bar).
  const BranchingTable* t = makeBranchingTable(E, 8, E, 6, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{8, 3, 3, 0}));
  EXPECT_EQ(t->sign, 0);
  EXPECT_EQ(78 + 8 + 3 * 27 + 3 * 27, 248);
  EXPECT_EQ(t, MultiplyTables(makeBranchingTable(E, 8, E, 7, 0), makeBranchingTable(E, 7, E, 6, 0)));
  // E8 > F4 x G2: 248 = (52,1) + (1,14) + (26,7).
  EXPECT_EQ(adjointOf(makeBranchingTable(E, 8, E, 4, 0)), (std::vector<int>{14, 7, 0, 0}));
  // E8 > SO(10) x SO(6): 248 = 45 + 15 + 6 x 10 + 4 x (16 + 16bar).
  t = makeBranchingTable(E, 8, D, 5, 0);
  EXPECT_EQ(adjointOf(t), (std::vector<int>{15, 4, 6, 4}));
  // E8 > SO(8) x SO(8): 248 = 28 + 28 + 8 x (8v + 8s + 8c).
  EXPECT_EQ(adjointOf(makeBranchingTable(E, 8, D, 4, 0)), (std::vector<int>{28, 8, 8, 8}));
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, EveryEmbeddingAndChainAddsUp) {
  struct Embedding {
    int type, rank, subType, subRank;
  } embeddings[] = {
      {E, 8, E, 8}, {E, 8, E, 7}, {E, 8, E, 6}, {E, 8, E, 4}, {E, 8, D, 8}, {E, 8, D, 7},
      {E, 8, D, 5}, {E, 8, D, 4}, {E, 8, B, 7}, {E, 8, B, 4}, {E, 8, B, 3}, {E, 7, E, 6},
      {E, 7, E, 4}, {E, 7, D, 6}, {E, 7, D, 5}, {E, 7, D, 4}, {E, 7, B, 4}, {E, 7, B, 5},
      {E, 6, E, 4}, {E, 6, D, 5}, {E, 6, D, 4}, {E, 6, B, 4}, {E, 6, D, 3}, {E, 4, B, 4},
      {E, 4, D, 4}, {E, 4, B, 3}, {E, 4, D, 3}, {D, 8, B, 3}, {D, 8, D, 4}, {D, 9, D, 2},
      {B, 7, B, 1}, {B, 7, D, 4}, {B, 7, D, 7}, {B, 7, D, 3}, {D, 6, B, 5}, {D, 5, D, 5},
      {B, 4, B, 4}, {E, 6, E, 6}, {E, 7, E, 7}, {E, 4, E, 4}, {D, 12, D, 4}, {B, 12, D, 4}};
  for (const Embedding& e : embeddings) {
    OutputCapture print;
    EXPECT_EQ(checkBranchingTable(e.type, e.rank, e.subType, e.subRank), 0)
        << e.type << "," << e.rank << " > " << e.subType << "," << e.subRank << "\n" << print.printed;
    EXPECT_EQ(print.printed.find("Mismatch"), std::string::npos);
    EXPECT_TRUE(print.diagnostics.empty()) << print.diagnostics;
    // The same count with the test's own dimension formulas, for every sign.
    for (int sign : {1, 0, -1}) {
      const BranchingTable* t = makeBranchingTable(e.type, e.rank, e.subType, e.subRank, sign);
      ASSERT_NE(t, nullptr);
      long long adjoint = 0;
      for (int j = 0; j < t->nSubReps; ++j) adjoint += t->adjoint[j] * classDimension(e.subType, e.subRank, j);
      EXPECT_EQ(adjoint, classDimension(e.type, e.rank, -1) - classDimension(e.subType, e.subRank, -1));
      for (int i = 0; i < t->nReps; ++i) {
        long long content = 0;
        for (int j = 0; j < t->nSubReps; ++j) content += t->table[i][j] * classDimension(e.subType, e.subRank, j);
        EXPECT_EQ(content, classDimension(e.type, e.rank, i)) << "class " << i;
      }
    }
  }
}

TEST_F(BranchingTest, TheCheckPrintsClassesByTheirDimensions) {
  OutputCapture print;
  EXPECT_EQ(checkBranchingTable(E, 8, E, 7), 0);
  EXPECT_EQ(print.printed, "[248] --> [133] + 3 x [1] + 2 x [56]\n[1] --> [1]\n");
  print.clear();
  EXPECT_EQ(checkBranchingTable(E, 6, D, 5), 0);
  EXPECT_EQ(print.printed,
            "[78] --> [45] + [1] + [16] + [16]\n"
            "[1] --> [1]\n"
            "[27] --> [1] + [16] + [10]\n"
            "[27] --> [1] + [10] + [16]\n");
  print.clear();
  EXPECT_EQ(checkBranchingTable(D, 3, D, 4), -1);
  EXPECT_EQ(print.printed, "");
}

TEST_F(BranchingTest, TablesAreBuiltOnceAndKeptForTheRun) {
  const BranchingTable* first = makeBranchingTable(E, 7, D, 4, 0);
  const BranchingTable* again = makeBranchingTable(E, 7, D, 4, 1);  // sign-free: same table
  EXPECT_EQ(first, again);
  EXPECT_EQ(findBranchingTable(E, 7, D, 4, 0), first);
  // Chains leave their intermediate tables cached as well.
  EXPECT_NE(findBranchingTable(E, 7, D, 6, 0), nullptr);
  // Building more tables keeps earlier addresses valid.
  for (int r = 5; r < 30; ++r) makeBranchingTable(D, r + 1, D, r, 0);
  EXPECT_EQ(first->type, E);
  EXPECT_EQ(first->subRank, 4);
  EXPECT_EQ(makeBranchingTable(E, 7, D, 4, 0), first);
  resetBranching();
  EXPECT_EQ(findBranchingTable(E, 7, D, 4, 0), nullptr);
}

// --- Identity tables ----------------------------------------------------------------------

TEST_F(BranchingTest, IdentityTablesAreKeyedByTheirSign) {
  // The -1 identity of D5 exchanges the two spinors, also after the +1 identity was built.
  const BranchingTable* plus = makeBranchingTable(D, 5, D, 5, 1);
  EXPECT_EQ(rowOf(plus, 1), (std::vector<int>{0, 1, 0, 0}));
  const BranchingTable* minus = makeBranchingTable(D, 5, D, 5, -1);
  EXPECT_NE(plus, minus);
  EXPECT_EQ(minus->sign, -1);
  EXPECT_EQ(rowOf(minus, 1), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(rowOf(minus, 3), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(rowOf(minus, 2), (std::vector<int>{0, 0, 1, 0}));
  // 0 and "unspecified" ask for the +1 identity, and find it.
  EXPECT_EQ(makeBranchingTable(D, 5, D, 5, 0), plus);
  EXPECT_EQ(makeBranchingTable(D, 5, D, 5, kUnspecifiedChirality), plus);
  // E6 with -1 exchanges 27 and 27bar.
  makeBranchingTable(E, 6, E, 6, 1);
  const BranchingTable* e6 = makeBranchingTable(E, 6, E, 6, -1);
  EXPECT_EQ(rowOf(e6, 1), (std::vector<int>{0, 0, 1, 0}));
  EXPECT_EQ(rowOf(e6, 2), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(BranchingIsTrivial(e6), 1);
  EXPECT_EQ(BranchingIsTrivial(makeBranchingTable(E, 6, D, 5, 0)), 0);
}

TEST_F(BranchingTest, TheTrivialExtensionIsTheIdentity) {
  LatticeExtension extension;
  trivialExtension(&extension, D, 6, 4);
  ASSERT_NE(extension.table, nullptr);
  EXPECT_EQ(extension.table->sign, 1);
  EXPECT_EQ(rowOf(extension.table, 3), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(extension.count, 1);
  EXPECT_EQ(extension.dimension, 4);
  EXPECT_EQ(std::vector<int>(extension.vector, extension.vector + 4), (std::vector<int>{0, 0, 0, 0}));
}

// --- Bad embeddings -----------------------------------------------------------------------

TEST_F(BranchingTest, EmbeddingsThatAreNotBuiltInAreRefused) {
  EXPECT_EQ(makeBranchingTable(B, 3, D, 4, 0), nullptr);  // SO(7) is smaller than SO(8)
  EXPECT_TRUE(alerted("Branching not built in (Type 2, Rank 3 --> Type 4, Rank 4)"));
  EXPECT_EQ(makeBranchingTable(D, 4, D, 5, 0), nullptr);
  EXPECT_TRUE(alerted("Branching not built in (Type 4, Rank 4 --> Type 4, Rank 5)"));
  EXPECT_EQ(makeBranchingTable(D, 6, B, 6, 0), nullptr);  // SO(13) is not in SO(12)
  EXPECT_TRUE(alerted("Branching not built in"));
  EXPECT_EQ(makeBranchingTable(E, 6, E, 7, 0), nullptr);
  EXPECT_TRUE(alerted("Branching not built in (Type 5, Rank 6 --> Type 5, Rank 7)"));
  // B8 is not the D8 of E8 > SO(16).
  EXPECT_EQ(makeBranchingTable(E, 8, B, 8, 0), nullptr);
  EXPECT_TRUE(alerted("Branching not built in"));
  EXPECT_EQ(makeBranchingTable(1, 3, 1, 2, 0), nullptr);
  EXPECT_TRUE(alerted("Branching not built in (Type 1, Rank 3 --> Type 1, Rank 2)"));
  // A sign that names no image of a chiral embedding.
  EXPECT_EQ(makeBranchingTable(B, 5, D, 4, 5), nullptr);
  EXPECT_TRUE(alerted("Branching not built in (Type 2, Rank 5 --> Type 4, Rank 4)"));
  EXPECT_EQ(findBranchingTable(B, 5, D, 4, 5), nullptr);
}

TEST_F(BranchingTest, ProductsNeedMatchingAlgebras) {
  const BranchingTable* e8e7 = makeBranchingTable(E, 8, E, 7, 0);
  const BranchingTable* e6d5 = makeBranchingTable(E, 6, D, 5, 0);
  EXPECT_EQ(MultiplyTables(e8e7, e6d5), nullptr);
  EXPECT_TRUE(alerted("Invalid consecutive branching"));
  EXPECT_EQ(MultiplyTables(e8e7, nullptr), nullptr);
  // A product that lands on a chiral embedding is reported and still built: SO(12) >
  // SO(10) > SO(8) is the sign-free SO(12) > SO(8) x SO(4).
  const BranchingTable* product = MultiplyTables(makeBranchingTable(D, 6, D, 5, 0), makeBranchingTable(D, 5, D, 4, 0));
  EXPECT_TRUE(alerted("Unexpected chiral embedding as outcome of multiplication"));
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(adjointOf(product), (std::vector<int>{6, 0, 4, 0}));
  EXPECT_EQ(rowOf(product, 1), (std::vector<int>{0, 2, 0, 2}));
  EXPECT_EQ(rowOf(product, 2), (std::vector<int>{4, 0, 1, 0}));
}

// --- Inverse branching --------------------------------------------------------------------

TEST_F(BranchingTest, InverseBranchRecoversTwentySevenAndItsConjugate) {
  const BranchingTable* t = makeBranchingTable(E, 6, D, 5, 0);
  int sub[4] = {2, 1, 2, 1};  // (1 + 16 + 10) + (1 + 10 + 16bar)
  int mult[4] = {9, 9, 9, 9};
  EXPECT_EQ(InverseBranch(t, sub, mult), 1);
  EXPECT_EQ(std::vector<int>(mult, mult + 3), (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(std::vector<int>(sub, sub + 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(BranchingTest, InverseBranchUndoesTheBranchingOfResolvingTables) {
  std::mt19937 rng(7);
  struct Embedding {
    int type, rank, subType, subRank, sign;
  } embeddings[] = {{E, 6, D, 5, 0}, {E, 7, E, 6, 0}, {E, 7, D, 6, 1}, {E, 4, B, 4, 0},
                    {B, 6, D, 4, 0}, {B, 6, B, 3, 0}, {D, 5, D, 5, -1}, {E, 6, E, 6, -1}};
  for (const Embedding& e : embeddings) {
    const BranchingTable* t = makeBranchingTable(e.type, e.rank, e.subType, e.subRank, e.sign);
    ASSERT_NE(t, nullptr);
    for (int trial = 0; trial < 50; ++trial) {
      int want[4] = {}, sub[4] = {}, mult[4] = {};
      for (int i = 0; i < t->nReps; ++i) want[i] = static_cast<int>(rng() % 20);
      for (int i = 0; i < t->nReps; ++i)
        for (int j = 0; j < t->nSubReps; ++j) sub[j] += want[i] * t->table[i][j];
      EXPECT_EQ(InverseBranch(t, sub, mult), 1);
      for (int i = 0; i < t->nReps; ++i) EXPECT_EQ(mult[i], want[i]) << e.type << "," << e.rank;
    }
  }
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, InverseBranchAssignsSharedContentInClassOrder) {
  // SO(12) > SO(10): both spinors of SO(12) give 16 + 16bar, so one spinor's content is
  // ambiguous; it is given to the first spinor class without a message (chirality is not
  // resolved by this embedding).
  const BranchingTable* t = makeBranchingTable(D, 6, D, 5, 0);
  int sub[4] = {0, 1, 0, 1};
  int mult[4] = {};
  EXPECT_EQ(InverseBranch(t, sub, mult), 0);
  EXPECT_EQ(std::vector<int>(mult, mult + 4), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, InverseBranchGivesUnresolvedContentToTheFirstClass) {
  // E6 > D5 > D3: 27 and 27bar both branch to 5 + 2 x 4 + 6 + 2 x 4bar, so 27 + 2 x 27bar
  // gives (15, 6, 3, 6), which is three times the common row.
  const BranchingTable* t = makeBranchingTable(E, 6, D, 3, 0);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(rowOf(t, 1), rowOf(t, 2));
  EXPECT_EQ(rowOf(t, 1), (std::vector<int>{5, 2, 1, 2}));
  int sub[4] = {15, 6, 3, 6};
  int mult[4] = {};
  EXPECT_EQ(InverseBranch(t, sub, mult), 0);
  EXPECT_EQ(std::vector<int>(mult, mult + 3), (std::vector<int>{0, 3, 0}));
  EXPECT_EQ(std::vector<int>(sub, sub + 4), (std::vector<int>{0, 0, 0, 0}));
  // With four singlets besides, the singlet keeps them.
  int withSinglets[4] = {19, 6, 3, 6};
  EXPECT_EQ(InverseBranch(t, withSinglets, mult), 0);
  EXPECT_EQ(std::vector<int>(mult, mult + 3), (std::vector<int>{4, 3, 0}));
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, InverseBranchUndoesTheBranchingOfEveryBuiltTable) {
  // Every table the chains build for ranks up to 10, each sign, seeded random contents:
  // the recovered classes branch back to the same subalgebra content, and where the
  // table resolves chirality they are the classes put in.
  std::vector<std::pair<int, int>> algebras = {{E, 4}, {E, 6}, {E, 7}, {E, 8}};
  for (int rank = 1; rank <= 10; ++rank) algebras.emplace_back(B, rank);
  for (int rank = 2; rank <= 10; ++rank) algebras.emplace_back(D, rank);
  std::mt19937 rng(18);
  int tables = 0;
  for (auto [type, rank] : algebras) {
    for (auto [subType, subRank] : algebras) {
      for (int sign : {1, 0, -1}) {
        const BranchingTable* t = nullptr;
        {
          OutputCapture quiet;  // most pairs are no embedding and say so
          t = makeBranchingTable(type, rank, subType, subRank, sign);
        }
        if (t == nullptr) continue;
        ++tables;
        SCOPED_TRACE(std::to_string(type) + "," + std::to_string(rank) + " > " +
                     std::to_string(subType) + "," + std::to_string(subRank) + " sign " +
                     std::to_string(sign));
        for (int trial = 0; trial < 20; ++trial) {
          int want[4] = {}, sub[4] = {}, mult[4] = {};
          for (int i = 0; i < t->nReps; ++i) want[i] = static_cast<int>(rng() % 5);
          for (int i = 0; i < t->nReps; ++i)
            for (int j = 0; j < t->nSubReps; ++j) sub[j] += want[i] * t->table[i][j];
          std::vector<int> content(sub, sub + 4);
          int result = InverseBranch(t, sub, mult);
          ASSERT_NE(result, -1);
          std::vector<int> back(4, 0);
          for (int i = 0; i < t->nReps; ++i) {
            EXPECT_GE(mult[i], 0);
            for (int j = 0; j < t->nSubReps; ++j) back[j] += mult[i] * t->table[i][j];
          }
          EXPECT_EQ(back, content);
          if (t->chiralityResolved) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(std::vector<int>(mult, mult + 4), std::vector<int>(want, want + 4));
          }
        }
      }
    }
  }
  EXPECT_GT(tables, 150);
}

// --- Lattice extensions -------------------------------------------------------------------

struct Extension {
  int type, rank;
  int c1, c2, c3;
  int newType, newRank, chirality;
};

TEST_F(BranchingTest, ExtensionsOfSOEight) {
  const Extension cases[] = {
      {D, 4, 0, 8, 0, B, 4, 0},      // SO(8) + 8 = SO(9)
      {D, 4, 0, 16, 0, D, 5, 0},     // SO(8) + 2 x 8 = SO(10)
      {D, 4, 8, 0, 0, B, 4, 1},      // the spinor as the ninth direction
      {D, 4, 0, 0, 8, B, 4, -1},
      {D, 4, 8, 8, 8, E, 4, 0},      // 52 = 28 + 3 x 8
      {D, 4, 16, 16, 16, E, 6, 0},   // 78 = 28 + 2 + 6 x 8
      {D, 4, 32, 32, 32, E, 7, 0},   // 133 = 28 + 9 + 12 x 8
      {D, 4, 64, 64, 64, E, 8, 0},   // 248 = 28 + 28 + 24 x 8
      {D, 4, 0, 0, 0, D, 4, 0},
  };
  for (const Extension& c : cases) {
    const int counts[4] = {0, c.c1, c.c2, c.c3};
    int type = -1, rank = -1, chirality = -9;
    EXPECT_EQ(Determine_Extension(c.type, c.rank, counts, &type, &rank, &chirality), 0);
    EXPECT_EQ(type, c.newType) << c.c1 << "," << c.c2 << "," << c.c3;
    EXPECT_EQ(rank, c.newRank) << c.c1 << "," << c.c2 << "," << c.c3;
    EXPECT_EQ(chirality, c.chirality) << c.c1 << "," << c.c2 << "," << c.c3;
  }
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, ExtensionsOfOtherLattices) {
  const Extension cases[] = {
      {D, 5, 16, 0, 16, E, 6, 0},    // 78 = 45 + 1 + 16 + 16bar
      {D, 8, 128, 0, 0, E, 8, 1},    // 248 = 120 + 128
      {D, 8, 0, 0, 128, E, 8, -1},
      {D, 6, 64, 0, 0, E, 7, 1},     // 133 = 66 + 3 + 2 x 32
      {D, 6, 0, 0, 64, E, 7, -1},
      {B, 4, 0, 16, 0, E, 4, 0},     // 52 = 36 + 16
      {D, 5, 0, 10, 0, B, 5, 0},     // SO(10) + 10 = SO(11)
      {D, 5, 0, 20, 0, D, 6, 0},
      {B, 5, 11, 0, 0, D, 6, 0},     // SO(11) + 11 = SO(12)
      {D, 5, 0, 0, 0, D, 5, 1},
      {E, 4, 26, 0, 0, E, 6, 0},     // 78 = 52 + 26
      {E, 4, 78, 0, 0, E, 7, 0},
      {E, 4, 182, 0, 0, E, 8, 0},
      {E, 4, 5, 0, 0, E, 4, 0},
      {E, 6, 27, 27, 0, E, 7, 0},    // 133 = 78 + 1 + 27 + 27bar
      {E, 6, 81, 81, 0, E, 8, 0},    // 248 = 78 + 8 + 3 x (27 + 27bar)
      {E, 7, 112, 0, 0, E, 8, 0},    // 248 = 133 + 3 + 2 x 56
      {E, 8, 0, 0, 0, E, 8, 0},
  };
  for (const Extension& c : cases) {
    const int counts[4] = {0, c.c1, c.c2, c.c3};
    int type = -1, rank = -1, chirality = -9;
    EXPECT_EQ(Determine_Extension(c.type, c.rank, counts, &type, &rank, &chirality), 0);
    EXPECT_EQ(type, c.newType) << c.type << "," << c.rank << ": " << c.c1 << "," << c.c2 << "," << c.c3;
    EXPECT_EQ(rank, c.newRank) << c.type << "," << c.rank << ": " << c.c1 << "," << c.c2 << "," << c.c3;
    EXPECT_EQ(chirality, c.chirality) << c.type << "," << c.rank << ": " << c.c1 << "," << c.c2;
  }
  EXPECT_TRUE(silent());
}

TEST_F(BranchingTest, ExtensionsThatCannotBeIdentified) {
  int type = 0, rank = 0, chirality = 0;
  const int tooFewVectors[4] = {0, 0, 12, 0};
  EXPECT_EQ(Determine_Extension(D, 5, tooFewVectors, &type, &rank, &chirality), 1);
  EXPECT_TRUE(alerted("Incorrect nr. of vectors"));
  const int oddSpinors[4] = {0, 8, 0, 0};
  EXPECT_EQ(Determine_Extension(D, 5, oddSpinors, &type, &rank, &chirality), 1);
  EXPECT_TRUE(alerted("Unidentified SO(N) extension"));
  // Vectors of SO(8) come in whole 8-plets.
  const int partial[4] = {0, 4, 0, 0};
  EXPECT_EQ(Determine_Extension(D, 4, partial, &type, &rank, &chirality), 1);
  EXPECT_TRUE(alerted("Incorrect nr. of vectors"));
  const int none[4] = {0, 0, 0, 0};
  EXPECT_EQ(Determine_Extension(E, 2, none, &type, &rank, &chirality), 1);
  EXPECT_TRUE(alerted("Unknown extension"));
  EXPECT_EQ(Determine_Extension(1, 3, none, &type, &rank, &chirality), 1);
  EXPECT_TRUE(alerted("Unknown extension"));
}

}  // namespace
