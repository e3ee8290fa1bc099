// The string reading of a theory: the space-time dimension 26 - c and its comparison with
// the covariant lattice, the orientifold multiplicity, field predicates in and out of
// superstring mode, triviality per space-time algebra, Witten indices, Hodge numbers, the
// ground-state contents of a lattice factor, and the closed-string tachyon check with the
// calls it makes to its hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "invariants/Invariants.h"
#include "lie/Branching.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "search/DiscreteSymmetries.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

// A list of orientifolds the test sets up: count, tension and the Klein-bottle
// coefficient of every field.
struct FakeOrientifolds {
  int count = 0;
  int kleinValue = 1;
  double tension = 1.0;
  int current = -1;
  std::vector<OrientifoldInfo> records;
};

FakeOrientifolds& fake() {
  static FakeOrientifolds f;
  return f;
}

int fakeSetUp() { return 0; }
OrientifoldInfo** fakeList(int* total, int* count) {
  *total = fake().count;
  *count = fake().tension != 0.0 ? fake().count : 0;
  return nullptr;
}
OrientifoldInfo* fakeSelect(int i) {
  fake().current = i;
  return &fake().records[static_cast<std::size_t>(i)];
}
int fakeKlein(int) { return fake().kleinValue; }
void fakeRecompute(BulkInvariant*) {}
OrientifoldInfo* fakeCurrent() {
  if (fake().current < 0) return nullptr;
  return &fake().records[static_cast<std::size_t>(fake().current)];
}

const TachyonOrientifolds kFake = {fakeSetUp, fakeList, fakeSelect, fakeKlein, fakeRecompute, fakeCurrent};

// Every mode the hook was called with, in order; the answer to mode 0 is settable.
std::vector<int>& hookCalls() {
  static std::vector<int> calls;
  return calls;
}
int& answerToZero() {
  static int answer = 0;
  return answer;
}
int recordingHook(int mode) {
  hookCalls().push_back(mode);
  return mode == 0 ? answerToZero() : 0;
}

class StringTheoryTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    setCosetMode(0);
    disableCoset();
    fake() = FakeOrientifolds();
    hookCalls().clear();
    answerToZero() = 0;
  }
  void TearDown() override { setTachyonOrientifolds(nullptr); }

  void useFakeOrientifolds(int count, int klein, double tension = 1.0) {
    fake().count = count;
    fake().kleinValue = klein;
    fake().tension = tension;
    fake().records.assign(static_cast<std::size_t>(count), OrientifoldInfo());
    for (int i = 0; i < count; ++i) {
      fake().records[static_cast<std::size_t>(i)].tension = tension;
      fake().records[static_cast<std::size_t>(i)].listPosition = i;
    }
    setTachyonOrientifolds(&kFake);
    setTachyonFunction(recordingHook);
  }

  // A tensor product of the given factor lines, its spectrum computed, "Super" ON.
  void superTensor(std::initializer_list<const char*> factors) {
    setIntPar("Super", 1);
    ASSERT_EQ(run("tensor"), 0);
    for (const char* line : factors) ASSERT_EQ(run(line), 0) << line;
    ASSERT_EQ(run("compute spectrum"), 0);
  }
};

// ---------------------------------------------------------------------------------------
// Space-time dimension

TEST_F(StringTheoryTest, BosonicDimensionIsTwentySixMinusTheCentralCharge) {
  ASSERT_EQ(run("algebra a 1 1"), 0);  // c = 1
  EXPECT_EQ(getConformalSpaceTimeDimension(0), 25);
  EXPECT_EQ(CheckSpaceTime(), 25);
  // 2^(D/2) with D = 25.
  EXPECT_DOUBLE_EQ(OrientifoldMultiplicity(), std::exp2(12.5));
  ASSERT_EQ(run("algebra a 1 2"), 0);  // c = 3/2: 26 - c = 24.5, the bosonic rule takes it as it is
  EXPECT_EQ(getConformalSpaceTimeDimension(1), -1);
  EXPECT_DOUBLE_EQ(OrientifoldMultiplicity(), std::exp2(12.25));
}

