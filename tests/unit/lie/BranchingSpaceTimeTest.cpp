// Space-time representations and supersymmetry types: little-group classes and their
// degrees of freedom, products of light-cone classes (checked against the dimensions of
// SO(d-2) tensor products), the decomposition of lattice classes, the known string
// spectra of ten and six dimensions, the parsing and checking of supersymmetry types and
// multiplet codes, and the multiplet browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lie/Branching.h"
#include "program/Boot.h"
#include "TestSupport.h"

namespace {

constexpr int B = kTypeB, D = kTypeD, E = kTypeExceptional;

using BranchingSpaceTimeTest = ZoqTest;

SusyType susy(int type, int rank, int chirality) {
  SusyType t;
  t.type = type;
  t.rank = rank;
  t.chirality = chirality;
  return t;
}

SpaceTimeSymmetry pair(int d, SusyType left, SusyType right) {
  SpaceTimeSymmetry st;
  st.left = left;
  st.right = right;
  st.dimension = d;
  return st;
}

// Boson and fermion degrees of freedom (twice) of a representation vector.
std::pair<long long, long long> degrees(int d, const std::vector<int>& rep) {
  long long bosons = 0, fermions = 0;
  for (int i = 0; i < spaceTimeLength(d); ++i) {
    (isFermion(i) ? fermions : bosons) += static_cast<long long>(rep[i]) * lightconeDim(d, i);
  }
  return {bosons, fermions};
}

std::vector<int> rep(int d, std::initializer_list<std::pair<int, int>> entries) {
  std::vector<int> v(spaceTimeLength(d), 0);
  for (auto [index, multiplicity] : entries) v[index] = multiplicity;
  return v;
}

int chiral(SusyType t, int d) { return SusyIsChiral(&t, d); }
int repsChiral(SusyType t, int d) { return SusyRepsAreChiral(&t, d); }

std::size_t occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

// --- Little-group classes -----------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, TenDimensionalDegreesOfFreedom) {
  // Light-cone SO(8): 8v, 8s, the self-dual 4-form 35+, the graviton 35, B 28, gravitino 56.
  EXPECT_EQ(getDOF(lightconeDim(10, kVector)), "8");
  EXPECT_EQ(getDOF(lightconeDim(10, kChiralSpinor)), "8");
  EXPECT_EQ(getDOF(lightconeDim(10, kSelfDualTensor)), "35");
  EXPECT_EQ(getDOF(lightconeDim(10, kGraviton)), "35");
  EXPECT_EQ(getDOF(lightconeDim(10, kBTensor)), "28");
  EXPECT_EQ(getDOF(lightconeDim(10, kChiralGravitino)), "56");
  EXPECT_EQ(getDOF(lightconeDim(10, kFormClass + 2)), "28");
  EXPECT_EQ(getDOF(lightconeDim(10, kFormClass + 3)), "56");
  // Four dimensions: a Weyl spinor and a scalar RR field.
  EXPECT_EQ(getDOF(lightconeDim(4, kChiralSpinor)), "1");
  EXPECT_EQ(getDOF(lightconeDim(4, kGraviton)), "2");
  EXPECT_EQ(getDOF(lightconeDim(2, kChiralSpinor)), "1/2");
  // Odd d has no self-dual tensors; d = 3 has no propagating graviton.
  EXPECT_EQ(lightconeDim(9, kSelfDualTensor), 0);
  EXPECT_EQ(lightconeDim(3, kGraviton), 0);
  // Two dimensions: d(d-3) and 2^k (d-3) are formally negative.
  EXPECT_EQ(lightconeDim(2, kGraviton), -2);
  EXPECT_EQ(lightconeDim(2, kChiralGravitino), -1);
  EXPECT_EQ(getDOF(-1), "-1/2");
  EXPECT_EQ(getDOF(3), "3/2");
  EXPECT_EQ(getDOF(0), "0");
}

TEST_F(BranchingSpaceTimeTest, NotationAndInterpretationOfTheClasses) {
  EXPECT_EQ(repname(10, kChiralSpinor), "F+");
  EXPECT_EQ(repname(10, kAntiChiralGravitino), "FV-");
  EXPECT_EQ(repname(9, kChiralSpinor), "F");
  EXPECT_EQ(repname(9, kAntiChiralSpinor), "--");
  EXPECT_EQ(repname(10, kFormClass + 2), "A2");
  EXPECT_EQ(repname(26, kFormClass + 11), "A11");
  EXPECT_EQ(LorentzRepInterpretation(10, kAntiSelfDualTensor), "Anti-selfdual tensor");
  EXPECT_EQ(LorentzRepInterpretation(9, kSelfDualTensor), "- NOT USED -");
  EXPECT_EQ(LorentzRepInterpretation(9, kChiralGravitino), "Gravitino");
  EXPECT_EQ(LorentzRepInterpretation(10, kFormClass), "Scalar RR-field");
  EXPECT_EQ(LorentzRepInterpretation(10, kFormClass + 1), "Vector RR-field");
  EXPECT_EQ(LorentzRepInterpretation(10, kFormClass + 3), "3-form RR-field");
  EXPECT_EQ(LorentzRepInterpretation(26, kFormClass + 7), "7-form RR-field");
}

