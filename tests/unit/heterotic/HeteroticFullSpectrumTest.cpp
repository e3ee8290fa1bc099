// The full-spectrum analysis (chiral states with U(1) charges of the internal factors and
// their anomaly sums), the space-time spinor and vector of the set-up, and the reading of
// the heterotic factors in their standard-model roles.
#include <cstdlib>
#include <string>
#include <vector>

#include "HeteroticTestSupport.h"
#include "heterotic/HeteroticInternal.h"
#include "runtime/SystemUtility.h"
#include "store/StoremanagerQueries.h"

namespace {

struct FatalExit {
  int status;
};
void throwingExit(int status) {
  throw FatalExit{status};
}

// ---------------------------------------------------------------------------------------
// Full spectrum: SU(3) x SU(2) x U(1)_30 x U(1)_20 at level 1 (the heterotic factors in
// their roles) times the N=2 minimal model of level 1, whose charges are in units of
// 1/24 (weight denominator 8(k+2)).

class FullSpectrumTest : public HeteroticTest {
 protected:
  void SetUp() override {
    HeteroticTest::SetUp();
    setIntPar("Heterotic factors", 4);
    setIntPar("Particle factors", 4);
    setIntPar("Heterotic full_spectrum", 1);
    TP = product({kA2, kA1, u1(30), u1(20), minimalN2(1)});
    computeCommonDenominatorWeights(TP);
    minimal = SM_getData(27, 2, 1);
    heteroticState().fullSpectrumRows.reset(8, 6);
  }
  // A FullSpectrum row: the five left labels, the massless field, its multiplicity.
  void fullRow(std::vector<int> labels, int field, int multiplicity) {
    labels.push_back(field);
    labels.push_back(multiplicity);
    labels.push_back(0);
    heteroticState().fullSpectrumRows.add(labels.data(), 1);
  }
  // The first field of the minimal model with this dimension and a non-zero charge.
  int chargedField(int dimension) {
    for (int a = 0; a < minimal->n_primaries; ++a)
      if (getLeftDimension(4, a) == dimension && SM_getMinimalCharge(minimal, a) != 0) return a;
    return -1;
  }
  TensorProduct* TP = nullptr;
  SpectrumData* minimal = nullptr;
};

TEST_F(FullSpectrumTest, AVectorLikePairCancelsInStatesAndAnomalies) {
  const int a = chargedField(1);
  ASSERT_GE(a, 0);
  // (3, 2) with hypercharge 1 and its conjugate (3bar, 2) with -1 = 29 mod 30, carrying the
  // conjugate minimal field (opposite charge): one state counted +1 and -1.
  fullRow({1, 1, 1, 0, a}, 0, 1);
  fullRow({2, 1, 29, 0, minimal->conjugates[a]}, 1, 1);
  ASSERT_EQ(SM_getMinimalCharge(minimal, minimal->conjugates[a]), -SM_getMinimalCharge(minimal, a));
  const FullSpectrumStates result = computeFullSpectrumStates(TP);
  ASSERT_TRUE(result.chargesKnown);
  ASSERT_EQ(result.states.size(), 1);
  EXPECT_EQ(result.states.count(0), 0);
  const std::vector<int> state(result.states.row(0), result.states.row(0) + 5);
  EXPECT_EQ(state, (std::vector<int>{1, 1, 1, 0, SM_getMinimalCharge(minimal, a)}));
  ASSERT_EQ(result.cubic.size(), 1u);
  EXPECT_EQ(result.cubic[0], 0);
  EXPECT_EQ(result.linear[0], 0);
}

TEST_F(FullSpectrumTest, ALoneChargedSingletIsAnomalous) {
  const int a = chargedField(1);
  ASSERT_GE(a, 0);
  const long long c = SM_getMinimalCharge(minimal, a);
  // The field (0,1,1) of level 1 has charge 1/3 - 1/2 = -1/6: 4 units of 1/24.
  EXPECT_EQ(std::llabs(c), 4);
  fullRow({0, 0, 0, 0, a}, 0, 2);
  const FullSpectrumStates result = computeFullSpectrumStates(TP);
  ASSERT_EQ(result.states.size(), 1);
  // Counted as the member with positive charge, with the sign of the choice.
  EXPECT_EQ(result.states.row(0)[4], 4);
  EXPECT_EQ(result.states.count(0), c > 0 ? 2 : -2);
  // Either way m c^3 and m c of the state itself.
  EXPECT_EQ(result.cubic[0], 2 * c * c * c);
  EXPECT_EQ(result.linear[0], 2 * c);
}

TEST_F(FullSpectrumTest, ADoubletCountsBothMembersOneChargeUnitApart) {
  // Level 3 (charges in units of 1/40) has doublets with charge.
  TensorProduct* level3 = product({kA2, kA1, u1(30), u1(20), minimalN2(3)});
  computeCommonDenominatorWeights(level3);
  SpectrumData* sd = SM_getData(27, 2, 3);
  int a = -1;
  for (int b = 0; b < sd->n_primaries && a < 0; ++b)
    if (getLeftDimension(4, b) == 2 && SM_getMinimalCharge(sd, b) != 0) a = b;
  ASSERT_GE(a, 0);
  const long long c = SM_getMinimalCharge(sd, a);
  const long long N = 40;
  fullRow({0, 0, 0, 0, a}, 0, 1);
  const FullSpectrumStates result = computeFullSpectrumStates(level3);
  // Members at c + N and c - N, weighted by the dimension 2 and halved:
  // (c+N)^3 + (c-N)^3 = 2c^3 + 6N^2 c.
  EXPECT_EQ(result.cubic[0], 2 * c * c * c + 6 * N * N * c);
  EXPECT_EQ(result.linear[0], 2 * c);
}

TEST_F(FullSpectrumTest, ColourAndChargesAreCentredBeforeCounting) {
  // Hypercharge 29 is -1 and the second U(1) label 15 is -5; a colour-2 weak singlet is the
  // canonical member of its pair, so it is counted as it stands.
  fullRow({2, 0, 29, 15, 0}, 0, 3);
  const FullSpectrumStates result = computeFullSpectrumStates(TP);
  ASSERT_EQ(result.states.size(), 1);
  const std::vector<int> state(result.states.row(0), result.states.row(0) + 5);
  EXPECT_EQ(state, (std::vector<int>{2, 0, -1, -5, 0}));
  EXPECT_EQ(result.states.count(0), 3);
  EXPECT_EQ(result.cubic[0], 0);
}

TEST_F(FullSpectrumTest, WithoutChargeTablesNothingIsCounted) {
  // An SU(2) internal factor has no charge table.
  TensorProduct* other = product({kA2, kA1, u1(30), u1(20), kA1});
  computeCommonDenominatorWeights(other);
  fullRow({1, 1, 1, 0, 1}, 0, 1);
  const FullSpectrumStates result = computeFullSpectrumStates(other);
  EXPECT_FALSE(result.chargesKnown);
  EXPECT_EQ(result.states.size(), 0);
}

TEST_F(FullSpectrumTest, ThePrintoutListsTheStatesWithNonZeroCount) {
  const int a = chargedField(1);
  fullRow({1, 1, 1, 0, a}, 0, 1);
  fullRow({2, 1, 29, 0, minimal->conjugates[a]}, 1, 1);
  fullRow({2, 0, 29, 15, 0}, 2, 3);
  capture.clear();
  analyseFullSpectrum(TP, 0, 7, 3);
  const std::string& out = capture.all;
  EXPECT_NE(out.find("............... Full Spectrum ..........."), std::string::npos);
  EXPECT_NE(out.find("(algebra 7, Families 3)"), std::string::npos);
  EXPECT_NE(out.find("  3 x "), std::string::npos);
  EXPECT_NE(out.find("Total number 1 (Full spectrum 3)"), std::string::npos);
  // Chiral exotics or 84 families: nothing at all.
  capture.clear();
  analyseFullSpectrum(TP, 1, 7, 3);
  analyseFullSpectrum(TP, 0, 7, -84);
  EXPECT_EQ(capture.all.find("Full Spectrum"), std::string::npos);
}

TEST_F(FullSpectrumTest, AnAnomalousFullSpectrumEndsTheJob) {
  fullRow({0, 0, 0, 0, chargedField(1)}, 0, 1);
  setExitRoutine(throwingExit);
  int status = -1;
  try {
    analyseFullSpectrum(TP, 0, 0, 0);
  } catch (const FatalExit& e) {
    status = e.status;
  }
  resetExitRoutine();
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(alerted("Anomalies!"));
}

// SO(10) x the minimal model of level 1, one heterotic factor: no colour or weak slots, so a
// state is conjugated as a whole (conjugate SO(10) label, every charge negated).
TEST_F(HeteroticTest, WithoutColourAStateAndItsConjugateCancel) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({kD5, minimalN2(1)});
  computeCommonDenominatorWeights(TP);
  SpectrumData* d5 = SM_getData(4, 5, 1);
  SpectrumData* minimal = SM_getData(27, 2, 1);
  int a = -1;
  for (int b = 0; b < minimal->n_primaries && a < 0; ++b)
    if (SM_getMinimalCharge(minimal, b) != 0 && getLeftDimension(1, b) == 1) a = b;
  ASSERT_GE(a, 0);
  const int s = SM_SimpleAction(d5, 1, 0);
  HeteroticRows& rows = heteroticState().fullSpectrumRows;
  rows.reset(5, 3);
  // A 16 with charge c and a 16bar with -c: a vector-like pair.
  const int first[5] = {s, a, 0, 1, 0};
  const int second[5] = {d5->conjugates[s], minimal->conjugates[a], 1, 1, 0};
  rows.add(first, 1);
  rows.add(second, 1);
  const FullSpectrumStates result = computeFullSpectrumStates(TP);
  ASSERT_TRUE(result.chargesKnown);
  ASSERT_EQ(result.states.size(), 1);
  EXPECT_EQ(result.states.count(0), 0);
  EXPECT_GT(result.states.row(0)[1], 0);
  EXPECT_EQ(result.cubic[0], 0);
  EXPECT_EQ(result.linear[0], 0);
}