TEST_F(StringTheoryTest, NonIntegerDimensionIsReported) {
  ASSERT_EQ(run("algebra a 1 3"), 0);  // c = 9/5
  capture.clear();
  EXPECT_EQ(getConformalSpaceTimeDimension(0), -1);
  EXPECT_TRUE(alerted("Non-integer space-time dimension"));
  EXPECT_EQ(getConformalSpaceTimeDimension(1), -1);
  EXPECT_TRUE(silent());
}

TEST_F(StringTheoryTest, LatticeDimensionAgainstConformalDimension) {
  int D = -1;
  int e8 = -1;
  // D8 at level 1: lattice dimension 10, 26 - c = 18: the difference 8 is an E8 factor.
  EXPECT_EQ(compareSpaceTimeDimensions(10, 0, 18, &D, &e8), 0);
  EXPECT_EQ(D, 10);
  EXPECT_EQ(e8, 1);
  // A cap above the lattice dimension changes nothing.
  D = e8 = -1;
  EXPECT_EQ(compareSpaceTimeDimensions(10, 11, 18, &D, &e8), 0);
  EXPECT_EQ(D, 10);
  EXPECT_EQ(e8, 1);
  // A cap of 6 leaves 12 unaccounted for.
  EXPECT_EQ(compareSpaceTimeDimensions(10, 6, 18, &D, &e8), 1);
  EXPECT_EQ(D, 6);
  // Equal dimensions: no E8.
  EXPECT_EQ(compareSpaceTimeDimensions(4, 0, 4, &D, &e8), 0);
  EXPECT_EQ(e8, 0);
  // A cap equal to the lattice dimension is taken.
  EXPECT_EQ(compareSpaceTimeDimensions(10, 10, 10, &D, &e8), 0);
  EXPECT_EQ(D, 10);
  // An inconsistent conformal dimension.
  EXPECT_EQ(compareSpaceTimeDimensions(10, 0, -1, &D, &e8), 1);
}

TEST_F(StringTheoryTest, LatticeFactorAloneAssumesAnE8AndTheCapIsRead) {
  superTensor({"g d 8 1"});
  capture.clear();
  const StringBlock* block = getStringData();
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(alerted("Implicit E_8 factor assumed"));
  EXPECT_EQ(block->latticeDimension, 10);
  EXPECT_EQ(block->spaceTimeDimension, 10);
  EXPECT_EQ(block->implicitE8, 1);
  EXPECT_EQ(block->status, 0);
  EXPECT_EQ(CheckSpaceTime(), 10);
  EXPECT_DOUBLE_EQ(OrientifoldMultiplicity(), 32.0);
  setIntPar("Dimension", 6);
  capture.clear();
  EXPECT_EQ(getStringData(), nullptr);
  EXPECT_TRUE(capture.all.find("Conformal anomaly does not cancel") != std::string::npos);
  EXPECT_TRUE(capture.printed.find("Incorrect superstring data;\nSwitching off superstring mode.\n") !=
              std::string::npos);
  EXPECT_EQ(*getIntParPointer("Super"), 0);
}

TEST_F(StringTheoryTest, SingleAlgebraWithoutDataSwitchesSuperOff) {
  ASSERT_EQ(run("algebra a 1 1"), 0);
  setIntPar("Super", 1);
  capture.clear();
  EXPECT_EQ(getStringData(), nullptr);
  EXPECT_EQ(capture.printed, "Superstring data not available;\nSwitching off superstring mode.\n");
  EXPECT_EQ(*getIntParPointer("Super"), 0);
  EXPECT_EQ(CheckExtensionChirality(), 0);
}

// ---------------------------------------------------------------------------------------
// Fields

TEST_F(StringTheoryTest, VacuumIsMasslessAlwaysAndTachyonicOnlyInTheBosonicString) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  EXPECT_EQ(masslessCharacter(0, 0), 1);
  EXPECT_EQ(masslessCharacter(0, 1), 1);
  // h = 3/16 and 1/2: tachyonic, not massless.
  EXPECT_EQ(masslessCharacter(1, 1), 1);
  EXPECT_EQ(masslessCharacter(2, 1), 1);
  EXPECT_EQ(masslessCharacter(2, 0), 0);
  superTensor({"g e 8 1"});
  EXPECT_EQ(masslessCharacter(0, 0), 1);
  EXPECT_EQ(masslessCharacter(0, 1), 0);
  // The E8 lattice has dimension 10; it branches to the light-cone algebra D8
  // (r = (10 + 6)/2), whose spinor currents (248 = 120 + 128) make it E8 again: the
  // classes are E8's.
  int type = 0;
  int rank = 0;
  const StringBlock* block = getStringData();
  spaceTimeAlgebra(block, &type, &rank);
  EXPECT_EQ(type, 5);
  EXPECT_EQ(rank, 8);
  ASSERT_NE(block->spaceTime, nullptr);
  EXPECT_EQ(block->spaceTime->subType, 4);
  EXPECT_EQ(block->spaceTime->subRank, 8);
}

