// The heterotic spectrum of one invariant: charge quanta, exotics and anomalies of a
// massless spectrum, the algebra classes of root patterns, canonical patterns, and whole
// spectrum computations for small invariants.
#include <string>
#include <vector>

#include "HeteroticTestSupport.h"
#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "invariants/Invariants.h"

namespace {

using Row = std::vector<int>;

// ---------------------------------------------------------------------------------------
// Charge quanta, exotics and anomalies. Spectra of four heterotic factors: colour, weak and
// two U(1) labels (taken modulo 1000 for the anomalies, so 998 is -2).

class HeteroticChargesTest : public HeteroticTest {
 protected:
  void SetUp() override {
    HeteroticTest::SetUp();
    setIntPar("Heterotic factors", 4);
    getRepCountForUpdate().reset(8);
  }
  // A left representation (c, w, y1, y2) with multiplicity k (right part zero).
  void rep(int c, int w, int y1, int y2, int k) {
    const int row[8] = {0, 0, 0, 0, c, w, y1, y2};
    getRepCountForUpdate().add(row, k);
  }
  // Anomaly sums (A111, A31, A21, A122, T1) = (90, 1, 1, 20, 12), A3 = 0, A222 = 0.
  void firstU1Pattern() {
    rep(1, 0, 998, 0, 1);
    rep(2, 0, 3, 0, 1);
    rep(0, 1, 1, 0, 1);
    rep(0, 0, 2, 1, 5);
    rep(0, 0, 2, 999, 5);
    rep(0, 0, 998, 0, 6);
    rep(0, 0, 999, 0, 1);
  }
  // (A222, A22, A32, A112, T2) = (60, 1, 1, 30, 12), A111 = 0, A3 = 0.
  void secondU1Pattern() {
    rep(1, 0, 0, 997, 1);
    rep(2, 0, 0, 4, 1);
    rep(0, 1, 0, 1, 1);
    rep(0, 0, 1, 1, 15);
    rep(0, 0, 999, 1, 15);
    rep(0, 0, 0, 999, 3);
    rep(0, 0, 0, 2, -10);
  }
};

TEST_F(HeteroticChargesTest, AnEmptySpectrum) {
  ChargeQuanta q;
  EXPECT_EQ(computeChargeQuanta(&q), 0);
  EXPECT_EQ(q.q0, 30);
  EXPECT_EQ(q.q1, 30);
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), 1);
  int total = -7;
  EXPECT_EQ(findExotics(nullptr, &total), -1);
  EXPECT_EQ(total, 0);
}

TEST_F(HeteroticChargesTest, TheStandardPatternOfTheFirstU1) {
  firstU1Pattern();
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -4);
  capture.clear();
  GSC_computeAnomalies(1, 1000, 1000);
  EXPECT_NE(capture.stdoutText.find("Anomalies: 0 90 0\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Traces: 12 0\n"), std::string::npos);
}

TEST_F(HeteroticChargesTest, TheStandardPatternOfTheSecondU1) {
  secondU1Pattern();
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -5);
  firstU1Pattern();
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -6);
}

TEST_F(HeteroticChargesTest, ColourAnomaliesAndBrokenPatternsAreFatal) {
  rep(1, 0, 0, 0, 1);  // A3 = 1
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -3);
  getRepCountForUpdate().reset(8);
  firstU1Pattern();
  rep(0, 0, 1, 0, 1);  // A111 and T1 move off the pattern
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -3);
}

TEST_F(HeteroticChargesTest, WithTheFourthFactorLiftedTheSecondU1IsIgnored) {
  firstU1Pattern();
  setLiftIdentifier(4, nullptr);
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -4);
  rep(0, 0, 1, 0, 1);
  EXPECT_EQ(GSC_computeAnomalies(0, 1000, 1000), -3);
}

TEST_F(HeteroticChargesTest, FlippingTheColourTwiceRestoresTheSpectrum) {
  firstU1Pattern();
  const HeteroticRows before = getRepCount();
  flipColor();
  const int triplet[8] = {0, 0, 0, 0, 2, 0, 998, 0};  // (1, 0, 998, 0) became colour 2
  EXPECT_GE(getRepCount().find(triplet), 0);
  flipColor();
  ASSERT_EQ(getRepCount().size(), before.size());
  for (int r = 0; r < before.size(); ++r) {
    const int i = getRepCount().find(before.row(r));
    ASSERT_GE(i, 0);
    EXPECT_EQ(getRepCount().count(i), before.count(r));
  }
}

