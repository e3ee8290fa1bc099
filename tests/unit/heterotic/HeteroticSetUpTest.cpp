// The heterotic set-up: filter records and selection settings, the prime decomposition of
// the simple-current group, the chiral algebra, common-denominator weights and massless
// states.
#include <cstdlib>
#include <string>
#include <vector>

#include "HeteroticTestSupport.h"
#include "InterpreterTestSupport.h"
#include "runtime/SystemUtility.h"
#include "tensor/OutputNames.h"

namespace {

using Row = std::vector<int>;

// ---------------------------------------------------------------------------------------
// Filter records and settings

TEST_F(HeteroticTest, The6000thFilterRecordIsLentAndThe6001stEndsTheRun) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < kFilterPoolSize; ++i) {
          if (getAvailableFilterData() == nullptr) std::_Exit(7);
        }
        std::fprintf(stderr, "pool exhausted\n");
        getAvailableFilterData();
        std::_Exit(9);
      },
      ::testing::ExitedWithCode(1), "pool exhausted");
}

TEST_F(HeteroticTest, ReturnedRecordsAreLentAgainAndForeignOnesRefused) {
  HeteroticFilterInfo* first = getAvailableFilterData();
  HeteroticFilterInfo* second = getAvailableFilterData();
  EXPECT_NE(first, second);
  returnFilterData(first);
  returnFilterData(first);  // twice is harmless
  EXPECT_EQ(getAvailableFilterData(), first);
  HeteroticFilterInfo foreign;
  returnFilterData(&foreign);
  EXPECT_TRUE(alerted("Unknown Heterotic Filter pointer returned"));
  EXPECT_EQ(foreign.inUse, 0);
}

TEST_F(HeteroticTest, AComplexRepresentationIsNamedWithItsConjugate) {
  TensorProduct* TP = product({kA2, kA1});
  const int three = 1;  // the 3 of SU(3); its conjugate is field 2
  EXPECT_EQ(addNewRepresentationName(TP, "Quark", &three), 0);
  ASSERT_EQ(getRepNames().size(), 2);
  EXPECT_EQ(getRepNames().row(0)[0], 1);
  EXPECT_EQ(getRepNames().row(1)[0], 2);
  EXPECT_EQ(getRepNameTexts()[0], "Quark");
  EXPECT_EQ(getRepNameTexts()[1], "Quark*");
  // Self-conjugate: the singlet adds one row and one name.
  const int singlet = 0;
  EXPECT_EQ(addNewRepresentationName(TP, "Single", &singlet), 0);
  EXPECT_EQ(getRepNames().size(), 3);
  EXPECT_EQ(getRepNameTexts()[2], "Single");
}

TEST_F(HeteroticTest, NamesHaveAtMostSevenCharactersAndAConjugateNameIsKeptWhole) {
  TensorProduct* TP = product({kA2});
  const int three = 1;
  EXPECT_EQ(addNewRepresentationName(TP, "ABCDEFG", &three), 0);
  EXPECT_EQ(getRepNameTexts()[1], "ABCDEFG*");
  resetRepNames();
  EXPECT_EQ(addNewRepresentationName(TP, "ABCDEFGH", &three), 1);
  EXPECT_TRUE(alerted("Name too long"));
}

TEST_F(HeteroticTest, AHundredRepresentationRowsAreTheMost) {
  // U(1) at radius 200: label a and its conjugate 200 - a, two rows per name.
  TensorProduct* TP = product({u1(200)});
  for (int a = 1; a <= 50; ++a) ASSERT_EQ(addNewRepresentationName(TP, "R", &a), 0) << a;
  EXPECT_EQ(getRepNames().size(), 100);
  const int next = 51;
  EXPECT_EQ(addNewRepresentationName(TP, "R", &next), 1);
  EXPECT_TRUE(alerted("Too many representation names"));
}