TEST_F(StringTheoryTest, LatticeClassesOfD8Fields) {
  superTensor({"g d 8 1"});
  ASSERT_NE(getStringData(), nullptr);
  // D8 at level 1: the vector has h = 1/2, the two spinors h = 1; one class each.
  int vectors = 0;
  int spinors = 0;
  for (int i = 1; i < 4; ++i) {
    const std::array<int, 4> rep = getRepInfo(i);
    EXPECT_EQ(rep[0], 0) << i;
    EXPECT_EQ(rep[1] + rep[2] + rep[3], 1) << i;
    vectors += rep[2];
    spinors += rep[1] + rep[3];
    if (rep[2] == 1) {
      EXPECT_EQ(getTachyonDimension(i), 1);
      EXPECT_EQ(masslessCharacter(i, 1), 1);
    } else {
      EXPECT_EQ(masslessCharacter(i, 0), 1);
    }
  }
  EXPECT_EQ(vectors, 1);
  EXPECT_EQ(spinors, 2);
  EXPECT_EQ(getRepInfo(0)[0], 1);
  // The two spinors (h = 1, non-trivial) and the vacuum are massless.
  EXPECT_EQ(getMasslessLabels().size(), 3u);
  EXPECT_EQ(getTachyonLabels().size(), 1u);
  EXPECT_EQ(getWittenIndices(), std::vector<int>(4, 0));
}

TEST_F(StringTheoryTest, TachyonDimensionOutsideSuperstringModeIsAWarningAndOne) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  capture.clear();
  EXPECT_EQ(getTachyonDimension(1), 1);
  EXPECT_TRUE(alerted("Tachyon dimension for bosonic string not yet built in"));
}

TEST_F(StringTheoryTest, TrivialityPerSpaceTimeAlgebra) {
  const int spinorOnly[4] = {3, 0, 0, 2};
  const int vectorOnly[4] = {1, 0, 1, 0};
  const int firstOnly[4] = {0, 1, 0, 0};
  // D4 does not look at its third class; D5 does.
  EXPECT_EQ(trivialForAlgebra(4, 4, spinorOnly), 1);
  EXPECT_EQ(trivialForAlgebra(4, 5, spinorOnly), 0);
  EXPECT_EQ(trivialForAlgebra(4, 3, firstOnly), 1);
  EXPECT_EQ(trivialForAlgebra(2, 4, vectorOnly), 0);
  EXPECT_EQ(trivialForAlgebra(2, 4, spinorOnly), 1);
  // F4 and E7 read class 1, E6 classes 1 and 2, E8 nothing.
  EXPECT_EQ(trivialForAlgebra(5, 4, firstOnly), 0);
  EXPECT_EQ(trivialForAlgebra(5, 7, vectorOnly), 1);
  EXPECT_EQ(trivialForAlgebra(5, 6, vectorOnly), 0);
  EXPECT_EQ(trivialForAlgebra(5, 8, firstOnly), 1);
  EXPECT_EQ(checkTriviality(nullptr, firstOnly), 0);
}

TEST_F(StringTheoryTest, WittenIndexOnlyForE6) {
  const int rep[4] = {0, 3, 1, 0};
  EXPECT_EQ(wittenIndexOf(5, 6, rep), 2);
  EXPECT_EQ(wittenIndexOf(5, 7, rep), 0);
  EXPECT_EQ(wittenIndexOf(4, 8, rep), 0);
  EXPECT_EQ(wittenIndexOf(2, 4, rep), 0);
  // Outside superstring mode every index is 0.
  ASSERT_EQ(run("algebra a 1 2"), 0);
  EXPECT_EQ(getWittenIndices(), std::vector<int>(3, 0));
}