TEST_F(HeteroticChargesTest, ChargeQuantaOfColouredAndColourlessStates) {
  // A quark doublet (c 1, w 1, y 1): q0 = gcd(30, 1 + 2 + 3) = 6, q1 = gcd(30, 1 - 2 + 3) = 2.
  rep(1, 1, 1, 0, 3);
  ChargeQuanta q;
  EXPECT_EQ(computeChargeQuanta(&q), 1);
  EXPECT_EQ(q.q0, 6);
  EXPECT_EQ(q.q1, 2);
}

TEST_F(HeteroticChargesTest, ConjugateUnnamedRepresentationsInEqualNumbersAreNotChiral) {
  setIntPar("Particle factors", 1);
  TensorProduct* TP = product({kA2, kA1, kA1, kA1});
  rep(1, 0, 0, 0, 2);
  rep(2, 0, 0, 0, 2);
  int total = 0;
  EXPECT_EQ(findExotics(TP, &total), 0);
  EXPECT_EQ(total, 4);
  rep(1, 0, 0, 0, 1);  // now 3 against 2
  EXPECT_EQ(findExotics(TP, &total), 1);
  EXPECT_EQ(total, 5);
  // Named, they are no exotics at all.
  const int three = 1;
  addNewRepresentationName(TP, "Q", &three);
  EXPECT_EQ(findExotics(TP, &total), -1);
}

TEST_F(HeteroticChargesTest, ASelfConjugateUnnamedRepresentationIsNotChiral) {
  setIntPar("Particle factors", 1);
  TensorProduct* TP = product({kA1, kA1, kA1, kA1});
  rep(1, 0, 0, 0, 3);  // label 1 of SU(2) is its own conjugate
  int total = 0;
  EXPECT_EQ(findExotics(TP, &total), 0);
  EXPECT_EQ(total, 6);
}

TEST_F(HeteroticChargesTest, CanonicalFormsAndSmallUtilities) {
  int out[4];
  const int v[4] = {1, 0, 2, 0};  // colour 1 without weak label: the conjugate is canonical
  EXPECT_EQ(ConjugateCombination(4, v, out), -1);
  EXPECT_EQ(Row(out, out + 4), (Row{2, 0, -2, 0}));
  const int u[4] = {0, 0, 3, -1};
  EXPECT_EQ(ConjugateCombination(4, u, out), 1);
  EXPECT_EQ(SMdim(Row{1, 1, 0, 0}.data()), 6);
  EXPECT_EQ(SMdim(Row{0, 0, 0, 0}.data()), 1);
  EXPECT_EQ(mapCharge(7, 10), -3);
  EXPECT_EQ(mapCharge(5, 10), 5);
  int found = 0;
  EXPECT_EQ(minimalElement({1500, -3, 2, 4}, &found), 2);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(minimalElement({1000, -2000}, &found), 0);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(getHeteroticFault(), "No minimal element found");
}

// ---------------------------------------------------------------------------------------
// Algebra classes and canonical patterns

// k roots of weight entry 0 (gauge roots), then one fractional root (not counted).
void makeRoots(int k) {
  HeteroticState& s = heteroticState();
  s.commonDenominator = 12;
  s.patternRoots.reset(3, 1);
  for (int r = 0; r < k; ++r) {
    const int row[3] = {r, 0, 0};
    s.patternRoots.add(row, 0);
  }
  const int fractional[3] = {k, 5, 0};
  s.patternRoots.add(fractional, 0);
}

TEST_F(HeteroticTest, RootCountsGiveTheAlgebraClasses) {
  setIntPar("Heterotic factors", 1);
  struct Case {
    int count, alg, cft, type;
  };
  const Case cases[] = {{1, 1, 1, 0}, {2, 1, 2, 1},  {3, 1, 3, 2},  {5, 1, 1, 3},
                        {6, 6, 6, 4}, {10, 1, 2, 5}, {15, 3, 3, 6}, {30, 6, 6, 7}};
  for (const Case& c : cases) {
    makeRoots(c.count);
    std::vector<int> pattern(static_cast<std::size_t>(c.count) + 1, 2);  // the fractional root too
    int alg = 0, cft = 0, type = 0;
    EXPECT_EQ(determineAlgebra(&alg, &cft, &type, pattern.data()), c.count);
    EXPECT_EQ(alg, c.alg) << c.count;
    EXPECT_EQ(cft, c.cft) << c.count;
    EXPECT_EQ(type, c.type) << c.count;
  }
}