TEST_F(HeteroticTest, FiltersTriggersAndFixedEntries) {
  TensorProduct* TP = product({kA1, kA1, kA2});
  const int a[3] = {1, 1, 0};
  EXPECT_EQ(addNewFilterCurrent(TP, a), 0);
  EXPECT_EQ(addNewFilterCurrent(TP, a), 1);  // stored once
  EXPECT_EQ(getGlobalFilterGenerators().size(), 1);
  // A row of another product (two factors) empties the set first.
  TensorProduct* other = product({kA1, kA1});
  const int b[2] = {1, 0};
  addNewFilterCurrent(other, b);
  EXPECT_EQ(getGlobalFilterGenerators().size(), 1);
  EXPECT_EQ(getGlobalFilterGenerators().rowLength(), 2);

  setIntPar("Heterotic full_spectrum", 0);
  const int t[3] = {1, -1, -1};
  addNewTrigger(TP, t);
  EXPECT_EQ(*getIntParPointer("Heterotic full_spectrum"), 1);

  setFixedEntries(TP, 1);
  EXPECT_EQ(getFixedFilterEntries(), (Row{-1, 0, -1}));
  setFixedEntries(TP, -1);
  EXPECT_EQ(getFixedFilterEntries(), (Row{-1, -1, -1}));
}

TEST_F(HeteroticTest, AllowedPrimesAreCopiedAndRestrictTheParticipatingPrimes) {
  TensorProduct* TP = product({kA11});
  int primes[2] = {3, -1};
  setAllowablePrimes(primes);
  primes[0] = 2;  // the list is copied: changing the caller's array changes nothing
  PrimeDecomposeSimpleCurrentGroup(TP);
  determineParticipatingPrimes();
  EXPECT_EQ(getPrimeLoop(), (Row{3}));
  setAllowablePrimes(nullptr);
  determineParticipatingPrimes();
  EXPECT_EQ(getPrimeLoop(), (Row{2, 3}));
}

// ---------------------------------------------------------------------------------------
// Prime decomposition

TEST_F(HeteroticTest, PrimeCodesOfGroupOrders) {
  EXPECT_EQ(computePrimeCode(12), 23);
  EXPECT_EQ(computePrimeCode(22), 211);
  EXPECT_EQ(computePrimeCode(7), 7);
  EXPECT_EQ(computePrimeCode(1), 0);
  // 2 x 3 x 5 x 7 x 11 x 13 x 17 needs more than 32 bits.
  EXPECT_EQ(computePrimeCode(510510), 2357111317LL);
  // 101 is left out with a warning.
  EXPECT_EQ(computePrimeCode(2 * 101), 2);
  EXPECT_TRUE(alerted("Prime 101 too large for prime code computation"));
}

TEST_F(HeteroticTest, AZ12FactorSplitsIntoOrdersFourAndThree) {
  TensorProduct* TP = product({kA11});
  PrimeDecomposeSimpleCurrentGroup(TP);
  const auto& comps = getDecomposedComponents();
  ASSERT_EQ(comps.size(), 2u);
  EXPECT_EQ(comps[0].order, 4);
  EXPECT_EQ(comps[0].current, 3);  // g^3
  EXPECT_EQ(comps[1].order, 3);
  EXPECT_EQ(comps[1].current, 4);  // g^4
  const int g = 1;
  const int* d = PrimeDecomposeCurrent(TP, &g);
  EXPECT_EQ(Row(d, d + 2), (Row{3, 1}));  // 3^-1 mod 4 = 3, 4^-1 mod 3 = 1
  const int element[2] = {3, 1};
  EXPECT_EQ(PrimeComposeCurrent(TP, element)[0], 1);  // g^9 g^4 = g
  // Every current composes back from its decomposition; the identity is the zero element.
  for (int J = 0; J < 12; ++J) {
    const int* e = PrimeDecomposeCurrent(TP, &J);
    const Row copy(e, e + 2);
    EXPECT_EQ(PrimeComposeCurrent(TP, copy.data())[0], J) << J;
  }
  const int identity = 0;
  d = PrimeDecomposeCurrent(TP, &identity);
  EXPECT_EQ(Row(d, d + 2), (Row{0, 0}));
}

TEST_F(HeteroticTest, ThePrimeMapListsLargerComponentsFirst) {
  TensorProduct* TP = product({kA1, kD5, kA2});  // Z2 x Z4 x Z3
  PrimeDecomposeSimpleCurrentGroup(TP);
  ASSERT_EQ(getDecomposedGroupSize(), 3);
  int map[3], inverse[3];
  EXPECT_EQ(mapToPrimeGroup(2, map, inverse), 2);
  EXPECT_EQ(map[0], 1);  // the Z4 component
  EXPECT_EQ(map[1], 0);  // the Z2 component
  EXPECT_EQ(inverse[1], 0);
  EXPECT_EQ(mapToPrimeGroup(3, map, inverse), 1);
  EXPECT_EQ(map[0], 2);
  EXPECT_EQ(mapToPrimeGroup(5, map, inverse), 0);
  EXPECT_EQ(getMaxPrimeIndex(), 2);  // primes 2 and 3: indices 0 and 1
}