TEST_F(BranchingSpaceTimeTest, FermionsAndSpinors) {
  std::vector<int> fermions;
  for (int i = 0; i < 36; ++i)
    if (isFermion(i)) fermions.push_back(i);
  EXPECT_EQ(fermions, (std::vector<int>{1, 3, 7, 8}));
  EXPECT_EQ(isSpinor(10, 1), 1);
  EXPECT_EQ(isSpinor(10, 3), 1);
  EXPECT_EQ(isSpinor(10, 2), 0);
  EXPECT_EQ(isSpinor(9, 2), 1);
  EXPECT_EQ(isSpinor(9, 1), 0);
}

// --- The table "Lorentz" ------------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, LorentzTableOfThreeDimensions) {
  displayLorentzReps(3);
  EXPECT_EQ(capture.printed,
            "Notation  Interpretation   D.O.F. \n"
            "S0        Scalar           1      \n"
            "F         Spinor           1      \n"
            "V1        Vector           1      \n"
            "--        - NOT USED -     -      \n"
            "G2        Graviton         0      \n"
            "B2        B-tensor         0      \n"
            "D0        Dilaton          1      \n"
            "FV        Gravitino        0      \n"
            "--        - NOT USED -     -      \n"
            "--        - NOT USED -     -      \n"
            "--        - NOT USED -     -      \n"
            "A0        Scalar RR-field  1      \n"
            "A1        Vector RR-field  1      \n");
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, LorentzTablesOfEvenDimensions) {
  displayLorentzReps(4);
  EXPECT_NE(capture.printed.find("\nB2        B-tensor (axion)               1      \n"), std::string::npos);
  EXPECT_NE(capture.printed.find("\nA-        Anti-selfdual tensor (rank 1)  1      \n"), std::string::npos);
  EXPECT_EQ(occurrences(capture.printed, "\n"), 14u);  // header and classes 0 to 12
  capture.clear();
  displayLorentzReps(6);
  EXPECT_NE(capture.printed.find("\nA+        Self-dual tensor (rank 2)      3      \n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("axion"), std::string::npos);
  capture.clear();
  displayLorentzReps(10);
  const char* rows[] = {"F+        Chiral spinor                  8      \n",
                        "V1        Vector                         8      \n",
                        "G2        Graviton                       35     \n",
                        "FV+       Chiral gravitino               56     \n",
                        "A+        Self-dual tensor (rank 4)      35     \n",
                        "A4        4-form RR-field                70     \n"};
  for (const char* row : rows) EXPECT_NE(capture.printed.find(row), std::string::npos) << row;
  EXPECT_EQ(occurrences(capture.printed, "\n"), 17u);  // header and classes 0 to 15
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, LorentzTableDimensionLimits) {
  displayLorentzReps(26);
  EXPECT_EQ(occurrences(capture.printed, "\n"), 25u);  // header and classes 0 to 23
  EXPECT_NE(capture.printed.find("A12       12-form RR-field"), std::string::npos);
  capture.clear();
  displayLorentzReps(27);
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(alerted("Maximal dimension: 26"));
  displayLorentzReps(1);
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(alerted("Minimal dimension: 2"));
}

// --- Products -----------------------------------------------------------------------------

// Every product of two light-cone classes has the dimension of the tensor product of the
// SO(d-2) representations (half the twice-degrees of freedom), and for equal classes the
// symmetric and antisymmetric parts have n(n+1)/2 and n(n-1)/2.
TEST_F(BranchingSpaceTimeTest, ProductsHaveTheDimensionsOfTensorProducts) {
  for (int d = 3; d <= 26; ++d) {
    const int classes = d % 2 == 0 ? 4 : 3;
    // Light-cone classes as little-group classes: even (S0, F+, V1, F-), odd (S0, V1, F).
    const int littleGroup[2][4] = {{kScalar, kChiralSpinor, kVector, kAntiChiralSpinor},
                                   {kScalar, kVector, kChiralSpinor, -1}};
    const int* map = littleGroup[d % 2];
    for (int i = 0; i < classes; ++i) {
      const long long ni = lightconeDim(d, map[i]) / 2;
      for (int j = i; j < classes; ++j) {
        const long long nj = lightconeDim(d, map[j]) / 2;
        auto [b, f] = degrees(d, CovLatTensor(d, i, j, 0));
        EXPECT_EQ((b + f) / 2, ni * nj) << "d=" << d << " " << i << "x" << j;
        // A product is a boson when both or neither factor is a spinor.
        EXPECT_EQ(f == 0, isSpinor(d, i) == isSpinor(d, j)) << "d=" << d << " " << i << "x" << j;
        if (i != j) continue;
        auto [bs, fs] = degrees(d, CovLatTensor(d, i, i, 1));
        auto [ba, fa] = degrees(d, CovLatTensor(d, i, i, -1));
        EXPECT_EQ((bs + fs) / 2, ni * (ni + 1) / 2) << "d=" << d << " class " << i;
        EXPECT_EQ((ba + fa) / 2, ni * (ni - 1) / 2) << "d=" << d << " class " << i;
      }
    }
  }
}

TEST_F(BranchingSpaceTimeTest, SpinorProductsInTenDimensions) {
  // 8s x 8s = (1 + 35+) symmetric + 28 antisymmetric; 8s x 8c = 8v + 56.
  EXPECT_EQ(CovLatTensor(10, 1, 1, 1), rep(10, {{kSelfDualTensor, 1}, {kFormClass, 1}}));
  EXPECT_EQ(CovLatTensor(10, 1, 1, -1), rep(10, {{kFormClass + 2, 1}}));
  EXPECT_EQ(CovLatTensor(10, 3, 3, 0),
            rep(10, {{kAntiSelfDualTensor, 1}, {kFormClass, 1}, {kFormClass + 2, 1}}));
  EXPECT_EQ(CovLatTensor(10, 1, 3, 1), rep(10, {{kFormClass + 1, 1}, {kFormClass + 3, 1}}));
  // 8v x 8s = 56 + 8c; 8v x 8v = (35 + 1) + 28.
  EXPECT_EQ(CovLatTensor(10, 2, 1, 0), rep(10, {{kChiralGravitino, 1}, {kAntiChiralSpinor, 1}}));
  EXPECT_EQ(CovLatTensor(10, 2, 2, 0), rep(10, {{kGraviton, 1}, {kDilaton, 1}, {kBTensor, 1}}));
  EXPECT_EQ(CovLatTensor(10, 0, 0, -1), rep(10, {}));
  // Nine dimensions, SO(7): 8 x 8 = (1 + 35) symmetric + (7 + 21) antisymmetric.
  EXPECT_EQ(CovLatTensor(9, 2, 2, 1), rep(9, {{kFormClass, 1}, {kFormClass + 3, 1}}));
  EXPECT_EQ(CovLatTensor(9, 2, 2, -1), rep(9, {{kFormClass + 1, 1}, {kFormClass + 2, 1}}));
}

TEST_F(BranchingSpaceTimeTest, SymmetrisedProductsObeyFermiStatistics) {
  // Two copies of the vector multiplet (8v + 8s) of d = 10: the symmetric product holds
  // the symmetric part of 8v x 8v and the antisymmetric part of 8s x 8s.
  const int multiplet[4] = {0, 1, 1, 0};
  std::vector<int> symmetric = multiplySpaceTimeReps(10, 1, multiplet, multiplet);
  EXPECT_EQ(symmetric, rep(10, {{kGraviton, 1}, {kDilaton, 1}, {kFormClass + 2, 1},
                                {kChiralGravitino, 1}, {kAntiChiralSpinor, 1}}));
  std::vector<int> antisymmetric = multiplySpaceTimeReps(10, -1, multiplet, multiplet);
  EXPECT_EQ(antisymmetric, rep(10, {{kBTensor, 1}, {kSelfDualTensor, 1}, {kFormClass, 1},
                                    {kChiralGravitino, 1}, {kAntiChiralSpinor, 1}}));
  // Multiplicities: three scalars give 6 symmetric and 3 antisymmetric pairs.
  const int scalars[4] = {3, 0, 0, 0};
  EXPECT_EQ(multiplySpaceTimeReps(10, 1, scalars, scalars)[kScalar], 6);
  EXPECT_EQ(multiplySpaceTimeReps(10, -1, scalars, scalars)[kScalar], 3);
  EXPECT_EQ(multiplySpaceTimeReps(10, 0, scalars, scalars)[kScalar], 9);
}

// --- Lattice classes in space-time ----------------------------------------------------

TEST_F(BranchingSpaceTimeTest, LatticeClassesDecomposeIntoLightConeClasses) {
  const SusyType e8 = susy(E, 8, 1), e8bar = susy(E, 8, -1), bosonic = susy(0, 0, 0);
  // 248 > 120 + 128: the vector multiplet 8v + 8s of d = 10.
  EXPECT_EQ(SusySpinDecomposition(&e8, 10, -1), (std::array<int, 4>{0, 1, 1, 0}));
  EXPECT_EQ(SusySpinDecomposition(&e8bar, 10, -1), (std::array<int, 4>{0, 0, 1, 1}));
  // The bosonic half: the vector class is a scalar, the adjoint a vector.
  EXPECT_EQ(SusySpinDecomposition(&bosonic, 10, 2), (std::array<int, 4>{1, 0, 0, 0}));
  EXPECT_EQ(SusySpinDecomposition(&bosonic, 10, 0), (std::array<int, 4>{1, 0, 0, 0}));
  EXPECT_EQ(SusySpinDecomposition(&bosonic, 10, -1), (std::array<int, 4>{0, 0, 1, 0}));
  EXPECT_EQ(SusySpinDecomposition(&bosonic, 9, -1), (std::array<int, 4>{0, 1, 0, 0}));
  // E7 in d = 6: 133 > 66 + 2 x 32 (vector multiplet), 56 > 2 x 12 + 32' (half hyper).
  const SusyType e7 = susy(E, 7, 1);
  EXPECT_EQ(SusySpinDecomposition(&e7, 6, -1), (std::array<int, 4>{0, 2, 1, 0}));
  EXPECT_EQ(SusySpinDecomposition(&e7, 6, 1), (std::array<int, 4>{2, 0, 0, 1}));
  // F4 in d = 3 through SO(9): 26 > 1 + 9 + 16.
  const SusyType f4 = susy(E, 4, 0);
  EXPECT_EQ(SusySpinDecomposition(&f4, 3, 1), (std::array<int, 4>{1, 0, 1, 0}));
  EXPECT_TRUE(silent());
  EXPECT_EQ(SusySpinDecomposition(&e8, 10, 1), (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_TRUE(alerted("Unexpected representation dim=10, type=(5,8), rep=1 (chir=1)"));
}

TEST_F(BranchingSpaceTimeTest, SpinDecompositionInWords) {
  EXPECT_EQ(SpinDecomposition(E, 8, 10, -1, 1), "Vector + Chiral Spinor");
  EXPECT_EQ(SpinDecomposition(E, 7, 6, 1, 1), "2 Scalars + Anti-chiral Spinor");
  EXPECT_EQ(SpinDecomposition(E, 4, 3, 1, 0), "Scalar + Spinor");
  EXPECT_EQ(SpinDecomposition(E, 7, 6, -1, 1), "Vector + 2 Chiral Spinors");
}

// Every class of a supersymmetric lattice, times the bosonic scalar, is a supermultiplet.
TEST_F(BranchingSpaceTimeTest, SupersymmetricClassesBalanceBosonsAndFermions) {
  const struct {
    int rank, maxDimension;
  } lattices[] = {{8, 10}, {7, 6}, {6, 4}, {4, 3}};
  const int scalar[4] = {1, 0, 0, 0};
  for (auto lattice : lattices) {
    for (int d = 3; d <= lattice.maxDimension; ++d) {
      for (int chirality : {1, -1, 0}) {
        SusyType t = susy(E, lattice.rank, chirality);
        for (int c = -1; c < RepCnt(E, lattice.rank); ++c) {
          if (c == 0) continue;
          std::array<int, 4> light = SusySpinDecomposition(&t, d, c);
          auto [b, f] = degrees(d, multiplySpaceTimeReps(d, 0, light.data(), scalar));
          EXPECT_EQ(b, f) << "E" << lattice.rank << " d=" << d << " class " << c;
          EXPECT_GT(b, 0);
        }
      }
    }
  }
  EXPECT_TRUE(silent());
}

// --- Printing -----------------------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, TheSixDimensionalVectorMultiplet) {
  const std::vector<int> vector = rep(6, {{kChiralSpinor, 2}, {kVector, 1}});
  EXPECT_EQ(printSpaceTimeRep(16, 6, vector.data(), 1),
            "     Bosons   (4 d.o.f.):   [V1]\n"
            "     Fermions (4 d.o.f.):   2[F+]\n"
            "     (Vector multiplet)\n");
  EXPECT_STREQ(getSpaceTimeRepName(16, 6, vector.data()), "Vector");
  EXPECT_EQ(getSpaceTimeRepName(16, 8, vector.data()), nullptr);
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, KnownSixDimensionalMultipletsAreNamed) {
  EXPECT_STREQ(getSpaceTimeRepName(16, 6, rep(6, {{kScalar, 3}, {kAntiChiralSpinor, 2}, {kFormClass, 1}}).data()),
               "Hyper");
  EXPECT_STREQ(getSpaceTimeRepName(16, 6, rep(6, {{kScalar, 2}, {kAntiChiralSpinor, 1}}).data()), "1/2 Hyper");
  EXPECT_STREQ(getSpaceTimeRepName(16, 6, rep(6, {{kScalar, 1}, {kAntiChiralSpinor, 2}, {kAntiSelfDualTensor, 1}}).data()),
               "Tensor");
  // The multiplets balance: hyper 4 + 4, tensor 4 + 4, gravity 16 + 16 (twice: 8, 8, 32).
  auto [b, f] = degrees(6, rep(6, {{kAntiChiralSpinor, 2}, {kGraviton, 1}, {kDilaton, 1}, {kChiralGravitino, 2},
                                   {kSelfDualTensor, 1}, {kFormClass, 3}}));
  EXPECT_EQ(b, 32);
  EXPECT_EQ(f, 32);
}

TEST_F(BranchingSpaceTimeTest, EmptyAndUnbalancedRepresentations) {
  const std::vector<int> none = rep(10, {});
  EXPECT_EQ(printSpaceTimeRep(20, 10, none.data(), 1), "    No states\n");
  const std::vector<int> lonely = rep(10, {{kVector, 1}});
  EXPECT_EQ(printSpaceTimeRep(20, 10, lonely.data(), 0), "     Bosons   (8 d.o.f.):   [V1]\n");
  EXPECT_TRUE(silent());
  printSpaceTimeRep(20, 10, lonely.data(), 1);
  EXPECT_TRUE(capture.stdoutText.find("Rep: ") != std::string::npos);
  EXPECT_TRUE(alerted("Supersymmetry violation"));
}

TEST_F(BranchingSpaceTimeTest, LongListsContinueOnANewLine) {
  const std::vector<int> many = rep(26, {{kScalar, 2}, {kVector, 3}, {kGraviton, 4}, {kBTensor, 5}, {kDilaton, 6},
                                         {kSelfDualTensor, 7}, {kFormClass, 8}, {kFormClass + 1, 9}});
  const std::string text = printSpaceTimeRep(36, 26, many.data(), 0);
  const std::string first = "     Bosons   (" + getDOF(degrees(26, many).first) + " d.o.f.):   ";
  ASSERT_EQ(text.compare(0, first.size(), first), 0) << text;
  EXPECT_EQ(text.substr(first.size()),
            "2[S0] + 3[V1] + 4[G2] + 5[B2]\n"
            "                          + 6[D0] + 7[A+] + 8[A0] + 9[A1]\n");
}

// --- String spectra -----------------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, HeteroticSupergravityInTenDimensions) {
  // E8+ with the bosonic sector: graviton, B, dilaton, gravitino and dilatino (64 + 64).
  SpaceTimeSymmetry st = pair(10, susy(E, 8, 1), susy(0, 0, 0));
  std::vector<int> product = getSusyRepresentation(-1, -1, 0, &st);
  ASSERT_EQ(product.size(), 40u);
  product.resize(20);
  EXPECT_EQ(product, rep(10, {{kGraviton, 1}, {kBTensor, 1}, {kDilaton, 1}, {kChiralGravitino, 1},
                              {kAntiChiralSpinor, 1}}));
  EXPECT_EQ(st.supersymmetric, 1);
  EXPECT_EQ(st.identical, 0);
  // The gauge multiplet: the adjoint of the bosonic side.
  product = getSusyRepresentation(-1, 2, 0, &st);
  product.resize(20);
  EXPECT_EQ(product, rep(10, {{kVector, 1}, {kChiralSpinor, 1}}));
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, TypeTwoBIsReducibleIntoItsSymmetricParts) {
  SpaceTimeSymmetry st = pair(10, susy(E, 8, 1), susy(E, 8, 1));
  std::vector<int> product = getSusyRepresentation(-1, -1, 0, &st);
  EXPECT_TRUE(alerted("Reducible susy representation"));
  ASSERT_EQ(product.size(), 40u);
  std::vector<int> whole(product.begin(), product.begin() + 20), antisymmetric(product.begin() + 20, product.end());
  // NS-NS G, B, phi; R-R C0, C2, C4+; two gravitini and two dilatini of one chirality.
  EXPECT_EQ(whole, rep(10, {{kGraviton, 1}, {kBTensor, 1}, {kDilaton, 1}, {kFormClass, 1}, {kFormClass + 2, 1},
                            {kSelfDualTensor, 1}, {kChiralGravitino, 2}, {kAntiChiralSpinor, 2}}));
  EXPECT_EQ(degrees(10, whole), std::make_pair(256LL, 256LL));
  EXPECT_EQ(antisymmetric, rep(10, {{kBTensor, 1}, {kSelfDualTensor, 1}, {kFormClass, 1}, {kChiralGravitino, 1},
                                    {kAntiChiralSpinor, 1}}));
  const std::string text = getSusyRepresentationString(-1, -1, 0, &st);
  EXPECT_EQ(text,
            "  Symmetric part: \n"
            "     Bosons   (64 d.o.f.):   [G2] + [D0] + [A2]\n"
            "     Fermions (64 d.o.f.):   [F-] + [FV+]\n"
            "  Anti-symmetric part: \n"
            "     Bosons   (64 d.o.f.):   [B2] + [A+] + [A0]\n"
            "     Fermions (64 d.o.f.):   [F-] + [FV+]\n");
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, TypeTwoAHasBothChiralities) {
  SpaceTimeSymmetry st = pair(10, susy(E, 8, 1), susy(E, 8, -1));
  std::vector<int> product = getSusyRepresentation(-1, -1, 0, &st);
  product.resize(20);
  EXPECT_EQ(product, rep(10, {{kGraviton, 1}, {kBTensor, 1}, {kDilaton, 1}, {kFormClass + 1, 1},
                              {kFormClass + 3, 1}, {kChiralGravitino, 1}, {kAntiChiralGravitino, 1},
                              {kChiralSpinor, 1}, {kAntiChiralSpinor, 1}}));
  EXPECT_EQ(st.identical, 0);
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, HalfHypermultipletOfSixDimensions) {
  SpaceTimeSymmetry st = pair(6, susy(E, 7, 1), susy(0, 0, 0));
  const std::string text = getSusyRepresentationString(1, 2, 0, &st);
  EXPECT_EQ(text,
            "     Bosons   (2 d.o.f.):   2[S0]\n"
            "     Fermions (2 d.o.f.):   [F-]\n"
            "     (1/2 Hyper multiplet)\n");
}

TEST_F(BranchingSpaceTimeTest, AnInvalidPairGivesNothing) {
  SpaceTimeSymmetry st = pair(10, susy(E, 7, 0), susy(0, 0, 0));
  EXPECT_TRUE(getSusyRepresentation(-1, -1, 0, &st).empty());
  EXPECT_TRUE(alerted("Dimension too large for covariant lattice rank (dim=10,rank=7)"));
  EXPECT_EQ(getSusyRepresentationString(-1, -1, 0, &st), "");
}

// --- Supersymmetry types ------------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, SusyTypeTexts) {
  SusyType t;
  EXPECT_EQ(getChiralSusyType("16+", 10, &t), 0);
  EXPECT_EQ(t.type, E);
  EXPECT_EQ(t.rank, 8);
  EXPECT_EQ(t.chirality, 1);
  EXPECT_EQ(getChiralSusyType("16", 10, &t), 0);
  EXPECT_EQ(t.chirality, 1);
  EXPECT_EQ(getChiralSusyType("16-", 10, &t), 0);
  EXPECT_EQ(t.chirality, -1);
  EXPECT_EQ(getChiralSusyType("8", 6, &t), 0);
  EXPECT_EQ(t.rank, 7);
  EXPECT_EQ(t.chirality, 1);
  EXPECT_EQ(getChiralSusyType("8", 4, &t), 0);
  EXPECT_EQ(t.chirality, 0);
  EXPECT_EQ(getChiralSusyType("2", 3, &t), 0);
  EXPECT_EQ(t.rank, 4);
  EXPECT_EQ(getChiralSusyType("0", 26, &t), 0);
  EXPECT_EQ(t.type, 0);
  // F n is SO(n + 6): F4 is D5, F5 is B5.
  EXPECT_EQ(getChiralSusyType("F4", 4, &t), 0);
  EXPECT_EQ(t.type, D);
  EXPECT_EQ(t.rank, 5);
  EXPECT_EQ(getChiralSusyType("F5", 4, &t), 0);
  EXPECT_EQ(t.type, B);
  EXPECT_EQ(t.rank, 5);
  EXPECT_EQ(getChiralSusyType("F4+", 4, &t), 0);  // D5 is chiral in d = 4
  EXPECT_EQ(t.chirality, 1);
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, BadSusyTypes) {
  SusyType t;
  EXPECT_EQ(getChiralSusyType("3", 4, &t), -1);
  EXPECT_TRUE(alerted("Invalid susy type: 3"));
  EXPECT_EQ(getChiralSusyType("12345678", 4, &t), -1);
  EXPECT_TRUE(alerted("Invalid susy type: 12345678"));
  EXPECT_EQ(getChiralSusyType("", 4, &t), -1);
  EXPECT_TRUE(alerted("Invalid susy type: "));
  EXPECT_EQ(getChiralSusyType("Fx", 4, &t), -1);
  EXPECT_TRUE(alerted("cannot be converted to a number"));
  EXPECT_EQ(getChiralSusyType("16", 11, &t), -1);
  EXPECT_TRUE(alerted("Dimension too large for covariant lattice rank (dim=11,rank=8)"));
  // E6 has four supercharges: no five-dimensional theory.
  EXPECT_EQ(getChiralSusyType("4", 5, &t), -1);
  EXPECT_TRUE(alerted("Dimension too large for covariant lattice rank (dim=5,rank=6)"));
  EXPECT_EQ(getChiralSusyType("F30", 4, &t), -1);
  EXPECT_TRUE(alerted("Covariant lattice rank too large (type=4,rank=18,dim=4)"));
  EXPECT_EQ(getChiralSusyType("F2", 4, &t), -1);  // SO(8) in four dimensions
  EXPECT_TRUE(alerted("Dimension too large for covariant lattice rank (dim=4,rank=4)"));
  EXPECT_EQ(getChiralSusyType("0", 27, &t), -1);
  EXPECT_TRUE(alerted("Space-time dimension 27 out of range (2 to 26)"));
  EXPECT_EQ(getChiralSusyType("0", 0, &t), -1);
  EXPECT_TRUE(alerted("Space-time dimension 0 out of range (2 to 26)"));
}

TEST_F(BranchingSpaceTimeTest, ChiralityIsDroppedWhereItIsIrrelevant) {
  SusyType t;
  EXPECT_EQ(getChiralSusyType("4-", 4, &t), 0);
  EXPECT_TRUE(alerted("Chirality is irrelevant and will be ignored"));
  EXPECT_EQ(t.chirality, 0);
  // "Unspecified" is dropped silently.
  t = susy(E, 6, kUnspecifiedChirality);
  EXPECT_EQ(checkChiralSusyType(&t, 4), 0);
  EXPECT_EQ(t.chirality, 0);
  EXPECT_TRUE(silent());
  t = susy(E, 8, kUnspecifiedChirality);
  EXPECT_EQ(checkChiralSusyType(&t, 10), 0);
  EXPECT_EQ(t.chirality, kUnspecifiedChirality);
}

TEST_F(BranchingSpaceTimeTest, ChiralTypes) {
  EXPECT_EQ(chiral(susy(E, 8, 0), 10), 1);
  EXPECT_EQ(chiral(susy(E, 8, 0), 9), 0);
  EXPECT_EQ(chiral(susy(E, 7, 0), 6), 1);
  EXPECT_EQ(chiral(susy(D, 5, 0), 4), 1);
  EXPECT_EQ(chiral(susy(D, 6, 0), 4), 0);
  EXPECT_EQ(chiral(susy(B, 4, 0), 2), 1);
  EXPECT_EQ(chiral(susy(B, 3, 0), 2), 0);
  EXPECT_EQ(repsChiral(susy(E, 6, 0), 4), 1);
  EXPECT_EQ(repsChiral(susy(D, 5, 0), 4), 1);
  EXPECT_EQ(repsChiral(susy(E, 6, 0), 3), 0);
  const SusyType e7 = susy(E, 7, 0), d5 = susy(D, 5, 0);
  EXPECT_EQ(SusyCount(&e7), 8);
  EXPECT_EQ(SusyCount(&d5), 0);
  EXPECT_EQ(isChirallySupersymmetric(&e7), 1);
  EXPECT_EQ(isChirallySupersymmetric(&d5), 0);
}

TEST_F(BranchingSpaceTimeTest, SusyNames) {
  const SusyType types[] = {susy(0, 0, 0), susy(E, 4, 0), susy(E, 6, 0), susy(E, 7, 1), susy(E, 8, -1),
                            susy(D, 5, 1), susy(B, 5, 0)};
  const char* names[] = {"Bosonic", "2 supersymmetries (F4)", "4 supersymmetries (E6)",
                         "8 supersymmetries (E7); chirality +", "16 supersymmetries (E8); chirality -",
                         "Fermionic Non-susy (embedding dimension 4); chirality +",
                         "Fermionic Non-susy (embedding dimension 5)"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(susyname(&types[i]), names[i]);
}

TEST_F(BranchingSpaceTimeTest, MultipletCodesReadBackToTheirClasses) {
  const struct {
    SusyType type;
    int d;
    const char* code;
    int repClass;
  } cases[] = {{susy(0, 0, 0), 10, "V", -1}, {susy(B, 5, 0), 4, "0", 1},  {susy(B, 5, 0), 4, "S", 2},
               {susy(D, 5, 1), 4, "0", 2},   {susy(D, 5, 1), 4, "S+", 1}, {susy(D, 5, 1), 4, "S-", 3},
               {susy(E, 4, 0), 3, "M", 1},   {susy(E, 7, 0), 4, "M", 1},  {susy(E, 6, 1), 4, "M+", 1},
               {susy(E, 6, 1), 4, "M-", 2},  {susy(E, 8, 1), 10, "V", -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(susyrepname(&c.type, c.d, c.repClass), c.code);
    EXPECT_EQ(getMultiplet(c.code, &c.type), c.repClass) << c.code;
  }
  const SusyType bosonic = susy(0, 0, 0), d5 = susy(D, 5, 0), e6 = susy(E, 6, 0);
  EXPECT_EQ(susyrepname(&bosonic, 10, 2), "0");
  EXPECT_EQ(getMultiplet("0", &bosonic), 0);
  EXPECT_EQ(susyrepname(&d5, 4, 3), "S?");
  EXPECT_EQ(getMultiplet("S", &d5), 1);
  EXPECT_EQ(susyrepname(&e6, 4, 2), "M?");
  EXPECT_EQ(susyrepname(&e6, 3, 2), "M");
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, BadMultipletCodes) {
  const SusyType e8 = susy(E, 8, 1), d5 = susy(D, 5, 0);
  EXPECT_EQ(getMultiplet("M", &e8), 999);
  EXPECT_TRUE(alerted("Invalid multiplet: M (Type 5,8)"));
  EXPECT_EQ(getMultiplet("M", &d5), 999);
  EXPECT_TRUE(alerted("Invalid multiplet: M (Type 4,5)"));
  EXPECT_EQ(susyrepname(&e8, 10, 1), "?");
  EXPECT_TRUE(alerted("Unexpected representation dim=10, type=(5,8), rep=1 (chir=1)"));
}

TEST_F(BranchingSpaceTimeTest, SymmetrisationOnlyForIdenticalHalvesAndEqualClasses) {
  SpaceTimeSymmetry st = pair(10, susy(E, 8, 1), susy(E, 8, 1));
  ASSERT_EQ(checkSusyType(&st), 0);
  EXPECT_EQ(st.identical, 1);
  EXPECT_EQ(adjustSymmetrization(&st, -1, -1, 1), 1);
  EXPECT_EQ(adjustSymmetrization(&st, -1, 2, 1), 0);
  st.right.chirality = -1;
  checkSusyType(&st);
  EXPECT_EQ(st.identical, 0);
  EXPECT_EQ(adjustSymmetrization(&st, -1, -1, 1), 0);
  // "Unspecified" never makes two halves identical.
  st = pair(10, susy(E, 8, kUnspecifiedChirality), susy(E, 8, kUnspecifiedChirality));
  checkSusyType(&st);
  EXPECT_EQ(st.identical, 0);
}

TEST_F(BranchingSpaceTimeTest, SpaceTimeSymmetryBySectorCode) {
  SpaceTimeSource source;
  source.left = makeBranchingTable(E, 8, D, 8, 1);
  source.right = makeBranchingTable(E, 8, D, 8, -1);
  source.common = makeBranchingTable(D, 8, D, 8, 1);
  source.dimension = 10;
  SpaceTimeSymmetry st;
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'B'), 0);
  EXPECT_EQ(st.dimension, 10);
  EXPECT_EQ(st.left.type, E);
  EXPECT_EQ(st.left.chirality, 1);
  EXPECT_EQ(st.right.chirality, -1);
  EXPECT_EQ(st.supersymmetric, 1);
  EXPECT_EQ(st.identical, 0);
  EXPECT_EQ(st.sectorFlag, 1);
  EXPECT_EQ(st.leftSource, nullptr);
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'R'), 0);
  EXPECT_EQ(st.left.type, 0);
  EXPECT_EQ(st.right.rank, 8);
  EXPECT_EQ(st.rightSource, source.right);
  EXPECT_EQ(st.leftSource, source.left);
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'L'), 0);
  EXPECT_EQ(st.left.chirality, 1);
  EXPECT_EQ(st.right.type, 0);
  // The common table on both sides: D8 is a fermionic lattice of embedding dimension 10.
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'I'), 0);
  EXPECT_EQ(st.left.type, D);
  EXPECT_EQ(st.identical, 1);
  EXPECT_EQ(st.supersymmetric, 0);
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'X'), 0);
  EXPECT_EQ(st.sectorFlag, 0);
  EXPECT_EQ(st.left.type, E);
  // Other codes leave the halves as they are.
  EXPECT_EQ(getSpaceTimeSymmetry(&source, &st, 'J'), 0);
  EXPECT_EQ(st.left.type, E);
  EXPECT_EQ(st.sectorFlag, 0);
  EXPECT_TRUE(silent());
}