TEST_F(HeteroticTest, RootCountFourIsInvalid) {
  setIntPar("Heterotic factors", 1);
  makeRoots(4);
  const std::vector<int> pattern(5, 1);
  int alg = 0, cft = 0, type = 0;
  capture.clear();
  EXPECT_EQ(determineAlgebra(&alg, &cft, &type, pattern.data()), 4);
  EXPECT_TRUE(alerted("Invalid root count 4"));
  EXPECT_EQ(alg, 0);
  EXPECT_EQ(cft, 0);
  EXPECT_EQ(type, 0);
  // No roots at all: the alert with 0.
  heteroticState().patternRoots.reset(3, 1);
  EXPECT_EQ(determineAlgebra(&alg, &cft, &type, pattern.data()), 0);
  EXPECT_TRUE(alerted("Invalid root count 0"));
}

TEST_F(HeteroticTest, PatternsThatDifferByConjugatingFactorTwoOrThreeAreOne) {
  setIntPar("Heterotic factors", 4);
  // Factors 2 and 3 are SU(3) at level 1 (1 and 2 conjugate).
  TensorProduct* TP = product({kA1, kA1, kA2, kA2});
  computeCommonDenominatorWeights(TP);
  resetPatterns();
  ASSERT_EQ(CollectMassless(TP), 0);
  const HeteroticRows& roots = getPatternRoots();
  const int r1 = roots.find(Row{0, 0, 1, 0}.data());
  const int r2 = roots.find(Row{0, 0, 2, 0}.data());
  const int r3 = roots.find(Row{0, 0, 1, 2}.data());
  const int r4 = roots.find(Row{0, 0, 2, 1}.data());
  ASSERT_GE(r1, 0);
  ASSERT_GE(r2, 0);
  ASSERT_GE(r3, 0);
  ASSERT_GE(r4, 0);
  std::vector<int> a(static_cast<std::size_t>(roots.size()), 0), b = a, c = a;
  a[static_cast<std::size_t>(r1)] = 5;
  b[static_cast<std::size_t>(r2)] = 5;  // factor 2 conjugated
  c[static_cast<std::size_t>(r3)] = 7;
  const std::vector<int> canonicalA = optimizedPattern(TP, a);
  EXPECT_EQ(optimizedPattern(TP, b), canonicalA);
  const std::vector<int> canonicalC = optimizedPattern(TP, c);
  std::vector<int> d(static_cast<std::size_t>(roots.size()), 0);
  d[static_cast<std::size_t>(r4)] = 7;  // factors 2 and 3 conjugated
  EXPECT_EQ(optimizedPattern(TP, d), canonicalC);
  EXPECT_NE(canonicalA, canonicalC);
}

// ---------------------------------------------------------------------------------------
// Whole spectra

// The record lent by the last call, given back by the fixture.
SimpleCurrentData* lastRecord = nullptr;

class HeteroticSpectrumTest : public HeteroticTest {
 protected:
  // SU(2) x SU(2) at level 1, one heterotic factor, set up; the trivial invariant of the
  // trivial filter group.
  void SetUp() override {
    HeteroticTest::SetUp();
    setIntPar("Heterotic factors", 1);
    setIntPar("Particle factors", 1);
    setIntPar("Graded", 0);
    TP = product({kA1, kA1});
    setUp(TP);
    record = getAvailableFilterData();
    record->tensor = TP;
    record->group.reset(2);
    record->generators.reset(2);
    const int identity[2] = {0, 0};
    record->group.add(identity);
  }
  int run(MipfAnalysisFcn hook) {
    const int labels[1] = {0};
    const int X[1] = {0};
    lastRecord = nullptr;
    const int result = GSC_computeInvariant(DG_trivial(), labels, hook, X, record);
    if (lastRecord != nullptr) returnSCDataPointer(lastRecord);
    return result;
  }
  TensorProduct* TP = nullptr;
  HeteroticFilterInfo* record = nullptr;
};

int spectrum(SimpleCurrentData* MD) {
  lastRecord = MD;
  return GSC_computeHeteroticStringSpectrum(MD);
}

// Kernels without entries: the right algebra, and with it every singlet, is empty.
int spectrumWithoutKernels(SimpleCurrentData* MD) {
  lastRecord = MD;
  MD->kernels.assign(2, 0);
  MD->kernel_size = 0;
  return GSC_computeHeteroticStringSpectrum(MD);
}