TEST_F(StringTheoryTest, HodgeNumbersAdjustedForExtendedSupersymmetry) {
  const int column[4] = {1, 7, 5, 2};
  int h1 = 0;
  int h2 = 0;
  adjustHodgeNumbers(4, 4, 4, column, &h1, &h2);  // N = 1 on the right: read as they are
  EXPECT_EQ(h1, 7);
  EXPECT_EQ(h2, 5);
  adjustHodgeNumbers(4, 4, 8, column, &h1, &h2);  // r >= 5: the second becomes M[1][1]
  EXPECT_EQ(h1, 7);
  EXPECT_EQ(h2, 7);
  adjustHodgeNumbers(4, 8, 8, column, &h1, &h2);
  EXPECT_EQ(h1, 8);
  EXPECT_EQ(h2, 8);
  adjustHodgeNumbers(4, 16, 16, column, &h1, &h2);
  EXPECT_EQ(h1, 16);
  EXPECT_EQ(h2, 16);
  adjustHodgeNumbers(4, 8, 16, column, &h1, &h2);
  EXPECT_EQ(h1, 10);
  EXPECT_EQ(h2, 10);
  adjustHodgeNumbers(4, 16, 8, column, &h1, &h2);
  EXPECT_EQ(h1, 10);
  EXPECT_EQ(h2, 10);
  adjustHodgeNumbers(6, 16, 16, column, &h1, &h2);  // only in four dimensions
  EXPECT_EQ(h1, 7);
  EXPECT_EQ(h2, 5);
}

TEST_F(StringTheoryTest, BosonicMasslessLabelsAndPrimarySelections) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  // Weights 0, 3/16, 1/2: only the vacuum; every field is tachyonic.
  EXPECT_EQ(getBosonicMasslessLabels(), std::vector<int>({0}));
  EXPECT_EQ(getTachyonLabels(), std::vector<int>({0, 1, 2}));
  // Switching the superstring reading on rebuilds the lists: the vacuum is no tachyon
  // there; without superstring data the other fields count as non-trivial, and the
  // reading is switched off again.
  setIntPar("Super", 1);
  EXPECT_EQ(getTachyonLabels(), std::vector<int>({1, 2}));
  EXPECT_EQ(*getIntParPointer("Super"), 0);
  EXPECT_EQ(getTachyonLabels(), std::vector<int>({0, 1, 2}));
  EXPECT_EQ(run("set Primary_selection tachyons"), 0);
  EXPECT_EQ(run("set Primary_selection massless"), 0);
}

// ---------------------------------------------------------------------------------------
// Closed-string tachyons

TEST_F(StringTheoryTest, KleinBottleThatNeverCancelsLeavesOnlyTheLoopMarks) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  useFakeOrientifolds(3, 1);  // K + Z = 2 for every tachyon
  capture.clear();
  EXPECT_EQ(checkTachyon(1, 1), 1);
  EXPECT_EQ(hookCalls(), std::vector<int>({-1, 2}));
  EXPECT_NE(capture.printed.find("Tachyons in oriented string; possibly cancellable by Klein bottle\n"
                                 "Checking orientifold 0: Tachyons!\n"
                                 "Checking orientifold 1: Tachyons!\n"
                                 "Checking orientifold 2: Tachyons!\n"),
            std::string::npos);
  EXPECT_EQ(tachyonStatus(), -1);
  EXPECT_EQ(cancellableTachyon(), 1);
}

TEST_F(StringTheoryTest, KleinBottleThatCancelsCallsTheHookPerOrientifold) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  useFakeOrientifolds(2, -1);  // K = -Z: every tachyon projected out
  capture.clear();
  EXPECT_EQ(checkTachyon(1, 1), 1);
  EXPECT_EQ(hookCalls(), std::vector<int>({-1, 1, 1, 2}));
  EXPECT_NE(capture.printed.find("Checking orientifold 0: No tachyons\nChecking orientifold 1: No tachyons\n"),
            std::string::npos);
}

TEST_F(StringTheoryTest, OrientedCheckWithCancellableTachyonsTriesNoOrientifold) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  useFakeOrientifolds(2, -1);
  capture.clear();
  EXPECT_EQ(checkTachyon(0, 1), 1);
  EXPECT_EQ(capture.printed, "Tachyons in oriented string; possibly cancellable by Klein bottle\n");
  EXPECT_TRUE(hookCalls().empty());
  EXPECT_EQ(tachyonStatus(), -1);
  EXPECT_EQ(checkTachyon(0, 0), 1);
  EXPECT_TRUE(hookCalls().empty());
}