TEST_F(HeteroticTest, MixedRadixDigitsOfAnElement) {
  const int orders[3] = {2, 3, 4};
  int out[3];
  decomposeGroupLabels(3, orders, 1 + 2 * 2 + 3 * 6, out);
  EXPECT_EQ(Row(out, out + 3), (Row{1, 2, 3}));
}

// ---------------------------------------------------------------------------------------
// Chiral algebra

TEST_F(HeteroticTest, GeneratorsOfOrdersTwoAndThreeListSixElements) {
  TensorProduct* TP = product({kA1, kA2});
  HeteroticRows gens;
  gens.reset(2);
  const int g0[2] = {1, 0}, g1[2] = {0, 1};
  gens.add(g0);
  gens.add(g1);
  const int orders[2] = {2, 3};
  HeteroticRows out;
  BuildAlgebraFromOrthogonalGenerators(TP, gens, out, orders);
  ASSERT_EQ(out.size(), 6);
  const std::vector<Row> expected = {{0, 0}, {1, 0}, {0, 1},
                                     {1, 1}, {0, 2}, {1, 2}};  // 1, g0, g1, g0 g1, g1^2, g0 g1^2
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rowOf(out, i), expected[static_cast<std::size_t>(i)]) << i;
  // No generator: the identity alone.
  HeteroticRows none;
  none.reset(2);
  BuildAlgebraFromOrthogonalGenerators(TP, none, out, orders);
  ASSERT_EQ(out.size(), 1);
  EXPECT_EQ(rowOf(out, 0), (Row{0, 0}));
}

TEST_F(HeteroticTest, WithoutCurrentsTheChiralAlgebraIsTheIdentity) {
  TensorProduct* TP = product({kA1, kA2});
  setIntPar("Graded", 0);
  setUp(TP);
  EXPECT_NE(capture.stdoutText.find("Chiral algebra order: 1\n"), std::string::npos);
  EXPECT_EQ(getHeteroticChiralAlgebra().size(), 1);
  // No representation selected: no supersymmetry is counted.
  EXPECT_NE(capture.stdoutText.find("DETERMINED: Nsusy=0\n"), std::string::npos);
}

TEST_F(HeteroticTest, GradedFactorsAddTheirAligningCurrents) {
  // Three N=2 minimal models at level 1, each graded by its current 6 (order 2).
  TensorProduct* TP = product({minimalN2(1), minimalN2(1), minimalN2(1)});
  setIntPar("Graded", 1);
  setUp(TP);
  // Two generators (6,6,0) and (6,0,6) of order 2: four elements.
  const HeteroticRows& algebra = getHeteroticChiralAlgebra();
  ASSERT_EQ(algebra.size(), 4);
  EXPECT_NE(algebra.find(Row{6, 6, 0}.data()), -1);
  EXPECT_NE(algebra.find(Row{6, 0, 6}.data()), -1);
  EXPECT_NE(algebra.find(Row{0, 6, 6}.data()), -1);
  EXPECT_NE(capture.stdoutText.find("Chiral algebra order: 4\n"), std::string::npos);
}

TEST_F(HeteroticTest, ASelectedIdentityCountsAsOneSupersymmetry) {
  TensorProduct* TP = product({kA1, kA2});
  setIntPar("Graded", 0);
  const int identity = 0;  // one heterotic factor
  addNewSelectedRep(&identity);
  setUp(TP);
  EXPECT_EQ(getNSusyGlobal(), 1);
}

// ---------------------------------------------------------------------------------------
// Weights and massless states

TEST_F(HeteroticTest, DenominatorsFourAndSixGiveTwelve) {
  TensorProduct* TP = product({kE7, u1(3)});
  computeCommonDenominatorWeights(TP);
  EXPECT_EQ(getCommonDenominator(), 12);
  EXPECT_EQ(getLeftWeightNumerator(0, 1), 9);  // h = 3/4
  EXPECT_EQ(getLeftWeightNumerator(1, 1), 2);  // h = 1/6
  EXPECT_EQ(getChargeCommonDenominator(), 6);  // lcm of the group orders 2 and 3
}