TEST_F(HeteroticSpectrumTest, TheTrivialInvariantGivesOneSpectrum) {
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_EQ(getStoredSpectrumCount(), 1);
  EXPECT_EQ(getModelCount(), 1);
  // Massless fields: the identity only (h = 1/4 + 1/4 is not 1); the left algebra is the
  // identity and the spectrum one singlet pair.
  EXPECT_EQ(getLeftAlgebra().size(), 1);
  EXPECT_EQ(getRightAlgebra().size(), 1);
  const int pair[2] = {0, 0};
  const int i = getRepCount().find(pair);
  ASSERT_GE(i, 0);
  EXPECT_EQ(getRepCount().count(i), 1);
  // Outside a search set up by "compute heterotic" a spectrum is counted, not stored.
  EXPECT_TRUE(alerted("Heterotic spectrum not stored: no \"compute heterotic\" in this run"));
  // The first algebra is number 0 of the catalogue; the same pattern again adds none.
  EXPECT_EQ(getPatternAlgebra().size(), 1);
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_EQ(getPatternAlgebra().size(), 1);
  EXPECT_EQ(getStoredSpectrumCount(), 2);
}

TEST_F(HeteroticSpectrumTest, ExceptionalFilterZeroGivesThePlainSpectrum) {
  ASSERT_EQ(run(spectrum), 0);
  const HeteroticRows plain = getRepCount();
  setExceptionalFilter(0, 0);
  setExceptionalFilter(1, 0);
  ASSERT_EQ(run(spectrum), 0);
  ASSERT_EQ(getRepCount().size(), plain.size());
  for (int r = 0; r < plain.size(); ++r) {
    const int i = getRepCount().find(plain.row(r));
    ASSERT_GE(i, 0);
    EXPECT_EQ(getRepCount().count(i), plain.count(r));
  }
}

TEST_F(HeteroticSpectrumTest, ExceptionalOrbitsOfTheBuiltInInvariants) {
  int orbit[4];
  int last = -5;
  computeExceptionalOrbit(0, 7, 11, &last, orbit);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(orbit[0], 7);
  // SU(2) at level 10, the E6 invariant (number 1): |chi_0 + chi_6|^2 + |chi_3 + chi_7|^2 +
  // |chi_4 + chi_10|^2 (Dynkin labels) pairs the vacuum with itself and lambda = 6.
  SpectrumData* sd = SM_getData(1, 1, 10);
  ASSERT_NE(sd, nullptr);
  auto dynkin = [&](int field) { return SM_getRep(sd, field)[0]; };
  computeExceptionalOrbit(1, 0, sd->n_primaries, &last, orbit);
  ASSERT_EQ(last, 1);
  EXPECT_EQ(dynkin(orbit[0]), 0);
  EXPECT_EQ(dynkin(orbit[1]), 6);
  // lambda = 1 appears in no term: no orbit.
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (dynkin(a) != 1) continue;
    computeExceptionalOrbit(1, a, sd->n_primaries, &last, orbit);
    EXPECT_EQ(last, -1);
  }
}

TEST_F(HeteroticSpectrumTest, AFilterOfAnotherProductIsRefusedAndCounted) {
  // The filter rows have two labels; a product of three factors has no set-up for them.
  record->tensor = product({kA1, kA1, kA1});
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_TRUE(alerted("No heterotic set-up for this invariant"));
  EXPECT_EQ(getSkippedInvariantCount(), 1);
  EXPECT_EQ(getStoredSpectrumCount(), 0);
}

TEST_F(HeteroticSpectrumTest, MoreHeteroticFactorsThanFactorsAreRefused) {
  setIntPar("Heterotic factors", 3);
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_TRUE(alerted("No heterotic set-up for this invariant"));
  EXPECT_EQ(getSkippedInvariantCount(), 1);
}

TEST_F(HeteroticSpectrumTest, AnInvariantWithoutSingletsStoresNothing) {
  EXPECT_EQ(run(spectrumWithoutKernels), -1);
  EXPECT_TRUE(alerted("Unexpected vanishing number of singlets"));
  EXPECT_EQ(getStoredSpectrumCount(), 0);
}

TEST_F(HeteroticSpectrumTest, AForbiddenCurrentIsReportedOncePerRun) {
  const int identity[2] = {0, 0};
  addNewForbiddenCurrent(TP, identity);
  capture.clear();
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_NE(capture.printed.find("User-forbidden current in algebra\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Further occurrences will not be reported\n"), std::string::npos);
  capture.clear();
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_EQ(capture.printed.find("User-forbidden current"), std::string::npos);
  EXPECT_EQ(getStoredSpectrumCount(), 0);
}

TEST_F(HeteroticSpectrumTest, ProgressIsNotShownInATestRunWhateverTheRandomDraw) {
  setHeteroticRandomSource([](int) { return 50; });
  capture.clear();
  EXPECT_EQ(run(spectrum), 0);
  EXPECT_EQ(capture.printed.find("Progress info printed"), std::string::npos);
}