// --- The multiplet browser ----------------------------------------------------------------

TEST_F(BranchingSpaceTimeTest, BrowsingTenDimensions) {
  displaySusy2(10, 2);
  const std::string& out = capture.printed;
  // E8+ against E8+ (IIB), E8- (IIA) and the bosonic sector (heterotic).
  EXPECT_EQ(occurrences(out, "Susy type: Left : 16 supersymmetries (E8); chirality +\n"), 3u);
  EXPECT_EQ(occurrences(out, "           Right: 16 supersymmetries (E8); chirality -\n"), 1u);
  EXPECT_EQ(occurrences(out, "           Right: Bosonic\n"), 1u);
  EXPECT_EQ(occurrences(out, "           Space-Time dimension: 10\n"), 3u);
  EXPECT_EQ(occurrences(out, "\nRepresentation: (V,V)\n"), 3u);
  EXPECT_EQ(occurrences(out, "\nRepresentation: (V,0)\n"), 1u);
  EXPECT_EQ(occurrences(out, "  Symmetric part: \n"), 1u);
  EXPECT_EQ(out.find("Supersymmetry violation"), std::string::npos);
  EXPECT_TRUE(silent());
}

TEST_F(BranchingSpaceTimeTest, BrowsingAllDimensionsKeepsSupersymmetry) {
  displaySusy1();
  // Pairs of types per dimension: d = 10: 3; 9, 8, 7: 2 (E8 with E8, bosonic); 6: E8 with
  // E8, E7+, E7-, bosonic and E7+ with E7+, E7-, bosonic: 7; 5: 5; 4: E8 4, E7 3, E6 2: 9;
  // 3: E8 5, E7 4, E6 3, F4 2: 14.
  EXPECT_EQ(occurrences(capture.printed, "Susy type: Left : "), 3u + 2 + 2 + 2 + 7 + 5 + 9 + 14);
  EXPECT_TRUE(capture.diagnostics.empty()) << capture.diagnostics.substr(0, 2000);
}