TEST_F(HeteroticTest, U1LabelsGoIntoSymmetricForm) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({u1(4)});
  computeCommonDenominatorWeights(TP);
  int four[4] = {0, 1, 2, 3};
  for (int& v : four) adjustCharges(&v, 1);
  EXPECT_EQ(Row(four, four + 4), (Row{0, 1, 2, -1}));
  TP = product({u1(5)});
  computeCommonDenominatorWeights(TP);
  int five[5] = {0, 1, 2, 3, 4};
  for (int& v : five) adjustCharges(&v, 1);
  EXPECT_EQ(Row(five, five + 5), (Row{0, 1, 2, -2, -1}));
}

TEST_F(HeteroticTest, AWeightOneFieldWithAFractionalChargeIsNotMassless) {
  // E7 x SU(2) x SU(2) at level 1 (h = 3/4, 1/4, 1/4) extended by (1, 0, 1) of weight 1.
  // (1, 1, 0) has weight 1 but charge 1/2 under it; (1, 0, 1) has charge 0.
  TensorProduct* TP = product({kE7, kA1, kA1});
  const int current[3] = {1, 0, 1};
  ASSERT_EQ(addNewCurrent(TP, current), 0);
  setIntPar("Graded", 0);
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  ASSERT_EQ(CollectMassless(TP), 0);
  const HeteroticRows& massless = getMasslessFields();
  EXPECT_EQ(massless.size(), 2);
  EXPECT_NE(massless.find(Row{0, 0, 0}.data()), -1);
  EXPECT_NE(massless.find(Row{1, 0, 1}.data()), -1);
  EXPECT_EQ(massless.find(Row{1, 1, 0}.data()), -1);
  EXPECT_NE(capture.stdoutText.find("Pass N; total number 2\n"), std::string::npos);
}

TEST_F(HeteroticTest, OnlySelectedRepresentationsEnterTheMasslessFields) {
  TensorProduct* TP = product({kE7, kA1, kA1});
  setIntPar("Graded", 0);
  const int e7 = 1;
  addNewSelectedRep(&e7);  // heterotic part: E7 label 1
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  ASSERT_EQ(CollectMassless(TP), 0);
  // Weight 0 or 1 with E7 label 1: (1,1,0) and (1,0,1); (0,0,0) is not selected.
  EXPECT_EQ(getMasslessFields().size(), 2);
  EXPECT_EQ(getMasslessFields().find(Row{0, 0, 0}.data()), -1);
}

TEST_F(HeteroticTest, PatternRootsOfTheHeteroticFactors) {
  // SU(2) x SU(2) at level 1 with both heterotic: weights 0, 1/4, 1/4, 1/2 (D = 4).
  setIntPar("Heterotic factors", 2);
  setIntPar("Graded", 0);
  TensorProduct* TP = product({kA1, kA1});
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  ASSERT_EQ(CollectMassless(TP), 0);
  const HeteroticRows& roots = getPatternRoots();
  ASSERT_EQ(roots.size(), 4);
  // The massless root (0,0) comes first with weight entry 0 and status 1 (a current).
  EXPECT_EQ(rowOf(roots, 0), (Row{0, 0, 0, 1}));
  // Lighter roots carry D minus their weight.
  EXPECT_EQ(roots.row(roots.find(Row{1, 1}.data()))[2], 2);
  EXPECT_EQ(roots.row(roots.find(Row{1, 0}.data()))[2], 3);
  EXPECT_EQ(getLeftMasslessCount(), 1);
}

TEST_F(HeteroticTest, ALiftWithANewDenominatorKeepsWeightsExact) {
  // SU(3) x SU(3) at level 1 (D = 3); factor 2 lifted to U(1) at radius 3 (h = 1/6):
  // the common denominator becomes 6 and every weight stays what it was.
  TensorProduct* TP = product({kA2, kA2});
  computeCommonDenominatorWeights(TP);
  SpectrumData* lift = SM_getData(0, 3, 0);
  const int map[3] = {0, 1, 2};
  ASSERT_EQ(makeHeteroticLift(1, lift, map), 0);
  EXPECT_EQ(getCommonDenominator(), 6);
  EXPECT_EQ(getLeftWeightNumerator(0, 1), 2);   // 1/3, not lifted
  EXPECT_EQ(getLeftWeightNumerator(1, 1), 1);   // 1/6 from the lift
  EXPECT_EQ(getRightWeightNumerator(1, 1), 2);  // right weights keep 1/3
  EXPECT_NE(capture.printed.find("Lifted: 0; lowered: 2; massless and unchanged: 1"),
            std::string::npos);
}