TEST_F(StringTheoryTest, TachyonPairedWithANonConjugateIsFatal) {
  // SU(3) level 1, diagonal: the 3 (h = 1/3) is paired with itself, not with the 3bar.
  ASSERT_EQ(run("algebra a 2 1"), 0);
  useFakeOrientifolds(2, -1);
  capture.clear();
  EXPECT_EQ(checkTachyon(1, 1), 1);
  EXPECT_EQ(capture.printed, "Fatal tachyon (for all orientifolds)\n");
  EXPECT_TRUE(hookCalls().empty());
  EXPECT_EQ(tachyonStatus(), 1);
  EXPECT_EQ(cancellableTachyon(), 0);
  // A decided status is returned by the unoriented check without a hook call.
  const std::vector<int> list = {0};
  EXPECT_EQ(checkUnorientedTachyon(&list), 1);
  EXPECT_TRUE(hookCalls().empty());
  EXPECT_EQ(checkUnorientedTachyon(nullptr), 0);
}

TEST_F(StringTheoryTest, TachyonFreeClosedStringAndTheModeZeroAnswer) {
  superTensor({"g e 8 1"});  // the vacuum alone, not tachyonic in superstring mode
  useFakeOrientifolds(2, 1, 0.0);
  capture.clear();
  EXPECT_EQ(checkTachyon(1, 1), 0);
  EXPECT_EQ(capture.printed, "No closed string tachyons\n");
  // Zero-tension orientifolds are visited too.
  EXPECT_EQ(hookCalls(), std::vector<int>({0, -1, 1, 1, 2}));
  EXPECT_EQ(tachyonStatus(), 0);
  EXPECT_EQ(cancellableTachyon(), 0);
  hookCalls().clear();
  answerToZero() = 1;
  EXPECT_EQ(checkTachyon(1, 0), 0);
  EXPECT_EQ(hookCalls(), std::vector<int>({0}));
}

TEST_F(StringTheoryTest, RecordOfTachyonFreeOrientifolds) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  useFakeOrientifolds(3, -1);
  setTachyonFunction(recordTachyonFreeCase);
  EXPECT_EQ(checkTachyon(1, 0), 1);
  EXPECT_EQ(getTachyonRecord()[0], 1);
  EXPECT_EQ(getTachyonRecord()[1], 0);
  EXPECT_EQ(getTachyonRecord()[2], 1);
  EXPECT_EQ(getTachyonRecord()[3], 2);
  EXPECT_EQ(getTachyonRecord()[4], -1);
  // Zero tension: the orientifold counts as tachyon-free but is not recorded.
  useFakeOrientifolds(2, -1, 0.0);
  setTachyonFunction(recordTachyonFreeCase);
  EXPECT_EQ(checkTachyon(1, 0), 1);
  EXPECT_EQ(getTachyonRecord()[0], 1);
  EXPECT_EQ(getTachyonRecord()[1], -1);
  // No closed-string tachyons: every orientifold of non-zero tension, and the loop skipped.
  superTensor({"g e 8 1"});
  useFakeOrientifolds(2, 1);
  setTachyonFunction(recordTachyonFreeCase);
  EXPECT_EQ(checkTachyon(1, 0), 0);
  EXPECT_EQ(getTachyonRecord()[0], 0);
  EXPECT_EQ(getTachyonRecord()[1], 0);
  EXPECT_EQ(getTachyonRecord()[2], 1);
  EXPECT_EQ(getTachyonRecord()[3], -1);
}

TEST_F(StringTheoryTest, CommandsPrintTheStatusValues) {
  ASSERT_EQ(run("algebra a 1 2"), 0);
  useFakeOrientifolds(0, 1);
  capture.clear();
  EXPECT_EQ(run("check tachyon oriented"), 0);
  EXPECT_NE(capture.printed.find("Tachyons in oriented string; possibly cancellable by Klein bottle\n"),
            std::string::npos);
  capture.clear();
  EXPECT_EQ(run("cancellableTachyon"), 0);
  EXPECT_EQ(capture.printed, "1\n");
  capture.clear();
  EXPECT_EQ(run("chiral"), 0);
  EXPECT_EQ(capture.printed, "0\n");
  EXPECT_EQ(run("check tachyon unoriented"), 0);
}