TEST_F(BranchingSpaceTimeTest, TwoDimensionsBalanceWithTheFormalCounts) {
  displaySusy2(2, 2);
  // E8, E7, E6 and F4 against every type of at most their rank among E8, E7, E6, F4, the
  // fermionic D5+ and B4+, and the bosonic sector.
  EXPECT_EQ(occurrences(capture.printed, "Susy type: Left : "), 7u + 6 + 5 + 3);
  EXPECT_TRUE(capture.diagnostics.empty()) << capture.diagnostics.substr(0, 2000);
}

TEST_F(BranchingSpaceTimeTest, BrowsingModesAndTheRememberedPair) {
  const SusyType e7 = susy(E, 7, 1), bosonic = susy(0, 0, 0);
  displaySusy(6, &e7, &bosonic, 1, 2, 0, 3);
  displaySusy(6, &e7, &bosonic, -1, 2, 0, 3);
  EXPECT_EQ(occurrences(capture.printed, "Susy type:"), 1u);  // the pair is printed once
  EXPECT_EQ(occurrences(capture.printed, "Representation: (M,0)"), 1u);
  capture.clear();
  displaySusy(6, &e7, &bosonic, 1, 2, 0, -1);  // forget the pair
  EXPECT_EQ(capture.printed, "");
  displaySusy(6, &e7, &bosonic, 1, 2, 0, 5);  // no header from mode 4 on
  EXPECT_EQ(occurrences(capture.printed, "Susy type:"), 0u);
  EXPECT_EQ(occurrences(capture.printed, "Representation: (M,0)"), 1u);
  capture.clear();
  displaySusy(6, &e7, &bosonic, 1, 2, 0, 6);  // the representation alone
  EXPECT_EQ(capture.printed, "     Bosons   (2 d.o.f.):   2[S0]\n"
                             "     Fermions (2 d.o.f.):   [F-]\n"
                             "     (1/2 Hyper multiplet)\n");
}

int installedCalls = 0;
void countingPrinter(int, const SusyType*, const SusyType*, int, int, int, int) { ++installedCalls; }

TEST_F(BranchingSpaceTimeTest, TheCommandSetCanInstallItsOwnPrinter) {
  installedCalls = 0;
  setDisplaySusyRoutine(countingPrinter);
  const SusyType e8 = susy(E, 8, 1);
  displaySusy4(10, &e8, &e8, 2);  // E8 has the adjoint class only: one pair (V,V)
  EXPECT_EQ(installedCalls, 1);
  EXPECT_EQ(capture.printed, "");
  setDisplaySusyRoutine(nullptr);
  displaySusy4(10, &e8, &e8, 2);
  EXPECT_EQ(installedCalls, 1);
  EXPECT_NE(capture.printed, "");
}

}  // namespace