TEST_F(HeteroticTest, ALiftThatRaisesAWeightCountsItAsLifted) {
  // SU(2) x SU(2) at level 1 (D = 4), factor 2 lifted to E7 at level 1: 1/4 becomes 3/4,
  // with the dimension 56 of E7's field.
  TensorProduct* TP = product({kA1, kA1});
  computeCommonDenominatorWeights(TP);
  const int map[2] = {0, 1};
  ASSERT_EQ(makeHeteroticLift(1, SM_getData(5, 7, 1), map), 0);
  EXPECT_EQ(getCommonDenominator(), 4);
  EXPECT_EQ(getLeftWeightNumerator(1, 1), 3);
  EXPECT_EQ(getLeftDimension(1, 1), 56);
  EXPECT_EQ(getRightWeightNumerator(1, 1), 1);
  EXPECT_NE(capture.printed.find("Lifted: 1; lowered: 0; massless and unchanged: 1"),
            std::string::npos);
}

TEST_F(HeteroticTest, RightMassCheckOfWeightsZeroOneAndAbove) {
  TensorProduct* TP = product({kE7, kA1, kA1});
  computeCommonDenominatorWeights(TP);
  EXPECT_EQ(RightMassCheck(TP, Row{0, 0, 0}.data()), 0);
  EXPECT_EQ(RightMassCheck(TP, Row{1, 1, 0}.data()), 0);
  EXPECT_EQ(RightMassCheck(TP, Row{1, 1, 1}.data()), 1);  // 5/4
  EXPECT_TRUE(getHeteroticFault().empty());
  // 1/2 is fractional: a fault with its text.
  EXPECT_EQ(RightMassCheck(TP, Row{0, 1, 1}.data()), 1);
  EXPECT_EQ(getHeteroticFault(), "Fractional weight 2/4");
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Commands

namespace {

TEST_F(HeteroticTest, ARefusedPrimeListLeavesTheAllowedPrimesAsTheyWere) {
  ASSERT_EQ(run("set primes 3"), 0);
  ASSERT_NE(getAllowablePrimes(), nullptr);
  EXPECT_EQ(*getAllowablePrimes(), (std::vector<int>{3}));
  EXPECT_NE(run("set primes 2 3 4"), 0);
  EXPECT_TRUE(alerted("Number 4 is not prime"));
  EXPECT_EQ(*getAllowablePrimes(), (std::vector<int>{3}));
  EXPECT_NE(run("set primes 1"), 0);
  EXPECT_TRUE(alerted("Number 1 is not prime"));
  ASSERT_EQ(run("set primes"), 0);
  EXPECT_EQ(getAllowablePrimes(), nullptr);
}

TEST_F(HeteroticTest, SelectRepTakesOneLabelPerHeteroticFactor) {
  setIntPar("Heterotic factors", 2);
  EXPECT_NE(run("select rep 1"), 0);
  EXPECT_TRUE(alerted("incorrect number of representation components (required: 2)"));
  EXPECT_EQ(getSelectedReps().size(), 0);
  ASSERT_EQ(run("select rep 1 2"), 0);
  EXPECT_EQ(getSelectedReps().size(), 1);
  ASSERT_EQ(run("select rep"), 0);
  EXPECT_EQ(getSelectedReps().size(), 0);
}

TEST_F(HeteroticTest, PatternAlgebraNeedsOneValuePerRoot) {
  setIntPar("Heterotic factors", 1);
  TensorProduct* TP = product({kA2});
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  ASSERT_EQ(CollectMassless(TP), 0);
  ASSERT_EQ(getNumberOfPatternRoots(), 3);  // SU(3) level 1: 0, and the triplets of weight 1/3
  EXPECT_NE(run("pattern algebra 1 2"), 0);
  EXPECT_TRUE(alerted("Incorrect number of roots (should be 3)"));
  ASSERT_EQ(run("pattern algebra 1 0 0"), 0);
  EXPECT_EQ(getPatternAlgebra().size(), 1);
  EXPECT_EQ(getPatternAlgebra().rowLength(), 3);
  ASSERT_EQ(run("pattern reset"), 0);
  EXPECT_EQ(getNumberOfPatternRoots(), 0);
  EXPECT_EQ(getPatternAlgebra().size(), 0);
}

TEST_F(HeteroticTest, ParticleFactorsBeyondTheProductAreRefusedAndBounded) {
  // The charges collected for "Particle factors" p with h heterotic factors.
  auto collect = [&](std::initializer_list<std::array<int, 3>> factors, int h, int p) {
    setIntPar("Heterotic factors", h);
    setIntPar("Particle factors", p);
    TensorProduct* TP = product(factors);
    computeCommonDenominatorWeights(TP);
    resetPatterns();
    EXPECT_EQ(CollectMassless(TP), 0);
    capture.clear();
    DisplayAvailableCharges(TP);
    return TP;
  };
  // SU(3) at level 1, one factor: the pattern roots are 0, 3 and 3bar, so the particle
  // parts of the roots and their conjugates are the three one-label rows 0, 1, 2.
  collect({kA2}, 1, 7);
  EXPECT_TRUE(alerted("\"Particle factors\" 7 refused: the tensor product has 1 heterotic factor(s); 1 used"));
  const HeteroticRows& reps = getAllowedReps();
  EXPECT_EQ(reps.rowLength(), 1);
  ASSERT_EQ(reps.size(), 3);
  for (int a = 0; a < 3; ++a) EXPECT_GE(reps.find(&a), 0) << a;
  // Two heterotic factors of three: the particle labels are the first two.
  TensorProduct* TP = collect({kA2, kA1, kA1}, 2, 3);
  EXPECT_TRUE(alerted("\"Particle factors\" 3 refused: the tensor product has 2 heterotic factor(s); 2 used"));
  EXPECT_EQ(getAllowedReps().rowLength(), 2);
  // Within the bound nothing is said.
  setIntPar("Particle factors", 2);
  DisplayAvailableCharges(TP);
  EXPECT_TRUE(silent());
}

TEST_F(HeteroticTest, RowsOfNoIdentifyingLabelsAreAllOneRow) {
  // Rows of length 0 (no particle factors, an empty pattern algebra) are equal: the
  // second addition counts into the first.
  HeteroticRows rows;
  rows.reset(0);
  const int none = 0;
  EXPECT_EQ(rows.add(&none, 1), 0);
  bool added = true;
  EXPECT_EQ(rows.add(&none, 2, &added), 0);
  EXPECT_FALSE(added);
  EXPECT_EQ(rows.size(), 1);
  EXPECT_EQ(rows.count(0), 3);
  EXPECT_EQ(rows.find(&none), 0);
  // Rows whose identifying part is empty but whose length is not: one row as well.
  rows.reset(2, 0);
  const int first[2] = {4, 5};
  const int second[2] = {6, 7};
  rows.add(first, 1);
  EXPECT_EQ(rows.add(second, 1), 0);
  EXPECT_EQ(rows.size(), 1);
}

TEST_F(HeteroticTest, LiftRefusesFactorZeroAndUnknownTheories) {
  SpectrumData* sd = SM_getData(1, 1, 1);
  ASSERT_NE(sd, nullptr);
  EXPECT_NE(run("lift 0 x"), 0);
  EXPECT_TRUE(alerted("Tensor factor 0 does not exist"));
  EXPECT_NE(run("lift 2 nosuch"), 0);
  EXPECT_TRUE(alerted("CFT \"nosuch\" not defined"));
  EXPECT_EQ(getLiftIdentifier(), -1);
  setLiftIdentifier(2, sd);
  EXPECT_EQ(getLiftIdentifier(), 2);
  EXPECT_EQ(getLiftCFT(), sd);
}

TEST_F(HeteroticTest, OutputNamesCarryTheLiftAndTheHeteroticScan) {
  resetCoset(currentTensor);
  addTensorFactor(currentTensor, SM_getData(27, 2, 1), 0);
  addTensorFactor(currentTensor, SM_getData(27, 2, 3), 0);
  const std::string plain = getHeteroticSpectrumIdentifier(0);
  setLiftIdentifier(2, SM_getData(1, 1, 1));
  const std::string lifted = getHeteroticSpectrumIdentifier(0);
  EXPECT_EQ(plain, "$(1,3)$");
  EXPECT_EQ(lifted, "$(1,\\widehat{3})$");
  setExceptionalFilter(0, 4);
  EXPECT_EQ(getExceptionalFilter(0), 4);
  EXPECT_EQ(getExceptionalFilter(1), 0);
}

}  // namespace