TEST_F(StringTheoryTest, SearchHooksAnswerNeutrallyWhenUnset) {
  // Without the standard-model search installed there is no record and no discrete
  // symmetry against a configuration; the search installs both at start-up.
  setSearchDataHook(nullptr);
  setDiscreteSymmetryHook(nullptr);
  EXPECT_EQ(getSearchData(), nullptr);
  ChanPatonData cpd;
  EXPECT_EQ(CheckDiscreteSymmetriesForBraneConfiguration(&cpd), 1);
  setSearchDataHook(refreshSearchData);
  setDiscreteSymmetryHook(discreteSymmetriesOfConfiguration);
  EXPECT_NE(getSearchData(), nullptr);
}

}  // namespace

namespace {

TEST(GaugeGroupText, FreeFactorsTakeTheirCurrents) {
  const std::vector<FreeGaugeFactor> a2 = {{1, 2, 8}};
  // A free A2 with its 8 currents accounts for all of them; one current more is unnamed.
  EXPECT_EQ(gaugeGroupText(4, 5, 0, a2, 8), "\nGauge group: D5 x A2\n");
  EXPECT_EQ(gaugeGroupText(4, 5, 0, a2, 9), "\nGauge group: D5 x A2 x [Unidentified (dim=1)]\n");
  EXPECT_EQ(gaugeGroupText(5, 6, 1, {}, 0), "\nGauge group: E6 x E8\n");
  EXPECT_EQ(gaugeGroupText(5, 4, 0, {{5, 2, 14}, {0, 6, 1}}, 15), "\nGauge group: F4 x G2 x U(1)_6\n");
  EXPECT_EQ(gaugeGroupText(2, 4, 0, {}, 3), "\nGauge group: B4 x [Unidentified (dim=3)]\n");
}

}  // namespace

namespace {

class StringContentsTest : public ZoqTest {};

TEST_F(StringContentsTest, ContentsCellNamesTheSpaceTimeClasses) {
  setCosetMode(0);
  disableCoset();
  setIntPar("Super", 1);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 8 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  const StringSeamHooks* hooks = stringSeamHooks();
  ASSERT_NE(hooks, nullptr);
  // SO(16): the vector 16 and the spinors 128 and 128c.
  std::vector<std::string> cells;
  for (int f = 0; f < 4; ++f) {
    std::string cell;
    hooks->contentsText(cell, currentTensor, f);
    cells.push_back(cell);
  }
  EXPECT_EQ(cells[0], "[1]");
  std::vector<std::string> others = {cells[1], cells[2], cells[3]};
  std::sort(others.begin(), others.end());
  EXPECT_EQ(others, std::vector<std::string>({"[128]", "[128c]", "[16]"}));
  EXPECT_EQ(InfoComputable(currentTensor, 1), 1);
}

TEST_F(StringContentsTest, NoLatticeFactorIsRefused) {
  setCosetMode(0);
  disableCoset();
  setIntPar("Super", 1);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  capture.clear();
  EXPECT_EQ(InfoComputable(currentTensor, 0), 0);
  EXPECT_TRUE(alerted("Invalid covariant lattice type"));
  EXPECT_EQ(InfoComputable(currentTensor, 1), 0);
  EXPECT_TRUE(silent());
  EXPECT_EQ(getCosetRepInfo(currentTensor, 1), nullptr);
  // A lattice of the wrong level or too small a rank.
  ASSERT_EQ(run("tensor"), 0);
  resetCoset(currentTensor);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g d 8 2"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  capture.clear();
  EXPECT_EQ(InfoComputable(currentTensor, 0), 0);
  EXPECT_TRUE(alerted("Covariant lattice level should be 1"));
  resetCoset(currentTensor);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g b 3 1"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  capture.clear();
  EXPECT_EQ(InfoComputable(currentTensor, 0), 0);
  EXPECT_TRUE(alerted("Covariant lattice rank is too small"));
  // "Super" OFF: nothing to compute, whatever the factors.
  setIntPar("Super", 0);
  EXPECT_EQ(InfoComputable(currentTensor, 0), 0);
}

}  // namespace