// ---------------------------------------------------------------------------------------
// The space-time spinor and vector.

TEST_F(HeteroticTest, TheSelectedSpinorOfSO10SquaresToTheVector) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({kD5, minimalN2(1)});
  // Nothing selected: neither is known.
  EXPECT_EQ(determineHeteroticSpinorAndVector(TP), 0);
  EXPECT_TRUE(getHeteroticSpinor().empty());
  EXPECT_TRUE(getHeteroticVector().empty());
  // The identity is no spinor.
  const int identity = 0;
  addNewSelectedRep(&identity);
  EXPECT_EQ(determineHeteroticSpinorAndVector(TP), 0);
  EXPECT_TRUE(getHeteroticSpinor().empty());
  resetSelectedReps();
  SpectrumData* d5 = SM_getData(4, 5, 1);
  // The spinor: the field of the current of order 4 with weight 5/8.
  const int s = SM_SimpleAction(d5, 1, 0);
  ASSERT_EQ(d5->weight_num[s] * 8, 5 * d5->weight_den);
  addNewSelectedRep(&s);
  EXPECT_EQ(determineHeteroticSpinorAndVector(TP), 2);
  EXPECT_EQ(getHeteroticSpinor(), std::vector<int>{s});
  ASSERT_EQ(getHeteroticVector().size(), 1u);
  // s x s = v, the vector of weight 1/2.
  const int v = getHeteroticVector()[0];
  EXPECT_EQ(d5->weight_num[v] * 2, d5->weight_den);
  EXPECT_NE(v, s);
}