TEST_F(HeteroticSpectrumTest, CompleteCodesWithTheIdentityMoveAddsNothing) {
  // Through the hook: a record of the trivial group.
  static std::vector<int> seenActions;
  auto hook = [](SimpleCurrentData* MD) {
    lastRecord = MD;
    HeteroticRows moves;
    moves.reset(2);
    const int zero[2] = {0, 0};
    moves.add(zero);
    std::vector<int> actions = {0};
    CompleteCodes(MD, actions, moves, 0, zero, 1);
    seenActions = actions;
    return moves.size();
  };
  EXPECT_EQ(run(hook), 1);
  EXPECT_EQ(seenActions, (Row{0}));
}

TEST_F(HeteroticSpectrumTest, MasslessTestsOfWeightsZeroOneAndFractions) {
  // E7 x SU(2) at level 1: 3/4 + 1/4 = 1 is massless, 0 too; 3/4 alone is fractional.
  TensorProduct* P = product({kE7, kA1});
  computeCommonDenominatorWeights(P);
  int out[2];
  const int J[2] = {1, 1}, zero[2] = {0, 0}, half[2] = {1, 0};
  EXPECT_EQ(FastTensorSimpleAction_Massless(P, J, zero, out), 0);
  EXPECT_EQ(Row(out, out + 2), (Row{1, 1}));
  EXPECT_EQ(LeftMassCheck(P, zero), 0);
  clearHeteroticFault();
  EXPECT_EQ(LeftMassCheck(P, half), 1);
  EXPECT_EQ(getHeteroticFault(), "Fractional weight 3/4");
}

}  // namespace

namespace {

struct FatalExit {
  int status;
};
void throwingExit(int status) {
  throw FatalExit{status};
}

// E7 x SU(2) at level 1 with the heterotic factor E7, and the extension invariant of the
// current J = (1, 1) of weight 3/4 + 1/4 = 1 (group Z2, X = 0): left algebra {0, J}.
TEST_F(HeteroticTest, TheExtensionInvariantOfAWeightOneCurrent) {
  setIntPar("Heterotic factors", 1);
  setIntPar("Particle factors", 1);
  setIntPar("Graded", 0);
  TensorProduct* TP = product({kE7, kA1});
  setUp(TP);
  // Right-massless fields: the identity and J (h = 1).
  ASSERT_EQ(getMasslessFields().size(), 2);
  HeteroticFilterInfo* record = getAvailableFilterData();
  record->tensor = TP;
  record->group.reset(2);
  record->generators.reset(2);
  const int identity[2] = {0, 0}, J[2] = {1, 1};
  record->group.add(identity);
  record->group.add(J);
  record->generators.add(J);
  const int orders[1] = {2};
  const int labels[2] = {0, 1};
  const int X[1] = {0};
  setExitRoutine(throwingExit);
  int status = -1;
  try {
    GSC_computeInvariant(DG_find(orders, 1), labels, spectrum, X, record);
  } catch (const FatalExit& e) {
    status = e.status;
  }
  resetExitRoutine();
  if (lastRecord != nullptr) returnSCDataPointer(lastRecord);
  EXPECT_EQ(getLeftAlgebra().size(), 2);
  EXPECT_NE(getLeftAlgebra().find(J), -1);
  EXPECT_EQ(getRightAlgebra().size(), 2);
  // (right E7 label | left E7 label): the identity pairs with 0 and 56, J (whose SU(2) part
  // is the doublet: right multiplicity 2) with 56 and 0.
  const int rows[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
  const int counts[4] = {1, 1, 2, 2};
  ASSERT_EQ(getRepCount().size(), 4);
  for (int r = 0; r < 4; ++r) {
    const int i = getRepCount().find(rows[r]);
    ASSERT_GE(i, 0) << r;
    EXPECT_EQ(getRepCount().count(i), counts[r]) << r;
  }
  // E7 (two labels) is no colour factor: its 56 is not read as a triplet, so there is no
  // anomaly, the charge quantum stays 30, and the spectrum (56 pseudo-real: no chiral
  // exotics) is stored.
  EXPECT_EQ(status, -1);
  EXPECT_EQ(capture.stdoutText.find("Fatal anomalies!"), std::string::npos);
  EXPECT_NE(
      capture.stdoutText.find("Exotics reduced: CFT quantum 1 massless spectrum 30 (flipped 30)\n"),
      std::string::npos);
  EXPECT_EQ(getStoredSpectrumCount(), 1);
}

}  // namespace