TEST_F(HeteroticTest, ASpinorLabelThatIsNoSimpleCurrentLeavesTheVectorUnknown) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({{1, 1, 2}, minimalN2(1)});
  SpectrumData* a12 = SM_getData(1, 1, 2);
  // SU(2) at level 2: the currents are 0 and the spin-1 field; the spin-1/2 field (weight
  // 3/16) is none.
  int half = -1;
  for (int a = 0; a < a12->n_primaries; ++a)
    if (a12->weight_num[a] * 16 == 3 * a12->weight_den) half = a;
  ASSERT_GE(half, 0);
  addNewSelectedRep(&half);
  EXPECT_EQ(determineHeteroticSpinorAndVector(TP), 1);
  EXPECT_EQ(getHeteroticSpinor(), std::vector<int>{half});
  EXPECT_TRUE(getHeteroticVector().empty());
}

// ---------------------------------------------------------------------------------------
// Standard-model roles: an SO(10) factor has no colour triplets.

TEST_F(HeteroticTest, AnSO10FactorIsNotReadAsColour) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({kD5, minimalN2(1)});
  computeCommonDenominatorWeights(TP);
  EXPECT_FALSE(playsStandardModelRole(0));
  HeteroticRows& reps = getRepCountForUpdate();
  reps.reset(2);
  // 129 spinors and 130 vectors (labels 1 and 2): read as triplets, A3 = 129 - 130 would be
  // a fatal anomaly; SO(10) has no cubic anomaly.
  const int spinor[2] = {1, 1}, vector[2] = {1, 2}, conj[2] = {1, 3};
  reps.add(spinor, 129);
  reps.add(vector, 130);
  reps.add(conj, 3);
  ChargeQuanta q;
  EXPECT_EQ(computeChargeQuanta(&q), 0);
  EXPECT_EQ(q.q0, 30);
  EXPECT_EQ(q.q1, 30);
  EXPECT_EQ(GSC_computeAnomalies(0, 0, 0), 1);
  flipColor();
  EXPECT_NE(getRepCount().find(spinor), -1);
  EXPECT_NE(getRepCount().find(vector), -1);
}

TEST_F(HeteroticTest, AnSU3FactorKeepsItsColourRole) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({kA2, minimalN2(1)});
  computeCommonDenominatorWeights(TP);
  EXPECT_TRUE(playsStandardModelRole(0));
  HeteroticRows& reps = getRepCountForUpdate();
  reps.reset(2);
  const int triplet[2] = {0, 1};
  reps.add(triplet, 1);
  // One unpaired triplet: A3 = 1, fatal.
  EXPECT_EQ(GSC_computeAnomalies(0, 0, 0), -3);
}

}  // namespace
